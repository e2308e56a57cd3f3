// SPDX-License-Identifier: MIT
// The scratch folder, scan files and program runs shared by the tests of
// quillane-batch.
#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "scan_files.h"

namespace batch_test {

namespace fs = std::filesystem;

using quillane::test_support::read_file;

struct Outcome {
    int exit_code = -1;
    std::string out;
    std::string err;
};

class BatchRun : public ::testing::Test {
  protected:
    quillane::test_support::ScratchFolder scratch_;
    fs::path dir = scratch_.path();
    std::string program = QUILLANE_BATCH_PATH;  // the runner to start
    bool ignore_file_size_signal = true;        // with a file-size limit

    // A scan of `points` points from 6.0 cm outward, an exponential
    // gradient that rises by `growth` with every scan number.
    std::string scan(int k, int points = 120, double growth = 0.001) {
        const std::string name = "scan" + std::to_string(k) + ".RA1";
        quillane::test_support::write_file(
            dir / name, quillane::test_support::scan_text(
                            quillane::test_support::exponential_scan(k, points, growth)));
        return name;
    }

    // Runs the program in the scratch folder with the given arguments and
    // environment changes: "NAME=value" sets a variable, a bare "NAME"
    // removes it.  With `file_size_limit` no file the program writes can
    // grow beyond that many bytes, as on a full disk.
    Outcome run(const std::vector<std::string> &args, const std::vector<std::string> &env = {},
                long file_size_limit = -1) {
        const pid_t pid = start(args, env, file_size_limit, "");
        return finish(pid, "");
    }

    // Starts the program without waiting; `tag` names its output files.
    pid_t start(const std::vector<std::string> &args, const std::vector<std::string> &env = {},
                long file_size_limit = -1, const std::string &tag = "") {
        const fs::path out = dir / ("stdout" + tag + ".txt");
        const fs::path err = dir / ("stderr" + tag + ".txt");
        const pid_t pid = fork();
        if (pid == 0) {
            if (chdir(dir.c_str()) != 0) _exit(127);
            if (!freopen(out.c_str(), "w", stdout) || !freopen(err.c_str(), "w", stderr))
                _exit(127);
            if (file_size_limit >= 0) {
                // A write past the limit then fails with EFBIG instead of
                // ending the process.
                if (ignore_file_size_signal) signal(SIGXFSZ, SIG_IGN);
                const rlimit limit{static_cast<rlim_t>(file_size_limit),
                                   static_cast<rlim_t>(file_size_limit)};
                setrlimit(RLIMIT_FSIZE, &limit);
            }
            for (const std::string &e : env) {
                if (e.find('=') == std::string::npos)
                    unsetenv(e.c_str());
                else
                    putenv(const_cast<char *>(e.c_str()));
            }
            std::vector<char *> argv{const_cast<char *>(program.c_str())};
            for (const std::string &a : args)
                argv.push_back(const_cast<char *>(a.c_str()));
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        return pid;
    }

    // Waits for a program started with `tag` and collects what it wrote.
    Outcome finish(pid_t pid, const std::string &tag) {
        int status = 0;
        waitpid(pid, &status, 0);
        Outcome r;
        r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = read_file(dir / ("stdout" + tag + ".txt"));
        r.err = read_file(dir / ("stderr" + tag + ".txt"));
        return r;
    }
};

#define EXPECT_CONTAINS(text, part) \
    EXPECT_NE((text).find(part), std::string::npos) << "in: " << (text)

}  // namespace batch_test
