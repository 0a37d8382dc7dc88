// The conversion's workers: a queue of tasks and a list of band groups under one lock. A free
// worker takes bands before tasks, so a waiting task is unblocked before new work starts.
#include "tools/texkit/work_pool.h"

#include <algorithm>

WorkPool::WorkPool(unsigned threads, std::function<void(unsigned worker)> startWorker)
    : startWorker_(std::move(startWorker)) {
    const unsigned count = std::max(threads, 1u);
    threads_.reserve(count);
    for (unsigned i = 0; i < count; ++i)
        threads_.emplace_back([this, i] { workerLoop(i); });
}

WorkPool::~WorkPool() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    workAvailable_.notify_all();
    for (std::thread& thread : threads_)
        thread.join();
}

void WorkPool::submit(std::function<void(unsigned worker)> task) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    workAvailable_.notify_one();
}

void WorkPool::dropQueued() {
    std::lock_guard<std::mutex> lock(mutex_);
    tasks_.clear();
}

bool WorkPool::waitUntilIdle(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    return progress_.wait_for(lock, timeout, [this] { return tasks_.empty() && busyTasks_ == 0; });
}

bool WorkPool::runOneBand(std::unique_lock<std::mutex>& lock, Bands* only) {
    Bands* bands = only;
    if (bands == nullptr) {
        if (bands_.empty())
            return false;
        bands = bands_.front();
    }
    if (bands->next >= bands->count)
        return false;
    const uint32_t index = bands->next++;
    if (bands->next == bands->count)
        bands_.erase(std::find(bands_.begin(), bands_.end(), bands));
    lock.unlock();
    bands->job(bands->context, index);
    lock.lock();
    if (++bands->finished == bands->count)
        progress_.notify_all();
    return true;
}

void WorkPool::run(uint32_t count, void (*job)(void* context, uint32_t index), void* context) {
    if (count == 0)
        return;
    Bands bands = {job, context, count};
    std::unique_lock<std::mutex> lock(mutex_);
    bands_.push_back(&bands);
    workAvailable_.notify_all();
    // The caller works on its own bands only, so it returns as soon as they are done.
    while (runOneBand(lock, &bands)) {
    }
    progress_.wait(lock, [&bands] { return bands.finished == bands.count; });
}

void WorkPool::workerLoop(unsigned index) {
    if (startWorker_)
        startWorker_(index);
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        workAvailable_.wait(lock,
                            [this] { return stopping_ || !bands_.empty() || !tasks_.empty(); });
        if (runOneBand(lock, nullptr))
            continue;
        if (!tasks_.empty()) {
            std::function<void(unsigned)> task = std::move(tasks_.front());
            tasks_.pop_front();
            ++busyTasks_;
            lock.unlock();
            task(index);
            lock.lock();
            --busyTasks_;
            progress_.notify_all();
            continue;
        }
        if (stopping_)
            return;
    }
}
