// SPDX-License-Identifier: MIT
#include "fit_workers.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace quillane {

int fit_thread_count() {
    if (const char *text = std::getenv("QUILLANE_THREADS")) {
        int n = 0;
        const char *end = text + std::strlen(text);
        const auto r = std::from_chars(text, end, n);
        if (r.ec == std::errc() && r.ptr == end && n >= 1 && n <= kMaxFitThreads) return n;
    }
    const unsigned hardware = std::thread::hardware_concurrency();
    return std::clamp(static_cast<int>(hardware), 1, kMaxFitThreads);
}

WorkerGroup::WorkerGroup(int workers) {
    const int extra = std::clamp(workers, 1, kMaxFitThreads) - 1;
    threads_.reserve(static_cast<size_t>(extra));
    for (int w = 1; w <= extra; ++w)
        threads_.emplace_back([this, w] { thread_main(w); });
}

WorkerGroup::~WorkerGroup() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    start_.notify_all();
    threads_.clear();  // joins
}

void WorkerGroup::run_job(int tasks, Entry entry, void *task) {
    if (tasks <= 0) return;
    {
        std::lock_guard lock(mutex_);
        entry_ = entry;
        task_ = task;
        tasks_ = tasks;
        next_ = 0;
        busy_ = 0;
        error_ = nullptr;
        ++job_;
    }
    start_.notify_all();
    work(0);
    std::unique_lock lock(mutex_);
    done_.wait(lock, [&] { return busy_ == 0; });
    // No thread may pick up this job any more once it has returned.
    tasks_ = 0;
    if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
}

void WorkerGroup::work(int worker) {
    std::unique_lock lock(mutex_);
    ++busy_;
    while (next_ < tasks_) {
        const int t = next_++;
        const Entry entry = entry_;
        void *const task = task_;
        lock.unlock();
        try {
            entry(task, t, worker);
            lock.lock();
        } catch (...) {
            lock.lock();
            if (!error_) error_ = std::current_exception();
            next_ = tasks_;  // what has not started is skipped
        }
    }
    if (--busy_ == 0) done_.notify_all();
}

void WorkerGroup::thread_main(int worker) {
    unsigned long seen = 0;
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            start_.wait(lock, [&] { return stopping_ || (job_ != seen && next_ < tasks_); });
            if (stopping_) return;
            seen = job_;
        }
        work(worker);
    }
}

}  // namespace quillane
