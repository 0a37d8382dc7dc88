// The workers of a conversion: N threads that take whole tasks (one file each) and, when a task
// hands the blit engine a large job, the bands of that job too, so that one large texture also
// keeps every worker busy.
#pragma once

#include "blit/blit_workers.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class WorkPool final : public BlitWorkers {
public:
    // Starts `threads` workers (at least one). Each calls `startWorker(index)` once before its
    // first task, on its own thread: the place for per-thread state such as a device.
    WorkPool(unsigned threads, std::function<void(unsigned worker)> startWorker);
    // Finishes the queued tasks, then joins the workers.
    ~WorkPool();
    WorkPool(const WorkPool&) = delete;
    WorkPool& operator=(const WorkPool&) = delete;

    // Queues a task; tasks start in the order they were queued, each told the index of the
    // worker that runs it.
    void submit(std::function<void(unsigned worker)> task);
    // Drops the tasks that have not started (after an interruption).
    void dropQueued();
    // True when every queued task has finished, false when `timeout` passed first.
    bool waitUntilIdle(std::chrono::milliseconds timeout);

    // BlitWorkers: the bands of one job, shared with idle workers; the caller works on them too.
    void run(uint32_t count, void (*job)(void* context, uint32_t index), void* context) override;

    unsigned threadCount() const { return unsigned(threads_.size()); }

private:
    // The bands of one run: handed out by `next`, counted back in by `finished`.
    struct Bands {
        void (*job)(void*, uint32_t);
        void* context;
        uint32_t count;
        uint32_t next = 0;
        uint32_t finished = 0;
    };

    void workerLoop(unsigned index);
    // Runs one band of the first group with bands left; false when there is none. Takes and
    // gives back the lock.
    bool runOneBand(std::unique_lock<std::mutex>& lock, Bands* only);

    std::function<void(unsigned)> startWorker_;
    std::mutex mutex_;
    std::condition_variable workAvailable_; // a task or a band was queued, or the pool stops
    std::condition_variable progress_;      // a band or a task finished
    std::deque<std::function<void(unsigned)>> tasks_;
    std::vector<Bands*> bands_; // runs with bands not yet handed out
    unsigned busyTasks_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};
