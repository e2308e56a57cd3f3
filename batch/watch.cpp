// SPDX-License-Identifier: MIT
#include "watch.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <thread>

#include "files.h"
#include "results.h"
#include "run_overview.h"
#include "watch_analysis.h"
#include "workflow.h"

namespace batch {
namespace {

namespace fs = std::filesystem;
using quillane::session::FolderWatch;
using quillane::session::SeriesSelector;
using quillane::session::Session;
using quillane::session::WatchedSeries;

std::atomic<bool> g_stop{false};
// A pipe the signal handler writes to, so that the pause between looks
// ends at the signal rather than at its own end (a day, at the longest).
int g_wake[2] = {-1, -1};

void ask_to_stop(int) {
    const int saved = errno;
    g_stop = true;
    if (g_wake[1] >= 0) {
        const char byte = 1;
        const ssize_t n = ::write(g_wake[1], &byte, 1);
        static_cast<void>(n);  // a full pipe already wakes the pause
    }
    errno = saved;
}

// Ctrl+C or SIGTERM ends the watch after the step it is taking, with its
// outputs whole and its usual exit status; a second one ends the runner at
// once, as the signal does by default, whatever it may be waiting for (an
// output that is a named pipe no one reads): the outputs stay whole even
// then, since each is written under a temporary name and renamed.  The
// handler stays for the rest of the runner's short life after the watch: a
// signal sent as the watch ends by itself (a script stopping it just then)
// must not cut off what the runner says of how it ended.
void catch_stop_signals() {
    g_stop = false;
    if (g_wake[0] < 0 && ::pipe2(g_wake, O_CLOEXEC | O_NONBLOCK) != 0) g_wake[0] = g_wake[1] = -1;
    struct sigaction asked {};
    asked.sa_handler = ask_to_stop;
    sigemptyset(&asked.sa_mask);
    asked.sa_flags = SA_RESTART | SA_RESETHAND;
    ::sigaction(SIGINT, &asked, nullptr);
    ::sigaction(SIGTERM, &asked, nullptr);
}

// Sleeps `seconds`, waking at once when asked to stop.
void pause(double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!g_stop) {
        const double left =
            std::chrono::duration<double>(end - std::chrono::steady_clock::now()).count();
        if (left <= 0.0) return;
        pollfd wake{g_wake[0], POLLIN, 0};
        ::poll(&wake, g_wake[0] >= 0 ? 1 : 0,
               static_cast<int>(std::min(std::ceil(left * 1000.0), double{INT_MAX})));
    }
}

void say(const std::string &line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

void tell(const std::string &line) {
    std::fprintf(stderr, "quillane-batch: %s\n", line.c_str());
}

// The runner's own outputs (and their temporary copies) are not scans, even
// when they lie in the folder and the pattern takes them.  Every file asked
// about lies in the watched folder, and a look may list a hundred thousand:
// the outputs' places and the folder's are found once, not per file.
class OwnFiles {
  public:
    explicit OwnFiles(const Options &o) {
        std::error_code ec;
        for (const auto &[option, path] : output_files(o))
            outputs_.push_back(fs::weakly_canonical(path, ec).string());
    }
    bool operator()(const std::string &file) {
        const fs::path path(file);
        if (!folder_ || path.parent_path() != *folder_) {
            std::error_code ec;
            folder_ = path.parent_path();
            canonical_ = fs::weakly_canonical(folder_->empty() ? fs::path(".") : *folder_, ec);
        }
        const std::string here = (canonical_ / path.filename()).string();
        return std::any_of(outputs_.begin(), outputs_.end(), [&](const std::string &out) {
            return here == out || here.rfind(out + ".tmp-", 0) == 0;
        });
    }

  private:
    std::vector<std::string> outputs_;
    std::optional<fs::path> folder_;  // the folder of the last file asked about
    fs::path canonical_;
};

// Everything the watch keeps between looks.
class Watch {
  public:
    Watch(const Options &o, Session &session, FolderWatch &folder, bool each_in_own_folder)
        : o_(o), session_(session), folder_(folder), own_folders_(each_in_own_folder) {}

    // Analyses series `number` again with the scans taken so far.
    void analyse(int number) {
        const WatchedSeries *w = folder_.series_number(number);
        if (!w || w->scans.empty()) return;
        const std::string prefix =
            own_folders_ ? "series " + std::to_string(number) + " (" + w->name + "): " : "";
        const std::string name = w->name;
        const Options so = options_for(number);
        Problems problems;
        RunnerFeedback feedback(problems);
        auto analyst = analysts_.find(number);
        if (analyst == analysts_.end())
            analyst = analysts_.try_emplace(number, session_, folder_, analysis_choice(so)).first;
        const auto read = [&](const std::vector<std::string> &files,
                              std::vector<quillane::session::FileOutcome> &outcomes) {
            std::string error;
            if (read_scans(so, session_, files, outcomes, problems, error) != kExitOk) {
                quillane::session::Outcome refused;
                refused.done = false;
                refused.refusal = error;
                return refused;
            }
            return session_.add_to_report({"Watched folder " + o_.watch + ", series " +
                                           std::to_string(number) + ": " + name + ", " +
                                           std::to_string(files.size()) + " scans"});
        };
        const quillane::session::WatchStep step = analyst->second.analyse(number, read, feedback);
        using State = quillane::session::WatchStep::State;
        if (step.state == State::none) return;
        if (step.state == State::refused || step.state == State::column_lost) {
            tell(prefix + step.line + "; the watch goes on");
            problems_[number] = 1;
            reached_[number] = false;
            return;
        }
        say(prefix + step.line);
        if (step.state == State::waiting) return;
        const quillane::session::Assessment *assessment =
            step.analysis.assessed ? &step.analysis.assessment : nullptr;
        write_results(so, session_, assessment, problems);
        reached_[number] = step.analysis.reached();
        if (own_folders_ && !o_.json.empty()) {
            runs_[number] = quillane::session::results_json(session_, assessment);
            std::string why;
            if (!quillane::session::write_file_atomically(
                    o_.json, quillane::session::watch_results_json(folder_, runs_), why))
                problems.add(why);
        }
        problems_[number] = problems.list.size();
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

    // Whether each series' latest analysis reached equilibrium, by number.
    const std::map<int, bool> &reached() const { return reached_; }

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

    const Options &o_;
    Session &session_;
    FolderWatch &folder_;
    bool own_folders_;
    // Each series' analyst keeps what it has said.
    std::map<int, quillane::session::WatchAnalyst> analysts_;
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
    settings.own_file = OwnFiles(o);
    settings.data_line = [&session](std::string_view line) { return session.is_data_line(line); };
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
        std::vector<std::string> lines;
        if (!quillane::session::folder_series_lines(session, settings, lines, error))
            return kExitFailed;
        for (const std::string &line : lines)
            say(line);
        return kExitOk;
    }
    if (!quillane::session::settle_series_number(session, settings, error)) {
        error = "--series " + o.series + ": " + error;
        return kExitUsage;
    }
    // The outputs are this watch's until it ends.
    std::vector<std::unique_ptr<quillane::session::OutputLock>> locks;
    for (const auto &[option, path] : output_files(o)) {
        locks.push_back(std::make_unique<quillane::session::OutputLock>());
        if (!locks.back()->take(path, error)) {
            error = option + " " + error;
            return kExitUsage;
        }
    }
    FolderWatch folder(settings, header);
    catch_stop_signals();
    const fs::path report(o.report);
    session.set_plot_file(((report.has_parent_path() ? report.parent_path() : fs::path(".")) /
                           ".quillane-watch-plot.dat")
                              .string());

    Watch watch(o, session, folder, o.each_series);
    std::printf("quillane-batch: watching %s for %s (Ctrl+C ends)\n", o.watch.c_str(),
                o.pattern.c_str());
    std::fflush(stdout);

    // Ends the watch: its exit status tells whether every scan was used and
    // every output written.  A watch ended by the user's own rule (at
    // equilibrium) does not count the scans still arriving then: it has
    // waited for them as long as it would (ArrivalWait).
    bool folder_failed = false;
    const auto finish = [&](const std::string &why, bool by_own_rule) {
        std::printf("quillane-batch: %s\n", why.c_str());
        std::fflush(stdout);
        std::vector<std::string> unused = folder.unused();
        if (by_own_rule) {
            const std::vector<std::string> arriving = folder.arriving();
            std::erase_if(unused, [&](const std::string &u) {
                return std::find(arriving.begin(), arriving.end(), u) != arriving.end();
            });
            if (!arriving.empty()) {
                tell("note: " + std::to_string(arriving.size()) +
                     (arriving.size() == 1
                          ? " scan file was still arriving when the watch ended; it is not used:"
                          : " scan files were still arriving when the watch ended; they are not "
                            "used:"));
                for (const std::string &a : arriving)
                    std::fprintf(stderr, "  %s\n", a.c_str());
            }
        }
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
    quillane::session::ArrivalWait arrival;
    std::set<std::string> told_speed_lines;
    while (!g_stop) {
        std::vector<quillane::session::WatchMessage> messages;
        std::string gone;
        const bool looked = folder.look(messages, gone);
        for (const auto &m : messages)
            tell(m.about_a_scan ? m.text + "; the watch goes on" : "note: " + m.text);
        if (!looked) {
            error = gone + "; the watch ends";
            folder_failed = true;
            return finish("the watch ends: " + gone, false);
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
        // Every series followed at once: said once when all those at the
        // speed the rotor runs at now have reached equilibrium.
        if (!changed.empty() && (o.each_series || watch.own_folders())) {
            const std::string line = quillane::session::speed_change_line(
                quillane::session::watch_standings(folder, session, watch.reached()));
            if (!line.empty() && told_speed_lines.insert(line).second) say(line);
        }
        if (o.until_equilibrium && arrival.settled(watch.all_reached(), folder))
            return finish("equilibrium reached; the watch ends", true);
        pause(o.interval);
    }
    return finish("the watch ends", false);
}

}  // namespace batch
