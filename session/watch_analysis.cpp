// SPDX-License-Identifier: MIT
#include "watch_analysis.h"

#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "hours_format.h"

namespace quillane::session {
namespace {

std::string name_of(const std::string &path) {
    return std::filesystem::path(path).filename().string();
}

std::string value_text(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3e", v);
    return text;
}

// The headers of the folder's scans now; those without a time line cannot
// be placed in a series.
bool folder_facts(const Session &session, const WatchSettings &settings,
                  std::vector<ScanFacts> &facts, std::string &error) {
    const FolderWatch now(settings, {});
    std::vector<std::string> files;
    if (!now.list_files(files, error)) return false;
    for (const std::string &f : files)
        if (ScanFacts h = session.scan_header(f); h.opened && h.time_line)
            facts.push_back(std::move(h));
    return true;
}

}  // namespace

bool folder_series_lines(const Session &session, const WatchSettings &settings,
                         std::vector<std::string> &lines, std::string &error) {
    std::vector<ScanFacts> facts;
    if (!folder_facts(session, settings, facts, error)) return false;
    const SeriesSplit split = split_into_series(facts);
    for (int k = 1; k <= static_cast<int>(split.series.size()); ++k)
        lines.push_back(series_line(split, k, facts));
    return true;
}

bool settle_series_number(const Session &session, WatchSettings &settings, std::string &error) {
    if (settings.follow.number == 0) return true;
    std::vector<ScanFacts> facts;
    if (!folder_facts(session, settings, facts, error)) return false;
    return resolve_series_number(settings.follow, split_into_series(facts), facts, error);
}

std::vector<std::string> latest_within_capacity(const std::vector<std::string> &scans) {
    if (static_cast<int>(scans.size()) <= kMaxDataSets) return scans;
    return {scans.end() - kMaxDataSets, scans.end()};
}

WatchStep WatchAnalyst::analyse(int number, const Reader &read, AnalysisFeedback &feedback) {
    WatchStep step;
    for (;;) {
        const WatchedSeries *w = folder_.series_number(number);
        if (!w || w->scans.empty()) return step;
        const std::vector<std::string> files = latest_within_capacity(w->scans);
        if (files.size() < w->scans.size()) {
            if (!told_capacity_)
                feedback.notice("more than " + std::to_string(kMaxDataSets) +
                                " scans in a series: the latest " + std::to_string(kMaxDataSets) +
                                " are used");
            told_capacity_ = true;
        }
        step.latest = files.back();
        step.place = w->place(files.back());
        step.scans = static_cast<int>(files.size());
        const std::string scan = "scan " + std::to_string(step.place);
        if (step.scans < kMinActiveSets) {
            step.state = WatchStep::State::waiting;
            step.line = scan + ": " + name_of(step.latest) + "; waiting for at least " +
                        std::to_string(kMinActiveSets) + " scans";
            return step;
        }
        std::vector<FileOutcome> outcomes;
        const Outcome got = read(files, outcomes);
        for (const std::string &e : got.errors)
            feedback.problem(e);
        if (!got.done) {
            step.state = WatchStep::State::refused;
            step.line = scan + " (" + name_of(step.latest) +
                        "): the scans could not be read: " + got.refusal;
            return step;
        }
        bool set_aside = false;
        for (const FileOutcome &f : outcomes) {
            if (f.points > 0) continue;
            folder_.set_aside(f.name, "the library read no points from it (" + f.error + ")");
            feedback.notice(name_of(f.name) + " gives no data points (" + f.error +
                            "): it is left out until it changes; the watch goes on");
            set_aside = true;
        }
        if (set_aside) continue;  // again without it, straight away

        step.analysis = analyse_scans(session_, choice_, feedback);
        if (choice_.column > 0 && !choice_.kept_column && step.analysis.column) {
            choice_.kept_column = step.analysis.column;
            kept_text_ =
                "column " + std::to_string(choice_.column) + ": " + step.analysis.column_text;
            feedback.notice(kept_text_ + " is kept for the rest of the watch");
        }
        if (step.analysis.refused == AnalysisRefusal::column_missing && choice_.kept_column) {
            step.state = WatchStep::State::column_lost;
            step.line = scan + " (" + name_of(step.latest) + "): " + kept_text_ +
                        " is not found: no verdict for this scan; " + step.analysis.refusal;
            return step;
        }
        if (step.analysis.refused != AnalysisRefusal::none) {
            step.state = WatchStep::State::refused;
            const std::string why = step.analysis.refused == AnalysisRefusal::column_missing
                                        ? "solution column " + std::to_string(choice_.column) +
                                              " not found: " + step.analysis.refusal
                                        : step.analysis.refusal;
            step.line = scan + " (" + name_of(step.latest) + "): the analysis was refused: " + why;
            return step;
        }
        step.state = WatchStep::State::analysed;
        step.line = watch_status_line(session_, step.place,
                                      step.analysis.assessed ? &step.analysis.assessment : nullptr);
        if (!step.analysis.column_text.empty())
            step.line +=
                "; column " + std::to_string(choice_.column) + ": " + step.analysis.column_text;
        if (step.analysis.span_lowered_to > 0)
            step.line += "; span " + std::to_string(step.analysis.span_lowered_to);
        return step;
    }
}

bool ArrivalWait::settled(bool reached, const FolderWatch &folder) {
    if (!reached) {
        looks_ = 0;
        return false;
    }
    return folder.arriving().empty() || ++looks_ >= kArrivalLooks;
}

std::string watch_status_line(const Session &s, int scan_number, const Assessment *a) {
    const int n = s.active_count();
    const auto latest = s.active_set(n);
    std::string line = "scan " + std::to_string(scan_number) + ": " +
                       name_of(s.active_file_name(n)) +
                       ", t = " + hours_with_unit(latest.time_s, 2);
    const auto previous = s.pair_result(n, n - 1);
    const auto first = s.pair_result(n, 1);
    if (previous.status != QUILLANE_PAIR_NOT_COMPARED)
        line += ", RMS vs previous " + value_text(previous.rms[0]);
    if (first.status != QUILLANE_PAIR_NOT_COMPARED)
        line += ", vs first " + value_text(first.rms[0]);
    if (n != scan_number) line += " (" + std::to_string(n) + " scans used)";
    if (!a) return line;
    if (a->pooled.dof > 0) line += ", noise " + value_text(a->pooled.sigma);
    line += "; " + a->verdict.text;
    const auto &f = a->forecast;
    if (f.made && f.one_sided)
        line += "; forecast " + hours_with_unit(f.equilibrium_time_s, 2) + " (not before " +
                hours_with_unit(f.interval_low_s, 2) + ")";
    else if (f.made)
        line += "; forecast " + hours_with_unit(f.equilibrium_time_s, 2) + " [" +
                hours_with_unit(f.interval_low_s, 2) + ", " +
                hours_with_unit(f.interval_high_s, 2) + "]";
    else
        line += "; no forecast: " + f.reason;
    return line;
}

std::string watch_results_json(const FolderWatch &watch, const std::map<int, std::string> &runs) {
    using json = nlohmann::json;
    json all = json::array();
    for (const WatchedSeries &w : watch.series()) {
        const auto run = runs.find(w.number);
        if (!w.followed || run == runs.end()) continue;
        json block = json::parse(run->second, nullptr, false);
        if (block.is_discarded() || !block.is_object()) block = json::object();
        block["series"] = {{"number", w.number}, {"name", w.name}};
        all.push_back(block);
    }
    return json{{"series", all}}.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace quillane::session
