#pragma once
// A small fixed pool of threads that share out the rows of one loop. The
// calling thread works too; the call returns when every row is done. Which
// thread takes which row varies from run to run, so the work for a row must
// depend on nothing but the row.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

class RowPool {
public:
    // threads counts the caller; fewer are used if the system refuses more.
    explicit RowPool(int threads);
    ~RowPool();
    RowPool(const RowPool&) = delete;
    RowPool& operator=(const RowPool&) = delete;

    int Threads() const { return static_cast<int>(workers_.size()) + 1; }

    // Calls body(first, last, slot) on consecutive pieces [first, last) of
    // [begin, end), about piecesPerThread for each thread; slot (0 ..
    // Threads() - 1) names the thread, for scratch.
    template <class Body>
    void ForRows(int begin, int end, Body&& body, int piecesPerThread = 8) {
        if (end <= begin) return;
        Job job;
        job.call = [](void* b, int first, int last, int slot) {
            (*static_cast<Body*>(b))(first, last, slot);
        };
        job.body = &body;
        job.begin = begin;
        job.end = end;
        job.pieces = piecesPerThread;
        Run(job);
    }

private:
    struct Job {
        void (*call)(void*, int, int, int) = nullptr;
        void* body = nullptr;
        int begin = 0;
        int end = 0;
        int chunk = 1;
        int pieces = 8;
    };

    void Run(Job job);
    void Work(int slot);
    void WorkerLoop(int slot);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    uint64_t generation_ = 0;
    int running_ = 0;
    bool stopping_ = false;
    Job job_;
    std::atomic<int> next_{0};
    std::vector<std::thread> workers_;
};

// The number of threads the engine uses unless told otherwise: the
// environment's QV_DECON_THREADS, else the machine's core count.
int DefaultDeconThreads();
