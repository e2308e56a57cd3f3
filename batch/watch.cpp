// SPDX-License-Identifier: MIT
#include "watch.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <map>
#include <thread>

#include "results.h"
#include "workflow.h"

namespace batch {
namespace {

namespace fs = std::filesystem;
using quillane::session::FolderWatch;
using quillane::session::SeriesSelector;
using quillane::session::Session;
using quillane::session::WatchedSeries;

constexpr int kMaxScans = quillane::session::kMaxDataSets;

std::atomic<bool> g_stop{false};

void ask_to_stop(int) {
    g_stop = true;
}

// Sleeps about `seconds`, waking early when asked to stop.
void pause(double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!g_stop && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

std::string name_of(const std::string &path) {
    return fs::path(path).filename().string();
}

void say(const std::string &line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

void tell(const std::string &line) {
    std::fprintf(stderr, "quillane-batch: %s\n", line.c_str());
}

// The runner's own outputs (and their temporary copies) are not scans, even
// when they lie in the folder and the pattern takes them.
bool is_output(const Options &o, const std::string &file) {
    std::error_code ec;
    const std::string here = fs::weakly_canonical(file, ec).string();
    for (const auto &[option, path] : output_files(o)) {
        const std::string out = fs::weakly_canonical(path, ec).string();
        if (here == out || here.rfind(out + ".tmp-", 0) == 0) return true;
    }
    return false;
}

// --series list with --watch: the series of the scans in the folder now.
int list_series(const FolderWatch &watch, const Session &session, std::string &error) {
    std::vector<std::string> files;
    if (!watch.list_files(files, error)) return kExitFailed;
    std::vector<quillane::session::ScanFacts> facts;
    for (const std::string &f : files)
        if (auto header = session.scan_header(f); header.opened && header.time_line)
            facts.push_back(header);
    const auto split = quillane::session::split_into_series(facts);
    for (int k = 1; k <= static_cast<int>(split.series.size()); ++k)
        say(quillane::session::series_line(split, k, facts));
    return kExitOk;
}

// Everything the watch keeps between looks.
class Watch {
  public:
    Watch(const Options &o, Session &session, FolderWatch &folder, bool each_in_own_folder)
        : o_(o), session_(session), folder_(folder), own_folders_(each_in_own_folder) {}

    // Analyses series `number` again with the scans taken so far.
    void analyse(int number) {
        for (;;) {
            const WatchedSeries *w = folder_.series_number(number);
            if (!w || w->scans.empty()) return;
            std::vector<std::string> files = w->scans;
            if (static_cast<int>(files.size()) > kMaxScans) {
                files.erase(files.begin(), files.end() - kMaxScans);
                if (!told_limit_) tell("more than 50 scans in a series: the latest 50 are used");
                told_limit_ = true;
            }
            const std::string prefix =
                own_folders_ ? "series " + std::to_string(number) + " (" + w->name + "): " : "";
            const int place = w->place(files.back());
            if (static_cast<int>(files.size()) < quillane::session::kMinActiveSets) {
                say(prefix + "scan " + std::to_string(place) + ": " + name_of(files.back()) +
                    "; waiting for at least 3 scans");
                return;
            }
            const Options so = options_for(number);
            Problems problems;
            std::vector<quillane::session::FileOutcome> read;
            std::string error;
            if (read_scans(so, session_, files, read, problems, error) != kExitOk) {
                refused(number, prefix, "the scans could not be read: " + error);
                return;
            }
            bool set_aside = false;
            for (const auto &f : read) {
                if (f.points > 0) continue;
                folder_.set_aside(f.name, "the library read no points from it (" + f.error + ")");
                tell(name_of(f.name) + " gives no data points (" + f.error +
                     "): it is left out until it changes; the watch goes on");
                set_aside = true;
            }
            if (set_aside) continue;  // again without it, straight away
            problems.add_all(session_.add_to_report(
                {"Watched folder " + o_.watch + ", series " + std::to_string(number) + ": " +
                 w->name + ", " + std::to_string(files.size()) + " scans"}));
            quillane::session::Assessment assessment;
            bool assessed = false;
            if (fit_and_assess(so, session_, problems, assessment, assessed, error) != kExitOk) {
                refused(number, prefix,
                        "scan " + std::to_string(place) + " (" + name_of(files.back()) +
                            "): the analysis was refused: " + error);
                return;
            }
            say(prefix + quillane::session::watch_status_line(session_, place,
                                                              assessed ? &assessment : nullptr));
            reached_[number] =
                assessed && assessment.verdict.status == quillane::session::VerdictStatus::reached;
            if (own_folders_ && !o_.json.empty()) {
                runs_[number] =
                    quillane::session::results_json(session_, assessed ? &assessment : nullptr);
                std::string why;
                if (!quillane::session::write_file_atomically(
                        o_.json, quillane::session::watch_results_json(folder_, runs_), why))
                    problems.add(why);
            }
            problems_[number] = problems.list.size();
            return;
        }
    }

    // Every followed series that has scans has reached equilibrium.
    bool all_reached() const {
        bool any = false;
        for (const WatchedSeries &w : folder_.series()) {
            if (!w.followed || w.scans.empty()) continue;
            const auto it = reached_.find(w.number);
            if (it == reached_.end() || !it->second) return false;
            any = true;
        }
        return any;
    }

    // Problems of the latest analysis of each series: what the outputs lack.
    size_t problems() const {
        size_t n = 0;
        for (const auto &[number, count] : problems_)
            n += count;
        return n;
    }

    bool own_folders() const { return own_folders_; }
    // From now on each series is written into its own folder.
    void use_own_folders() { own_folders_ = true; }

  private:
    // The options of one series' analysis: in its own folder series-K/
    // beside the report when each series has one (--json holds them all).
    Options options_for(int number) const {
        Options so = o_;
        if (!own_folders_) return so;
        const fs::path report(o_.report);
        const std::string name = "series-" + std::to_string(number);
        const fs::path folder =
            report.has_parent_path() ? report.parent_path() / name : fs::path(name);
        std::error_code ec;
        fs::create_directories(folder, ec);
        so.report = (folder / report.filename()).string();
        if (!o_.csv.empty()) so.csv = (folder / fs::path(o_.csv).filename()).string();
        so.json.clear();
        return so;
    }

    void refused(int number, const std::string &prefix, const std::string &why) {
        tell(prefix + why + "; the watch goes on");
        problems_[number] = 1;
        reached_[number] = false;
    }

    const Options &o_;
    Session &session_;
    FolderWatch &folder_;
    bool own_folders_;
    bool told_limit_ = false;
    std::map<int, bool> reached_;
    std::map<int, size_t> problems_;
    std::map<int, std::string> runs_;  // each series' JSON, for --json
};

}  // namespace

int watch_folder(const Options &o, Session &session, std::string &error) {
    std::error_code ec;
    if (!fs::is_directory(o.watch, ec)) {
        error = "--watch " + o.watch + " is not a folder";
        return kExitUsage;
    }
    quillane::session::WatchSettings settings;
    settings.folder = o.watch;
    settings.pattern = o.pattern;
    settings.interval_s = o.interval;
    settings.own_file = [&o](const std::string &path) { return is_output(o, path); };
    if (o.series != "list" && !quillane::session::parse_series_selector(
                                  o.each_series ? "" : o.series, settings.follow, error)) {
        error = "--series " + error;
        return kExitUsage;
    }
    // The library's lines would drown the status lines: they go to the
    // report only.
    quiet(session);
    const auto header = [&session](const std::string &f) { return session.scan_header(f); };
    if (o.series == "list") {
        const FolderWatch folder(settings, header);
        return list_series(folder, session, error);
    }
    if (settings.follow.number != 0) {
        // A number counts the series of the folder as it is now.
        const FolderWatch now(settings, header);
        std::vector<std::string> files;
        if (!now.list_files(files, error)) return kExitFailed;
        std::vector<quillane::session::ScanFacts> facts;
        for (const std::string &f : files)
            if (auto h = session.scan_header(f); h.opened && h.time_line) facts.push_back(h);
        if (!quillane::session::resolve_series_number(
                settings.follow, quillane::session::split_into_series(facts), facts, error)) {
            error = "--series " + o.series + ": " + error;
            return kExitUsage;
        }
    }
    FolderWatch folder(settings, header);
    g_stop = false;
    std::signal(SIGINT, ask_to_stop);
    std::signal(SIGTERM, ask_to_stop);
    const fs::path report(o.report);
    session.set_plot_file(((report.has_parent_path() ? report.parent_path() : fs::path(".")) /
                           ".quillane-watch-plot.dat")
                              .string());

    Watch watch(o, session, folder, o.each_series);
    std::printf("quillane-batch: watching %s for %s (Ctrl+C ends)\n", o.watch.c_str(),
                o.pattern.c_str());
    std::fflush(stdout);

    // Ends the watch: its exit status tells whether every scan was used and
    // every output written.
    bool folder_failed = false;
    const auto finish = [&](const std::string &why) {
        std::printf("quillane-batch: %s\n", why.c_str());
        std::fflush(stdout);
        const auto unused = folder.unused();
        if (!unused.empty()) {
            tell(std::to_string(unused.size()) +
                 (unused.size() == 1 ? " scan file was" : " scan files were") + " never used:");
            for (const std::string &u : unused)
                std::fprintf(stderr, "  %s\n", u.c_str());
        }
        if (folder_failed) return kExitFailed;
        if (const size_t n = watch.problems(); n > 0) {
            error = "the watch is incomplete: " + std::to_string(n) +
                    (n == 1 ? " problem" : " problems") + " (listed above)";
            return kExitFailed;
        }
        if (!unused.empty()) {
            error = "the watch ends with " + std::to_string(unused.size()) +
                    (unused.size() == 1 ? " scan file" : " scan files") +
                    " never used (listed above)";
            return kExitScansUnused;
        }
        return kExitOk;
    };

    bool told_own_folders = false;
    while (!g_stop) {
        std::vector<quillane::session::WatchMessage> messages;
        std::string gone;
        const bool looked = folder.look(messages, gone);
        for (const auto &m : messages)
            tell(m.about_a_scan ? m.text + "; the watch goes on" : "note: " + m.text);
        if (!looked) {
            error = gone + "; the watch ends";
            folder_failed = true;
            return finish("the watch ends: " + gone);
        }
        // Two series followed at once: each is written into its own folder.
        const auto followed =
            std::count_if(folder.series().begin(), folder.series().end(),
                          [](const WatchedSeries &w) { return w.followed && !w.members.empty(); });
        std::vector<int> changed = folder.changed_series();
        if (followed > 1 && !watch.own_folders()) {
            watch.use_own_folders();
            if (!told_own_folders)
                tell("note: the folder holds " + std::to_string(followed) +
                     " series: each is followed on its own and written into series-K/ beside "
                     "the report" +
                     (o.json.empty() ? "" : " (" + o.json + " holds them all)") +
                     "; --series follows one");
            told_own_folders = true;
            changed.clear();
            for (const WatchedSeries &w : folder.series())
                if (w.followed && !w.scans.empty()) changed.push_back(w.number);
        }
        for (int number : changed)
            watch.analyse(number);
        if (o.until_equilibrium && watch.all_reached())
            return finish("equilibrium reached; the watch ends");
        pause(o.interval);
    }
    return finish("the watch ends");
}

}  // namespace batch
