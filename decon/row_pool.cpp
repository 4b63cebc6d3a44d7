#include "decon/row_pool.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

RowPool::RowPool(int threads) {
    for (int slot = 1; slot < threads; ++slot) {
        try {
            workers_.emplace_back([this, slot] { WorkerLoop(slot); });
        } catch (const std::system_error&) {
            break;  // carry on with the threads we have
        }
    }
}

RowPool::~RowPool() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& worker : workers_) worker.join();
}

void RowPool::Run(Job job) {
    const int rows = job.end - job.begin;
    job.chunk = std::max(1, rows / (Threads() * std::max(1, job.pieces)));
    if (workers_.empty() || rows == 1) {
        job.call(job.body, job.begin, job.end, 0);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        job_ = job;
        next_.store(job.begin, std::memory_order_relaxed);
        running_ = static_cast<int>(workers_.size());
        ++generation_;
    }
    wake_.notify_all();
    Work(0);
    std::unique_lock<std::mutex> lock(mutex_);
    finished_.wait(lock, [this] { return running_ == 0; });
}

void RowPool::Work(int slot) {
    for (;;) {
        const int first = next_.fetch_add(job_.chunk, std::memory_order_relaxed);
        if (first >= job_.end) return;
        job_.call(job_.body, first, std::min(first + job_.chunk, job_.end), slot);
    }
}

void RowPool::WorkerLoop(int slot) {
    uint64_t seen = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
            if (stopping_) return;
            seen = generation_;
        }
        Work(slot);
        std::lock_guard<std::mutex> lock(mutex_);
        if (--running_ == 0) finished_.notify_one();
    }
}

int DefaultDeconThreads() {
    if (const char* text = std::getenv("QV_DECON_THREADS")) {
        const int threads = std::atoi(text);
        if (threads >= 1) return std::min(threads, 256);
    }
    return std::max(1u, std::thread::hardware_concurrency());
}
