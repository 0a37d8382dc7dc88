// The draw threads of one device: made once, on the first play of recorded draws that wants
// them, and joined when the device goes. The calling thread is one of them, so a play on N
// threads makes N - 1.
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
    using Job = void (*)(void* context, unsigned index);

    explicit DrawThreads(unsigned count) : count_(count) {}
    ~DrawThreads();
    DrawThreads(const DrawThreads&) = delete;
    DrawThreads& operator=(const DrawThreads&) = delete;

    // Makes the threads if they are not there yet; false when the system gives none, and
    // then none is left running.
    bool start();
    unsigned count() const { return count_; }

    // Runs job(context, i) for every i below count(), 0 on the caller, and returns when all
    // have returned. Only one thread calls run, and never before start() succeeded.
    void run(Job job, void* context);

private:
    void work(unsigned index);

    const unsigned count_;
    std::vector<std::thread> workers_;
    Job job_ = nullptr;
    void* context_ = nullptr;
    // Bumped once per run (and to stop): what the workers wait on.
    std::atomic<uint32_t> generation_{0};
    // Workers still in the current run: what the caller waits on.
    std::atomic<uint32_t> running_{0};
    std::atomic<bool> stopping_{false};
};

} // namespace d3d8
