// SPDX-License-Identifier: MIT
// Timing of the headless runner from start to exit on the twelve example
// absorbance scans, with every plot drawn as a PNG image: the program is
// started as a user would start it and waited for.  It draws offscreen, so
// no display is needed.  Plot files and images go to a scratch folder in
// the temporary folder, emptied before every run and removed at the end.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"

extern char **environ;

namespace {

namespace fs = std::filesystem;

fs::path folder() {
    return fs::temp_directory_path() / "quillane-batch-bench";
}

std::vector<std::string> example_scans() {
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(QUILLANE_EXAMPLES_DIR))
        if (entry.path().extension() == ".RA1") names.push_back(entry.path().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Runs the program with `args`; its exit status, or -1 when it did not run.
int run(const std::vector<std::string> &args) {
    std::vector<char *> argv;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

void BM_BatchTwelveExamplesWithPngImages(benchmark::State &state) {
    const std::vector<std::string> scans = example_scans();
    const fs::path plots = folder() / "plots";
    std::vector<std::string> args = {
        QUILLANE_BATCH_PATH, "--out", (folder() / "report.txt").string(), "--plots", plots.string(),
        "--images",          "png"};
    args.insert(args.end(), scans.begin(), scans.end());
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(folder());
        fs::create_directories(folder());
        state.ResumeTiming();
        if (run(args) != 0) {
            state.SkipWithError("quillane-batch failed");
            break;
        }
    }
    state.counters["scan_files"] = static_cast<double>(scans.size());
}

BENCHMARK(BM_BatchTwelveExamplesWithPngImages)->Apply(quillane::bench::with_spread);

}  // namespace

int main(int argc, char **argv) {
    return quillane::bench::run_benchmarks(argc, argv, folder());
}
