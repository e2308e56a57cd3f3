// SPDX-License-Identifier: MIT
// quillane-batch --watch on folders as instruments fill them: a scan
// written in chunks, a scan that never fills, several series with an
// instrument log among them, a folder that vanishes or is replaced by
// another, two watches writing one output, and a watch stuck on its report.
#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <nlohmann/json.hpp>
#include <thread>

#include "batch_support.h"

namespace {

using namespace batch_test;
using quillane::test_support::Scan;

// Looks of the watch: short, so the tests wait little; the pauses of the
// writers below are several of them long.
constexpr const char *kInterval = "0.1";
constexpr auto kWriterPause = std::chrono::milliseconds(400);
constexpr auto kPatience = std::chrono::seconds(60);

class Watch : public BatchRun {
  protected:
    void SetUp() override {
        BatchRun::SetUp();
        fs::create_directories(dir / "incoming");
    }

    std::string put(int k, const Scan &s) {
        char name[16];
        std::snprintf(name, sizeof name, "%05d.RA2", k);
        quillane::test_support::write_file(dir / "incoming" / name,
                                           quillane::test_support::scan_text(s));
        return name;
    }
    static Scan scan(int k, double rpm = 12000.0) {
        Scan s = quillane::test_support::exponential_scan(k);
        s.speed_rpm = rpm;
        return s;
    }

    pid_t watch(const std::vector<std::string> &more) {
        std::vector<std::string> args{"--watch", "incoming", "--interval", kInterval};
        args.insert(args.end(), more.begin(), more.end());
        for (const char *output : {"stdoutwatch.txt", "stderrwatch.txt"})
            fs::remove(dir / output);  // an earlier watch's
        return start(args, {}, -1, "watch");
    }

    // Waits until `done`; false after kPatience.
    static bool until(const std::function<bool()> &done) {
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (std::chrono::steady_clock::now() < deadline) {
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    // Waits until the watch has printed `text` to standard output (or
    // error); false after kPatience.
    bool printed(const std::string &text) {
        return until([&] {
            return read_file(dir / "stdoutwatch.txt").find(text) != std::string::npos ||
                   read_file(dir / "stderrwatch.txt").find(text) != std::string::npos;
        });
    }

    // Waits for the program started with `tag` to end; one that has not
    // after kPatience is killed (exit code -1).
    Outcome ended(pid_t pid, const std::string &tag) {
        int status = 0;
        if (!until([&] { return waitpid(pid, &status, WNOHANG) == pid; })) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                read_file(dir / ("stdout" + tag + ".txt")),
                read_file(dir / ("stderr" + tag + ".txt"))};
    }

    Outcome stop(pid_t pid) {
        kill(pid, SIGTERM);
        return finish(pid, "watch");
    }
};

// Scan 4 arrives in four chunks (cut inside a line, half the points, cut
// again, the rest); no status line is printed for it before it is whole.
// A scan left with its header only is named at the end: exit status 3.
TEST_F(Watch, AChunkedScanIsUsedWholeAndAScanNeverFilledIsCountedAtTheEnd) {
    for (int k = 1; k <= 3; ++k)
        put(k, scan(k));
    const pid_t pid = watch({});
    ASSERT_TRUE(printed("scan 3: 00003.RA2"));
    const std::string text = quillane::test_support::scan_text(scan(4));
    const size_t half =
        quillane::test_support::scan_text(quillane::test_support::exponential_scan(4, 60)).size();
    for (size_t end : {text.size() / 4, half, half + 25, text.size()}) {
        EXPECT_EQ(read_file(dir / "stdoutwatch.txt").find("scan 4:"), std::string::npos) << end;
        quillane::test_support::write_file(dir / "incoming" / "00004.RA2", text.substr(0, end));
        std::this_thread::sleep_for(kWriterPause);
    }
    ASSERT_TRUE(printed("scan 4: 00004.RA2, t = 4.00 h"));
    const Outcome so_far{0, read_file(dir / "stdoutwatch.txt"), read_file(dir / "stderrwatch.txt")};
    EXPECT_CONTAINS(so_far.err, "00004.RA2 waits: its last line is cut off");
    EXPECT_CONTAINS(so_far.err, "00004.RA2 waits: it has 60 points, fewer than 90 % of the 120");
    Scan header_only = scan(5);
    header_only.points.clear();
    put(5, header_only);
    ASSERT_TRUE(printed("00005.RA2 cannot be used yet: it holds no data points yet"));
    const Outcome r = stop(pid);
    EXPECT_EQ(r.exit_code, 3) << r.err;
    EXPECT_CONTAINS(r.err, "1 scan file was never used:\n  00005.RA2: it holds no data points yet");
}

// Two speeds interleaved, and the instrument's log: each series has its own
// status lines, report folder and JSON block; --series follows one alone.
TEST_F(Watch, EachSeriesOfAMixedFolderIsFollowedOnItsOwnOrOneIsChosen) {
    for (int k = 1; k <= 6; ++k)
        put(k, scan(k, k % 2 ? 12000.0 : 14000.0));
    quillane::test_support::write_file(dir / "incoming" / "CELL1ABS.LOG", "Cell 1\r\nlog\r\n");
    pid_t pid = watch({"--json", "run.json"});
    ASSERT_TRUE(printed("series 2 (14,000 rpm 280 nm): scan 3: 00006.RA2"));
    ASSERT_TRUE(printed("series 1 (12,000 rpm 280 nm): scan 3: 00005.RA2"));
    Outcome r = stop(pid);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_CONTAINS(r.err, "note: CELL1ABS.LOG has no time line, so it is no scan: ignored");
    EXPECT_TRUE(fs::exists(dir / "series-1" / "quillane-report.txt"));
    EXPECT_TRUE(fs::exists(dir / "series-2" / "quillane-report.txt"));
    const auto blocks = nlohmann::json::parse(read_file(dir / "run.json"))["series"];
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[1]["series"]["name"], "14,000 rpm 280 nm");
    EXPECT_EQ(blocks[1]["sets"].size(), 3u);

