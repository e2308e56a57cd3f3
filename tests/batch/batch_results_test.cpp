// SPDX-License-Identifier: MIT
// Results for other tools (CSV and JSON read back against the report) and
// watching a folder as scans arrive.
#include <signal.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <thread>

#include "batch_support.h"

namespace {

using namespace batch_test;

constexpr int kScans = 12;
// The report prints RMS values with 4 significant digits (D10.3).
constexpr double kPrintedPrecision = 5e-4;

std::string example(int k) {
    char name[32];
    std::snprintf(name, sizeof name, "/%05d.RA1", k);
    return std::string(QUILLANE_EXAMPLES_DIR) + name;
}

std::vector<std::string> csv_fields(const std::string &line) {
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            fields.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    fields.push_back(field);
    return fields;
}

class Results : public BatchRun {
  protected:
    std::vector<std::string> examples() const {
        std::vector<std::string> args{"--limits", "17.9", "25.4"};
        for (int k = 1; k <= kScans; ++k)
            args.push_back(example(k));
        return args;
    }
};

TEST_F(Results, CsvRowsAreTheReportsPairsOnePerOrderedPair) {
    std::vector<std::string> args{"--csv", "pairs.csv"};
    for (const std::string &a : examples())
        args.push_back(a);
    const Outcome r = run(args, {"LC_ALL=de_DE.UTF-8"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    std::istringstream csv(read_file(dir / "pairs.csv"));
    std::string line;
    std::getline(csv, line);
    EXPECT_EQ(line.rfind("reference_set,reference_file,compared_set,", 0), 0u);
    // " Ref 12 DS 11 VAR: 1.2345D-03 RMS: 1.234D-03": kind 1, each unordered pair once.
    const std::string report = read_file(dir / "quillane-report.txt");
    const std::regex kind1(R"( Ref +(\d+) DS +(\d+) VAR: *([-0-9.D+]+) RMS: *([-0-9.D+]+)\r\n)");
    std::map<std::pair<int, int>, double> printed;
    for (std::sregex_iterator m(report.begin(), report.end(), kind1), end; m != end; ++m) {
        std::string rms = (*m)[4];
        rms[rms.find('D')] = 'E';
        printed.emplace(std::pair{std::stoi((*m)[1]), std::stoi((*m)[2])}, std::stod(rms));
    }
    int rows = 0;
    while (std::getline(csv, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto f = csv_fields(line);
        ASSERT_EQ(f.size(), 18u) << line;
        ++rows;
        const int ref = std::stoi(f[0]), cmp = std::stoi(f[2]);
        EXPECT_EQ(f[1], example(ref));
        const double rms = std::stod(f[8]);
        const auto it = printed.find({ref, cmp});
        if (it == printed.end()) continue;  // the report lists the higher set as reference
        EXPECT_NEAR(rms, it->second, kPrintedPrecision * it->second) << line;
    }
    EXPECT_EQ(rows, kScans * (kScans - 1));
    EXPECT_EQ(printed.size(), static_cast<size_t>(kScans * (kScans - 1) / 2));
}

TEST_F(Results, JsonHoldsSetsPairsVerdictAndForecast) {
    std::vector<std::string> args{"--json", "run.json", "--assess"};
    for (const std::string &a : examples())
        args.push_back(a);
    const Outcome r = run(args);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const auto run_json = nlohmann::json::parse(read_file(dir / "run.json"));
    ASSERT_EQ(run_json["sets"].size(), static_cast<size_t>(kScans));
    EXPECT_EQ(run_json["pairs"].size(), static_cast<size_t>(kScans * (kScans - 1)));
    const auto &last = run_json["sets"][kScans - 1];
    EXPECT_EQ(last["set"], kScans);
    EXPECT_EQ(last["file"], example(kScans));
    EXPECT_EQ(last["time_s"], kScans * 7200.0);
    // The examples carry noise 0.005 and approach equilibrium with tau = 4 h.
    EXPECT_NEAR(last["noise"].get<double>(), 0.005, 0.0005);
    EXPECT_TRUE(run_json["equilibrium"]["reached"].get<bool>());
    EXPECT_NEAR(run_json["forecast"]["tau_s"].get<double>(), 4 * 3600.0, 0.1 * 4 * 3600.0);
    EXPECT_EQ(run_json["forecast"]["interval_s"].size(), 2u);
    EXPECT_EQ(run_json["equilibrium"]["decided_by"], "no offsets");
    EXPECT_EQ(run_json["equilibrium"]["block_scans"], 3);
    EXPECT_EQ(run_json["equilibrium"]["broken_by"], "no offsets");
    EXPECT_TRUE(run_json["equilibrium"]["drift"].empty());
    EXPECT_EQ(run_json["forecast"]["one_sided"], false);
    EXPECT_CONTAINS(r.out, "quillane-batch: equilibrium reached by scan");
    EXPECT_CONTAINS(read_file(dir / "quillane-report.txt"), "equilibrium reached by scan");
}

// Scans copied in one by one: one status line for each from the third on,
// and the watch ends once the verdict says equilibrium.  Its own results,
// written into the watched folder, are never taken for scans.
TEST_F(Results, AWatchedFolderIsFollowedUntilEquilibrium) {
    fs::create_directories(dir / "incoming");
    const pid_t watch =
        start({"--watch", "incoming", "--pattern", "*", "--interval", "0.1", "--until-equilibrium",
               "--limits", "17.9", "25.4", "--json", "incoming/run.json"},
              {}, -1, "watch");
    int copied = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (copied < kScans && std::chrono::steady_clock::now() < deadline) {
        const std::string out = read_file(dir / "stdoutwatch.txt");
        if (out.find("equilibrium reached; the watch ends") != std::string::npos) break;
        const size_t lines = std::count(out.begin(), out.end(), '\n');
        if (lines >= static_cast<size_t>(copied) + 1) {  // the watch saw the scans so far
            ++copied;
            fs::copy_file(example(copied), dir / "incoming" / fs::path(example(copied)).filename());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // A watch that has not ended by the deadline is asked to.
    while (read_file(dir / "stdoutwatch.txt").find("the watch ends") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    kill(watch, SIGTERM);
    const Outcome r = finish(watch, "watch");
    ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
    EXPECT_CONTAINS(r.out, "scan 2: 00002.RA1; waiting for at least 3 scans");
    EXPECT_CONTAINS(r.out, "scan 3: 00003.RA1, t = 6.00 h, RMS vs previous");
    EXPECT_CONTAINS(r.out, "equilibrium reached by scan");
    EXPECT_CONTAINS(r.out, "quillane-batch: equilibrium reached; the watch ends");
    EXPECT_LT(copied, kScans + 1);
    EXPECT_EQ(r.err.find("skipped"), std::string::npos) << r.err;
    const auto run_json = nlohmann::json::parse(read_file(dir / "incoming" / "run.json"));
    EXPECT_TRUE(run_json["equilibrium"]["reached"].get<bool>());
}

// Equilibrium is reached while a thirteenth scan is still being written (it
// grows at every look): the watch waits a few looks for it, then ends by
// its rule, and the scan left arriving is named, not counted a failure.
TEST_F(Results, AWatchEndingAtEquilibriumWithAScanStillArrivingEndsWell) {
    fs::create_directories(dir / "incoming");
    for (int k = 1; k <= kScans; ++k)
        fs::copy_file(example(k), dir / "incoming" / fs::path(example(k)).filename());
    const fs::path growing = dir / "incoming" / "00013.RA1";
    const pid_t watch = start({"--watch", "incoming", "--interval", "0.1", "--until-equilibrium",
                               "--limits", "17.9", "25.4"},
                              {}, -1, "watch");
    int status = 0;
    bool ended = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!(ended = waitpid(watch, &status, WNOHANG) == watch) &&
           std::chrono::steady_clock::now() < deadline) {
        std::ofstream(growing, std::ios::app) << "6.000 0.5\r\n";
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!ended) {
        kill(watch, SIGKILL);
        waitpid(watch, &status, 0);
    }
    ASSERT_TRUE(ended && WIFEXITED(status)) << "the watch has not ended";
    const std::string out = read_file(dir / "stdoutwatch.txt");
    const std::string err = read_file(dir / "stderrwatch.txt");
    EXPECT_EQ(WEXITSTATUS(status), 0) << err;
    EXPECT_CONTAINS(out, "quillane-batch: equilibrium reached; the watch ends");
    EXPECT_CONTAINS(err,
                    "note: 1 scan file was still arriving when the watch ended; it is not "
                    "used:\n  00013.RA1: it was still changing at the last look");
}

}  // namespace
