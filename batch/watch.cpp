// SPDX-License-Identifier: MIT
#include "watch.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <thread>

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

void ask_to_stop(int) {
    g_stop = true;
}

// Sleeps about `seconds`, waking early when asked to stop.
void pause(double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!g_stop && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
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
        if (step.state == State::refused) {
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
    settings.own_file = [&o](const std::string &path) { return is_output(o, path); };
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
        // Every series followed at once: said once when all those at the
        // speed the rotor runs at now have reached equilibrium.
        if (!changed.empty() && (o.each_series || watch.own_folders())) {
            const std::string line = quillane::session::speed_change_line(
                quillane::session::watch_standings(folder, session, watch.reached()));
            if (!line.empty() && told_speed_lines.insert(line).second) say(line);
        }
        if (o.until_equilibrium && watch.all_reached())
            return finish("equilibrium reached; the watch ends");
        pause(o.interval);
    }
    return finish("the watch ends");
}

}  // namespace batch
