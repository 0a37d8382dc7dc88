// The draw threads of one device: made once, on the first play of recorded draws that wants
// them, and joined when the device goes. The calling thread is one of them, so a play on N
// threads makes N - 1. A run is a number of chunks of work, each thread's own share a run of
// neighbouring chunks, which it takes one by one (the same rows frame after frame stay in its
// cache); a thread that is done takes what is left of the others' shares, so a thread the
// system does not schedule in time is never waited for. A run may also be launched and joined
// later: the workers start on it while the caller does something else, and the caller takes
// what is left when it joins. Between runs a worker watches for the next one as long as runs
// have lately come close together (a game's frames), and sleeps otherwise.
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
    void run(Job job, void* context, unsigned chunks) {
        launch(job, context, chunks);
        join();
    }
    // The same in two steps: launch hands the run to the workers and returns at once (at most
    // one run is launched and not joined); join runs what is left of it on the caller and
    // returns when every chunk is done. `context` must live until join returns.
    void launch(Job job, void* context, unsigned chunks);
    void join();
    // Adds a second part to the launched run (once): job(context, c) for every c below
    // `chunks`. No chunk of it is taken before every chunk of the first part has been taken, so
    // a chunk of the second part may wait for the chunks of the first it depends on: they are
    // running. join then waits for both parts.
    void extend(Job job, void* context, unsigned chunks);
    // Wakes the sleeping workers, if any, to watch for a run expected soon, so that it does
    // not wait for their wake-up. Not while a run is launched and not joined.
    void wake();
    // True when every chunk of the launched run is done: join would not wait.
    bool finished() const {
        return finished_.load(std::memory_order_acquire) == target_.load(std::memory_order_relaxed);
    }

private:
    void work(uint32_t generation, unsigned index);
    // Publishes run `generation` (its shares already written) and wakes the sleepers.
    void publish(uint32_t generation, bool wakeOnly);
    void launchRun(Job job, void* context, unsigned chunks, bool wakeOnly);
    // Takes and runs chunks of run `generation`, first of thread `index`'s share, until none
    // is left or another run began: those of the first part, then those of the second.
    void runChunks(uint32_t generation, unsigned index);
    // Takes and runs chunks from `shares` while the word's generation is `generation`; false
    // when another run began.
    bool runPart(std::atomic<uint64_t>* shares, uint32_t generation, unsigned index);

    const unsigned count_;
    std::vector<std::thread> workers_;
    // A run's jobs: chunks below firstChunks are the first part's, the others the second's.
    struct Jobs {
        Job first = nullptr;
        void* firstContext = nullptr;
        Job second = nullptr;
        void* secondContext = nullptr;
        unsigned firstChunks = 0;
    };
    // Written by the caller before a run is published, read by the threads that took a chunk;
    // generation g uses slot g & 1, so that extending a run keeps the jobs of the chunks that
    // began under its previous generation intact.
    Jobs jobs_[2];
    uint32_t launched_ = 0; // the generation of the run launched last
    // Bumped once per run (and to stop): what the workers sleep on.
    std::atomic<uint32_t> generation_{0};
    // Chunks of the launched run, both parts.
    std::atomic<uint32_t> target_{0};
    // Each thread's share: the run's generation (bits 32 to 63), the end of the share (16 to 31)
    // and its next chunk (0 to 15), in one word, so that a thread late for a run cannot take a
    // chunk of the next.
    std::atomic<uint64_t> shares_[MaxDrawThreads] = {};
    std::atomic<uint64_t> secondShares_[MaxDrawThreads] = {}; // the same for the second part
    // Chunks done of those counted in target_: what the caller waits on.
    std::atomic<uint32_t> finished_{0};
    std::atomic<bool> stopping_{false};
    // Hints for the workers' watching, read with the generation: when the caller published it
    // (breakdownNow), and whether it is a wake-up without work.
    std::atomic<uint64_t> publishedAt_{0};
    std::atomic<bool> wakeOnly_{false};
    std::atomic<unsigned> sleepers_{0}; // workers asleep, or about to be
    std::atomic<uint32_t> started_{0}; // workers that began to run
};

} // namespace d3d8