    pid = watch({"--series", "14000rpm", "--out", "one.txt"});
    ASSERT_TRUE(printed("scan 3: 00006.RA2"));
    r = stop(pid);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out.find("00005.RA2"), std::string::npos) << r.out;
    EXPECT_CONTAINS(r.err, "series 1 (12,000 rpm 280 nm) is not followed");
    EXPECT_TRUE(fs::exists(dir / "one.txt"));
}

// The folder vanishes, or another made under its name takes its place (at
// once) with scans of another run: the watch ends with a failure, and the
// outputs of the run it followed stay as they were.
class FolderGone : public Watch, public ::testing::WithParamInterface<bool> {};

TEST_P(FolderGone, TheWatchEndsWithAFailureAndKeepsItsOutputs) {
    const bool replaced = GetParam();
    for (int k = 1; k <= 3; ++k)
        put(k, scan(k));
    const pid_t pid = watch({"--json", "run.json"});
    ASSERT_TRUE(printed("scan 3: 00003.RA2"));
    ASSERT_TRUE(until([&] { return fs::exists(dir / "run.json"); }));  // written after the line
    const std::string report = read_file(dir / "quillane-report.txt");
    const std::string json = read_file(dir / "run.json");
    if (replaced) {
        const fs::path other = dir / "other";
        fs::create_directories(other);
        for (int k = 1; k <= 4; ++k)
            quillane::test_support::write_file(other / ("0000" + std::to_string(k) + ".RA2"),
                                               quillane::test_support::scan_text(scan(k, 9000)));
        ASSERT_EQ(::renameat2(AT_FDCWD, other.c_str(), AT_FDCWD, (dir / "incoming").c_str(),
                              RENAME_EXCHANGE),
                  0);
    } else {
        fs::remove_all(dir / "incoming");
    }
    const Outcome r = ended(pid, "watch");
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_CONTAINS(r.err, replaced ? "the watched folder incoming was replaced by another folder"
                                    : "the watched folder incoming is gone; the watch ends");
    EXPECT_EQ(read_file(dir / "quillane-report.txt"), report);
    EXPECT_EQ(read_file(dir / "run.json"), json);
}

INSTANTIATE_TEST_SUITE_P(VanishedOrReplaced, FolderGone, ::testing::Bool());

// A second watch naming an output of a running one is refused, naming it;
// the lock goes with the first watch, and a lock file left by a process
// that died blocks no one.
TEST_F(Watch, ASecondWatchWritingTheSameOutputIsRefused) {
    for (int k = 1; k <= 3; ++k)
        put(k, scan(k));
    const pid_t first = watch({"--json", "run.json"});
    ASSERT_TRUE(printed("scan 3: 00003.RA2"));
    const Outcome second =
        ended(start({"--watch", "incoming", "--out", "other.txt", "--json", "run.json"}, {}, -1,
                    "second"),
              "second");
    EXPECT_EQ(second.exit_code, 2);
    EXPECT_CONTAINS(second.err, "--json run.json is written by another watch, process " +
                                    std::to_string(first));
    EXPECT_EQ(stop(first).exit_code, 0);
    EXPECT_FALSE(fs::exists(dir / ".run.json.lock"));
    quillane::test_support::write_file(dir / ".run.json.lock", "999999\n");
    const pid_t third = watch({"--json", "run.json"});
    ASSERT_TRUE(printed("scan 3: 00003.RA2"));
    EXPECT_EQ(stop(third).exit_code, 0);
}

// An output that is a named pipe no one reads would hold the watch in its
// open for good: it is refused before the watch begins.
TEST_F(Watch, AReportThatIsANamedPipeIsRefusedBeforeTheWatchCouldWaitOnIt) {
    for (int k = 1; k <= 3; ++k)
        put(k, scan(k));
    ASSERT_EQ(::mkfifo((dir / "report.fifo").c_str(), 0600), 0);
    const Outcome r = run({"--watch", "incoming", "--out", "report.fifo"});
    EXPECT_NE(r.exit_code, 0);
    EXPECT_CONTAINS(r.err, "named pipe");
    EXPECT_TRUE(fs::is_fifo(dir / "report.fifo"));
}

TEST_F(Watch, AnUnknownSeriesIsRefusedWithTheListOfTheFolder) {
    for (int k = 1; k <= 3; ++k)
        put(k, scan(k));
    const Outcome r = run({"--watch", "incoming", "--series", "2"});
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_CONTAINS(r.err,
                    "--series 2: there is no series 2: the folder holds 1 series\n"
                    "  1: 12000 rpm, 280 nm, 3 scans, 00001.RA2 ... 00003.RA2");
}

}  // namespace
