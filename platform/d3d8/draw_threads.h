// The draw threads of one device: made once, on the first play of recorded draws that wants
// them, and joined when the device goes. The calling thread is one of them, so a play on N
// threads makes N - 1. A run is a number of chunks of work, each thread's own share a run of
// neighbouring chunks, which it takes one by one (the same rows frame after frame stay in its
// cache); a thread that is done takes what is left of the others' shares, so a thread the
// system does not schedule in time is never waited for. A run may also be launched and joined
// later: the workers start on it while the caller does something else, and the caller takes
// what is left when it joins.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

namespace d3d8 {

// The largest thread count a device takes, D3D8_THREADS included.
constexpr unsigned MaxDrawThreads = 64;

// The thread count of a device made now: platform_ext::setDrawThreadCount, else the variable
// D3D8_THREADS, else the number of processors; 1 to MaxDrawThreads.
unsigned configuredDrawThreadCount();

class DrawThreads {
public:
    using Job = void (*)(void* context, unsigned chunk);
    static constexpr unsigned MaxChunks = 0xFFFF;

    explicit DrawThreads(unsigned count) : count_(count) {}
    ~DrawThreads();
    DrawThreads(const DrawThreads&) = delete;
    DrawThreads& operator=(const DrawThreads&) = delete;

    // Makes the threads if they are not there yet and waits until each runs, so that what
    // starting a thread costs (its memory included) is over when this returns; false when the
    // system gives none, and then none is left running.
    bool start();
    unsigned count() const { return count_; }

    // Runs job(context, c) once for every chunk c below `chunks` (at most MaxChunks), on the
    // caller and the workers, and returns when all have returned. Only one thread calls run,
    // launch and join, and never before start() succeeded.
    // The workers then sleep at once: nothing more is expected soon.
    void run(Job job, void* context, unsigned chunks) {
        launch(job, context, chunks, false);
        join();
    }
    // The same in two steps: launch hands the run to the workers and returns at once (at most
    // one run is launched and not joined); join runs what is left of it on the caller and
    // returns when every chunk is done. `context` must live until join returns. With
    // `moreSoon`, a worker out of chunks watches briefly for the next run before it sleeps.
    void launch(Job job, void* context, unsigned chunks, bool moreSoon);
    void join();
    // True when every chunk of the launched run is done: join would not wait.
    bool finished() const { return finished_.load(std::memory_order_acquire) == chunks_; }

private:
    void work(uint32_t generation, unsigned index);
    // Takes and runs chunks of run `generation`, first of thread `index`'s share, until none
    // is left or another run began.
    void runChunks(uint32_t generation, unsigned index);

    const unsigned count_;
    std::vector<std::thread> workers_;
    // Written by the caller before a run is published, read by the threads that took a chunk.
    Job job_ = nullptr;
    void* context_ = nullptr;
    uint32_t launched_ = 0; // the generation of the run launched last
    // Bumped once per run (and to stop): what the workers sleep on.
    std::atomic<uint32_t> generation_{0};
    unsigned chunks_ = 0;
    // Each thread's share: the run's generation (bits 32 to 63), the end of the share (16 to 31)
    // and its next chunk (0 to 15), in one word, so that a thread late for a run cannot take a
    // chunk of the next.
    std::atomic<uint64_t> shares_[MaxDrawThreads] = {};
    // Chunks of the current run done: what the caller waits on.
    std::atomic<uint32_t> finished_{0};
    std::atomic<bool> stopping_{false};
    std::atomic<bool> moreSoon_{false}; // a hint, read by workers as they run out of chunks
    std::atomic<uint32_t> started_{0}; // workers that began to run
};

} // namespace d3d8
