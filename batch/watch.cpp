#include "watch.h"

#include <fnmatch.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <thread>

#include "workflow.h"

namespace batch {
namespace {

namespace fs = std::filesystem;
using quillane::session::Session;

constexpr int kMaxScans = quillane::session::kMaxDataSets;

std::atomic<bool> g_stop{false};

void ask_to_stop(int) {
    g_stop = true;
}

// What a file looked like at the last look: a scan is taken once it looked
// the same twice in a row.
struct Seen {
    std::uintmax_t size = 0;
    fs::file_time_type time;
};

std::string value(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3e", v);
    return text;
}

// Sleeps about `seconds`, waking early when asked to stop.
void pause(double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!g_stop && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

// The runner's own outputs (and their temporary copies) are not scans, even
// when they lie in the folder and the pattern takes them.
bool is_output(const Options &o, const fs::path &file) {
    std::error_code ec;
    const std::string here = fs::weakly_canonical(file, ec).string();
    for (const auto &[option, path] : output_files(o)) {
        const std::string out = fs::weakly_canonical(path, ec).string();
        if (here == out || here.rfind(out + ".tmp-", 0) == 0) return true;
    }
    return false;
}

// The files of the folder that match the pattern, by name.
std::vector<std::string> scan_files(const Options &o) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto &entry : fs::directory_iterator(o.watch, ec)) {
        if (!entry.is_regular_file(ec)) continue;
        const std::string name = entry.path().filename().string();
        if (name.empty() || name[0] == '.') continue;
        if (fnmatch(o.pattern.c_str(), name.c_str(), 0) != 0) continue;
        if (is_output(o, entry.path())) continue;
        names.push_back(entry.path().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// One line about the latest scan: its distance to the one before and to the
// first, the noise, the verdict and the forecast.
void print_status(const Session &s, const quillane::session::Assessment &a, bool assessed) {
    const int n = s.active_count();
    const auto latest = s.active_set(n);
    std::string line = "scan " + std::to_string(n) + ": " +
                       fs::path(s.active_file_name(n)).filename().string() +
                       ", t = " + hours(latest.time_s);
    const auto previous = s.pair_result(n, n - 1);
    const auto first = s.pair_result(n, 1);
    if (previous.status != 0) line += ", RMS vs previous " + value(previous.rms[0]);
    if (first.status != 0) line += ", vs first " + value(first.rms[0]);
    if (assessed && a.pooled.dof > 0) line += ", noise " + value(a.pooled.sigma);
    if (assessed) {
        line += "; " + a.verdict.text;
        const auto &f = a.forecast;
        if (f.made)
            line += "; forecast " + hours(f.equilibrium_time_s) + " [" + hours(f.interval_low_s) +
                    ", " + hours(f.interval_high_s) + "]";
        else
            line += "; no forecast: " + f.reason;
    }
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

}  // namespace

int watch_folder(const Options &o, Session &session, std::string &error) {
    std::error_code ec;
    if (!fs::is_directory(o.watch, ec)) {
        error = "--watch " + o.watch + " is not a folder";
        return kExitUsage;
    }
    g_stop = false;
    std::signal(SIGINT, ask_to_stop);
    std::signal(SIGTERM, ask_to_stop);
    // The library's lines would drown the status lines: they go to the
    // report only.
    quiet(session);
    session.set_plot_file((fs::path(o.watch) / ".quillane-watch-plot.dat").string());

    std::map<std::string, Seen> pending;
    std::vector<std::string> taken;  // stable scans, in name order
    std::set<std::string> skipped;   // files that gave no data
    bool told_limit = false;
    bool told_series = false;
    // The scans taken have changed since the last analysis.
    bool changed = false;
    size_t problem_count = 0;
    std::printf("quillane-batch: watching %s for %s (Ctrl+C ends)\n", o.watch.c_str(),
                o.pattern.c_str());
    std::fflush(stdout);
    // Ends the watch: its exit status tells whether everything was written.
    const auto finish = [&](const char *why) {
        std::printf("quillane-batch: %s\n", why);
        if (problem_count == 0) return kExitOk;
        error = "the watch is incomplete: " + std::to_string(problem_count) +
                (problem_count == 1 ? " problem" : " problems") + " (listed above)";
        return kExitFailed;
    };
    while (!g_stop) {
        for (const std::string &file : scan_files(o)) {
            if (skipped.count(file) || std::find(taken.begin(), taken.end(), file) != taken.end())
                continue;
            std::error_code size_ec, time_ec;
            Seen now{fs::file_size(file, size_ec), fs::last_write_time(file, time_ec)};
            if (size_ec || time_ec) continue;
            auto it = pending.find(file);
            if (it != pending.end() && it->second.size == now.size && it->second.time == now.time &&
                now.size > 0) {
                taken.push_back(file);
                pending.erase(it);
                changed = true;
            } else {
                pending[file] = now;
            }
        }
        if (changed) {
            changed = false;
            std::sort(taken.begin(), taken.end());
            std::vector<std::string> files = taken;
            if (static_cast<int>(files.size()) > kMaxScans) {
                files.erase(files.begin(), files.end() - kMaxScans);
                if (!told_limit)
                    std::fprintf(stderr,
                                 "quillane-batch: more than 50 scans: the latest 50 are used\n");
                told_limit = true;
            }
            if (static_cast<int>(files.size()) < quillane::session::kMinActiveSets) {
                std::printf("scan %zu: %s; waiting for at least 3 scans\n", files.size(),
                            fs::path(files.back()).filename().string().c_str());
                std::fflush(stdout);
            } else {
                Problems problems;
                std::vector<quillane::session::FileOutcome> read;
                if (const int code = read_scans(o, session, files, read, problems, error);
                    code != kExitOk)
                    return code;
                bool bad = false;
                for (const auto &f : read) {
                    if (f.points > 0) continue;
                    std::fprintf(stderr, "quillane-batch: skipped %s: %s\n", f.name.c_str(),
                                 f.error.c_str());
                    skipped.insert(f.name);
                    taken.erase(std::remove(taken.begin(), taken.end(), f.name), taken.end());
                    bad = true;
                }
                // Read again without them, straight away.
                if (bad) {
                    problem_count += problems.list.size();
                    changed = true;
                    continue;
                }
                // Scans of several speeds or wavelengths cannot be judged
                // together; say so once.
                if (const auto split = session.series_read();
                    split.series.size() > 1 && !told_series) {
                    std::fprintf(stderr,
                                 "quillane-batch: note: the scans make %s; they are compared "
                                 "all together here: --pattern can take one series\n",
                                 quillane::session::series_summary(split).c_str());
                    told_series = true;
                }
                quillane::session::Assessment assessment;
                bool assessed = false;
                if (const int code =
                        fit_and_assess(o, session, problems, assessment, assessed, error);
                    code != kExitOk)
                    return code;
                problem_count += problems.list.size();
                print_status(session, assessment, assessed);
                if (o.until_equilibrium && assessed && assessment.verdict.status == 1)
                    return finish("equilibrium reached; the watch ends");
            }
        }
        pause(o.interval);
    }
    return finish("the watch ends");
}

}  // namespace batch
