// SPDX-License-Identifier: MIT
#include "run_overview.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numeric>

namespace quillane::session {

namespace {

namespace fs = std::filesystem;

std::string base_name(const std::string &path) {
    return fs::path(path).filename().string();
}

std::string scans_text(size_t n) {
    return std::to_string(n) + (n == 1 ? " scan" : " scans");
}

// The report of a series that was not analysed, with what is known of it.
SeriesReport unanalysed(const OverviewSeries &s, const std::vector<std::string> &files,
                        std::string why) {
    SeriesReport r;
    r.number = s.number;
    r.label = s.name + ", " + scans_text(files.size());
    r.cell = s.cell;
    r.speed_rpm = s.speed_rpm;
    r.wavelength_nm = s.wavelength_nm;
    r.files = files;
    r.scans_in_series = static_cast<int>(s.scans.size());
    r.refusal = std::move(why);
    return r;
}

}  // namespace

RunOverview::RunOverview(Session &session, OverviewSettings settings)
    : session_(session), settings_(std::move(settings)) {}

RunOverview::~RunOverview() = default;

OverviewSeries &RunOverview::entry(const ScanFacts &facts, const std::string &name,
                                   const std::vector<std::string> &scans) {
    const auto near = [](const std::optional<double> &a, const std::optional<double> &b,
                         double tolerance) {
        return a.has_value() == b.has_value() && (!a || std::fabs(*a - *b) <= tolerance);
    };
    for (OverviewSeries &s : series_)
        if (s.cell == facts.cell &&
            near(s.speed_rpm, facts.speed_rpm, kSpeedTolerance * facts.speed_rpm.value_or(0.0)) &&
            near(s.wavelength_nm, facts.wavelength_nm, kWavelengthTolerance)) {
            if (s.name != name) {
                s.name = name;
                for (SeriesReport &r : s.reports)
                    r.label = name + ", " + scans_text(r.files.size());
            }
            if (s.scans != scans) {
                s.scans = scans;
                s.pending = true;
            }
            return s;
        }
    OverviewSeries s;
    s.number = static_cast<int>(series_.size()) + 1;
    s.name = name;
    s.cell = facts.cell;
    s.speed_rpm = facts.speed_rpm;
    s.wavelength_nm = facts.wavelength_nm;
    s.scans = scans;
    series_.push_back(std::move(s));
    return series_.back();
}

void RunOverview::set_files(const std::vector<std::string> &files) {
    notes_.clear();  // said of the files as they are now
    std::vector<ScanFacts> placed;
    for (const std::string &f : files) {
        ScanFacts h = session_.scan_header(f);
        if (h.opened && h.time_line)
            placed.push_back(std::move(h));
        else if (!h.opened)
            notes_.push_back(base_name(f) + " cannot be read: " + h.error);
        else
            notes_.push_back(base_name(f) + " has no time line, so it is no scan: ignored");
    }
    const SeriesSplit split = split_into_series(placed);
    for (const std::string &note : split.notes)
        notes_.push_back(note);
    for (size_t k = 0; k < split.series.size(); ++k) {
        const Series &found = split.series[k];
        std::vector<std::string> scans;
        for (int i : found.scans)
            scans.push_back(placed[static_cast<size_t>(i - 1)].file);
        ScanFacts facts;
        facts.cell = found.cell;
        facts.speed_rpm = found.speed_rpm;
        facts.wavelength_nm = found.wavelength_nm;
        entry(facts, series_name(split, static_cast<int>(k + 1)), scans);
    }
}

bool RunOverview::read_folder(const std::string &folder, const std::string &pattern,
                              std::string &error) {
    WatchSettings settings;
    settings.folder = folder;
    settings.pattern = pattern;
    std::vector<std::string> files;
    if (!FolderWatch(settings, {}).list_files(files, error)) return false;
    set_files(files);
    return true;
}

void RunOverview::follow(WatchSettings settings, FolderWatch::Clock clock) {
    settings.follow = SeriesSelector{};  // every series, each on its own
    if (!settings.data_line)
        settings.data_line = [this](std::string_view line) { return session_.is_data_line(line); };
    const auto header = [this](const std::string &f) { return session_.scan_header(f); };
    watch_ = std::make_unique<FolderWatch>(std::move(settings), header, std::move(clock));
}

void RunOverview::stop_following() {
    watch_.reset();
}

bool RunOverview::look(std::vector<WatchMessage> &messages, std::string &error) {
    if (!watch_) return true;
    if (!watch_->look(messages, error)) return false;
    for (const WatchedSeries &w : watch_->series()) {
        // A series the watch has taken no whole scan of yet keeps what an
        // earlier reading of the folder gave it.
        if (!w.followed || w.scans.empty()) continue;
        entry(session_.scan_header(w.scans.front()), w.name, w.scans);
    }
    return true;
}

std::vector<int> RunOverview::pending() const {
    std::vector<int> numbers;
    for (const OverviewSeries &s : series_)
        if (s.pending) numbers.push_back(s.number);
    return numbers;
}

const OverviewSeries *RunOverview::series_number(int number) const {
    for (const OverviewSeries &s : series_)
        if (s.number == number) return &s;
    return nullptr;
}

Outcome RunOverview::read(std::vector<std::string> &files, AnalysisFeedback &feedback) {
    for (;;) {
        if (!settings_.report.empty()) {
            std::string why;
            if (!session_.create_report(settings_.report, why)) feedback.problem(why);
        }
        session_.initialise(false);
        for (const std::string &e : session_.set_plot_save(false).errors)
            feedback.problem(e);
        std::vector<int> all(files.size());
        std::iota(all.begin(), all.end(), 1);
        std::vector<FileOutcome> outcomes;
        const Outcome got = session_.read_and_select(files, all, &outcomes);
        for (const std::string &e : got.errors)
            feedback.problem(e);
        if (!got.done) return got;
        // A file that gives no points (still being written, not a scan)
        // leaves the series rather than stopping its analysis.
        std::vector<std::string> kept;
        for (const FileOutcome &f : outcomes) {
            if (f.points > 0) {
                kept.push_back(f.name);
                continue;
            }
            feedback.notice(base_name(f.name) + " gives no data points (" + f.error +
                            "): it is left out");
            if (watch_)
                watch_->set_aside(f.name, "the library read no points from it (" + f.error + ")");
        }
        if (kept.size() == files.size()) return got;
        files = kept;
        if (static_cast<int>(files.size()) < kMinActiveSets) {
            Outcome refused;
            refused.done = false;
            refused.refusal =
                "fewer than " + std::to_string(kMinActiveSets) + " of its scans give data points";
            return refused;
        }
    }
}

std::vector<SeriesReport> RunOverview::analyse_series(const OverviewSeries &s,
                                                      std::vector<std::string> &files,
                                                      AnalysisFeedback &feedback,
                                                      const std::string &figures) {
    if (static_cast<int>(files.size()) < kMinActiveSets)
        return {unanalysed(s, files,
                           "waiting for at least " + std::to_string(kMinActiveSets) + " scans")};
    Outcome got = read(files, feedback);
    if (!got.done) return {unanalysed(s, files, "the scans could not be read: " + got.refusal)};
    Outcome found;
    const size_t columns =
        settings_.choice.column > 0 ? 1
        : settings_.every_column
            ? session_.solution_columns(settings_.choice.column_margin_cm, &found).size()
            : 1;
    std::vector<SeriesReport> reports;
    for (size_t k = 1; k <= std::max<size_t>(columns, 1); ++k) {
        // Each column from a fresh reading: what one column needed (a span
        // lowered to fit it) is not carried over to the next.
        if (k > 1 && !(got = read(files, feedback)).done) {
            reports.push_back(unanalysed(s, files, "the scans could not be read: " + got.refusal));
            continue;
        }
        AnalysisChoice choice = settings_.choice;
        if (choice.column == 0 && columns > 0) choice.column = static_cast<int>(k);
        const AnalysisResult result = analyse_scans(session_, choice, feedback);
        if (result.refused != AnalysisRefusal::none) {
            SeriesReport refused = unanalysed(s, files, result.refusal);
            refused.column = choice.column;
            reports.push_back(refused);
            continue;
        }
        SeriesReport r =
            summarise_analysis(session_, result.assessed ? &result.assessment : nullptr);
        r.number = s.number;
        r.label = s.name + ", " + scans_text(files.size());
        r.scans_in_series = static_cast<int>(s.scans.size());
        r.column = choice.column;
        if (choice.column > 0) {
            const std::vector<Column> now = session_.solution_columns(choice.column_margin_cm);
            if (choice.column <= static_cast<int>(now.size())) {
                r.meniscus_cm = now[static_cast<size_t>(choice.column - 1)].meniscus_cm;
                r.base_cm = now[static_cast<size_t>(choice.column - 1)].base_cm;
            }
        }
        if (!figures.empty() && result.fitted) {
            const fs::path folder =
                fs::path(figures) / ("series-" + std::to_string(s.number) + "-" +
                                     std::to_string(std::max(choice.column, 1)));
            std::error_code ec;
            fs::create_directories(folder, ec);
            std::vector<std::string> errors;
            const FigurePlots plots = draw_report_plots(session_, folder.string(), errors);
            for (const std::string &e : errors)
                feedback.problem(e);
            r.figures = report_figures(r, plots);
        }
        reports.push_back(std::move(r));
    }
    return reports;
}

void RunOverview::analyse(int number, AnalysisFeedback &feedback) {
    const auto it = std::find_if(series_.begin(), series_.end(),
                                 [number](const OverviewSeries &s) { return s.number == number; });
    if (it == series_.end()) return;
    OverviewSeries &s = *it;
    s.pending = false;
    std::vector<std::string> files = latest_within_capacity(s.scans);
    if (files.size() < s.scans.size() && !told_capacity_) {
        feedback.notice("more than " + std::to_string(kMaxDataSets) +
                        " scans in a series: the latest " + std::to_string(kMaxDataSets) +
                        " are used");
        told_capacity_ = true;
    }
    s.reports = analyse_series(s, files, feedback, {});
    s.analysed = files;
}

void RunOverview::analyse_pending(AnalysisFeedback &feedback) {
    for (int number : pending())
        analyse(number, feedback);
}

std::vector<SummaryRow> RunOverview::rows() const {
    std::vector<SeriesReport> reports;
    for (const OverviewSeries &s : series_) {
        if (s.reports.empty())
            reports.push_back(unanalysed(s, latest_within_capacity(s.scans), "not analysed yet"));
        else
            reports.insert(reports.end(), s.reports.begin(), s.reports.end());
    }
    std::vector<SummaryRow> rows = summary_rows(reports);
    for (SummaryRow &row : rows)
        if (const OverviewSeries *s = series_number(row.number);
            s && s->reports.empty() && row.scans >= kMinActiveSets)
            row.verdict = "to be analysed";
    return rows;
}

std::string RunOverview::speed_line() const {
    std::vector<SeriesStanding> standings;
    for (const SummaryRow &row : rows())
        standings.push_back(standing_of(row));
    return speed_change_line(standings);
}

RunReport RunOverview::run_report(const std::string &folder, AnalysisFeedback &feedback) {
    RunReport report;
    report.program_version = Session::program_version();
    report.created = report_time_now();
    report.notes = notes_;
    report.several_series = true;
    for (const OverviewSeries &s : series_) {
        report.files.insert(report.files.end(), s.scans.begin(), s.scans.end());
        std::vector<std::string> files =
            s.analysed.empty() ? latest_within_capacity(s.scans) : s.analysed;
        const std::vector<SeriesReport> reports = analyse_series(s, files, feedback, folder);
        report.series.insert(report.series.end(), reports.begin(), reports.end());
    }
    return report;
}

std::vector<SeriesStanding> watch_standings(const FolderWatch &watch, const Session &session,
                                            const std::map<int, bool> &reached) {
    std::vector<SeriesStanding> standings;
    for (const WatchedSeries &w : watch.series()) {
        if (!w.followed || w.scans.empty()) continue;
        const ScanFacts latest = session.scan_header(w.scans.back());
        const auto it = reached.find(w.number);
        standings.push_back({latest.speed_rpm, latest.time_s, it != reached.end() && it->second});
    }
    return standings;
}

}  // namespace quillane::session
