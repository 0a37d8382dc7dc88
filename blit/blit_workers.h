// Sharing the rows of one large blit among threads. A program that runs work on several
// threads may hand the blit engine its workers; blitSurface then cuts a job whose rows are
// independent (a same-size copy or conversion, FilterNone, a box-filter halving of a surface)
// into bands of whole 8-row groups, one blit each, and the bytes written are those of one
// blit on one thread: every band starts on the dither pattern's and the blocks' row grid.
#pragma once

#include <cstdint>

class BlitWorkers {
public:
    // Calls job(context, i) once for every i below count, on any of the workers and the
    // calling thread, and returns when every call has returned. It may be called from several
    // threads at once, and from inside a job of another run.
    virtual void run(uint32_t count, void (*job)(void* context, uint32_t index), void* context) = 0;

protected:
    ~BlitWorkers() = default;
};

// Process-wide, like the processor answers: set before the first worker thread starts and kept
// until the last one has ended. Null (the default) keeps every blit on its caller's thread.
void setBlitWorkers(BlitWorkers* workers);
BlitWorkers* blitWorkers();

// Settles the toolkit's process-wide answers that are otherwise made on first use (the math
// dispatch table, the processor's answers, the debug-mute entry points), so that threads
// started afterwards only read them. Call it on the first thread, before any other starts.
void prepareForWorkerThreads();
