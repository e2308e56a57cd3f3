// SPDX-License-Identifier: MIT
// The fit's worker threads: every task of a job runs once, on any of the
// workers; a task's exception comes back to the caller; a group runs one
// job after another.
#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "fit_workers.h"
#include "test_support.h"

namespace quillane::testing {
namespace {

class WorkerGroupOf : public ::testing::TestWithParam<int> {};

TEST_P(WorkerGroupOf, RunsEveryTaskOfEveryJobOnceOnOneOfItsWorkers) {
    WorkerGroup group(GetParam());
    EXPECT_EQ(group.workers(), GetParam());
    for (int tasks : {0, 1, 7, 500}) {
        std::vector<std::atomic<int>> runs(static_cast<size_t>(tasks));
        std::atomic<bool> worker_out_of_range{false};
        auto task = [&](int t, int worker) {
            runs[static_cast<size_t>(t)].fetch_add(1);
            if (worker < 0 || worker >= group.workers()) worker_out_of_range = true;
        };
        group.run(tasks, task);
        for (int t = 0; t < tasks; ++t)
            EXPECT_EQ(runs[static_cast<size_t>(t)].load(), 1) << "task " << t << " of " << tasks;
        EXPECT_FALSE(worker_out_of_range.load());
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, WorkerGroupOf, ::testing::Values(1, 2, 4));

TEST(WorkerGroup, OfOneWorkerRunsEveryTaskOnTheCallersThread) {
    WorkerGroup group(1);
    const std::thread::id caller = std::this_thread::get_id();
    bool elsewhere = false;
    auto task = [&](int, int worker) {
        elsewhere = elsewhere || worker != 0 || std::this_thread::get_id() != caller;
    };
    group.run(20, task);
    EXPECT_FALSE(elsewhere);
}

TEST(WorkerGroup, ThrowsATasksExceptionAfterTheOtherTasksAndRunsTheNextJob) {
    WorkerGroup group(3);
    std::atomic<int> running{0};
    auto failing = [&](int t, int) {
        running.fetch_add(1);
        if (t == 5) throw std::out_of_range("task 5");
        running.fetch_sub(1);
    };
    EXPECT_THROW(group.run(40, failing), std::out_of_range);
    EXPECT_EQ(running.load(), 1) << "no other task is still running when run() returns";

    std::atomic<int> done{0};
    auto counting = [&](int, int) { done.fetch_add(1); };
    group.run(40, counting);
    EXPECT_EQ(done.load(), 40);
}

TEST(WorkerGroup, KeepsItsWorkerCountWithinOneAndTheLimit) {
    EXPECT_EQ(WorkerGroup(0).workers(), 1);
    EXPECT_EQ(WorkerGroup(kMaxFitThreads + 5).workers(), kMaxFitThreads);
}

}  // namespace
}  // namespace quillane::testing
