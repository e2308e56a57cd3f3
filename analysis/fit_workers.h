// SPDX-License-Identifier: MIT
// Worker threads of the fit.  The sets' differentiations are independent of
// each other, and so are the ordered pairs of the matching, so both are
// shared out over a fixed group of threads.  Every task writes only its own
// slots of the result tables and its own output buffer; the caller then
// hands the report lines over in task order, so the results do not depend
// on the number of threads or on which thread ran which task.
//
// The caller's thread works as one of the group; only it may talk to the
// list box.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace quillane {

// Threads of a fit: QUILLANE_THREADS when it holds a whole number from 1 to
// kMaxFitThreads, else the number the hardware runs at once (at least 1).
int fit_thread_count();
inline constexpr int kMaxFitThreads = 64;

// A group of `workers` threads (the caller's included) that runs jobs of
// numbered tasks.  The extra threads are started once and wait between
// jobs, so a job itself allocates nothing.
class WorkerGroup {
  public:
    explicit WorkerGroup(int workers);
    ~WorkerGroup();
    WorkerGroup(const WorkerGroup &) = delete;
    WorkerGroup &operator=(const WorkerGroup &) = delete;

    int workers() const { return static_cast<int>(threads_.size()) + 1; }

    // Runs task(t, worker) for every t in 0..tasks-1, each once, on any
    // worker (0 is the caller's thread), and returns when all are done.
    // Tasks are handed out in rising order.  The first exception a task
    // throws is thrown again here after the others have finished; the
    // tasks not yet started are then skipped.
    template <typename Task>
    void run(int tasks, Task &task) {
        run_job(tasks, &call<Task>, &task);
    }

  private:
    using Entry = void (*)(void *task, int t, int worker);
    template <typename Task>
    static void call(void *task, int t, int worker) {
        (*static_cast<Task *>(task))(t, worker);
    }

    void run_job(int tasks, Entry entry, void *task);
    void work(int worker);         // runs tasks of the current job until none is left
    void thread_main(int worker);  // an extra thread: waits for jobs

    std::vector<std::jthread> threads_;
    std::mutex mutex_;
    std::condition_variable start_;
    std::condition_variable done_;
    // The current job, guarded by mutex_.
    Entry entry_ = nullptr;
    void *task_ = nullptr;
    int tasks_ = 0;
    int next_ = 0;           // next task to hand out
    int busy_ = 0;           // workers inside the current job
    unsigned long job_ = 0;  // counts the jobs, so a thread joins each once
    bool stopping_ = false;
    std::exception_ptr error_;  // the first exception of the current job
};

}  // namespace quillane
