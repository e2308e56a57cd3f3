// SPDX-License-Identifier: MIT
#include "run_summary.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>

#include "hours_format.h"

namespace quillane::session {

namespace {

// The value most of the scans give (the first of equals), or none when no
// scan gives one.
template <typename T, typename Get>
std::optional<T> most_common(const std::vector<ScanFacts> &facts, Get get) {
    std::map<T, int> counts;
    std::optional<T> best;
    int best_count = 0;
    for (const ScanFacts &f : facts) {
        const std::optional<T> v = get(f);
        if (!v) continue;
        const int n = ++counts[*v];
        if (n > best_count) {
            best_count = n;
            best = v;
        }
    }
    return best;
}

std::string number(const char *format, double v) {
    char text[48];
    std::snprintf(text, sizeof text, format, v);
    return text;
}

// The comparison the verdict was judged on: without offsets, with both
// offsets fitted where late scans differ from the latest by instrument
// drift only, or with a y-offset and a scale factor where they differ by
// lamp jitter; the no-offset distance is kept beside it.
std::string decided_by(const Verdict &v, const AssessmentSettings &settings) {
    if (v.status == VerdictStatus::none || v.decided_by == Comparison::none) return {};
    std::string text = v.decided_by == Comparison::both_offsets
                           ? "both offsets fitted (the late scans differ from the latest by drift)"
                       : v.decided_by == Comparison::scale_factor
                           ? "a y-offset and a scale factor fitted (the late scans differ from the "
                             "latest by lamp jitter)"
                           : "no offsets";
    text += ", F test at " + number("%.0f", settings.confidence) + " %";
    if (v.no_offset_rms > 0.0)
        text += "; no-offset RMS of the block's first scan " + number("%.4g", v.no_offset_rms);
    return text;
}

// The drift found between late scans and the latest, one group each, and
// where the verdict broke.
std::string late_drift(const Verdict &v) {
    std::string text;
    for (const Drift &d : v.drift) {
        if (!text.empty()) text += "; ";
        text += "scans " + std::to_string(d.first_scan) + "-" + std::to_string(d.last_scan) +
                ": baseline shift " + number("%.3g", d.baseline) + ", radial shift " +
                number("%.3g", d.radial_cm) + " cm";
    }
    for (const std::string &note : v.notes) {
        if (!text.empty()) text += "; ";
        text += note;
    }
    return text;
}

}  // namespace

SeriesReport summarise_analysis(const Session &s, const Assessment *a) {
    SeriesReport r;
    for (int d = 1; d <= s.data_set_count(); ++d)
        r.files.push_back(s.file_name(d));

    // Header facts of the active sets only: inactive files take no part.
    const std::vector<ScanFacts> all = s.data_set_headers();
    std::vector<ScanFacts> active;
    for (int d : s.active_sets())
        if (d >= 1 && d <= static_cast<int>(all.size()))
            active.push_back(all[static_cast<size_t>(d - 1)]);
    r.cell = most_common<int>(active, [](const ScanFacts &f) { return f.cell; });
    r.speed_rpm = most_common<double>(active, [](const ScanFacts &f) { return f.speed_rpm; });
    r.wavelength_nm =
        most_common<double>(active, [](const ScanFacts &f) { return f.wavelength_nm; });
    r.temperature_c =
        most_common<double>(active, [](const ScanFacts &f) { return f.temperature_c; });

    const Limits limits = s.limits();
    const DifferParms parms = s.differ_parms();
    r.xi = s.xi_mode();
    r.low = limits.low;
    r.high = limits.high;
    r.span = parms.span;
    r.degree = parms.terms;
    r.reference = s.fit_reference();
    r.reference_file = s.active_file_name(r.reference);
    r.assessment = s.assessment_settings();

    for (int k = 1; k <= s.active_count(); ++k) {
        const ActiveSetFacts facts = s.active_set(k);
        ReportScan scan{k, s.active_file_name(k), facts.time_s, facts.points, std::nullopt};
        if (a && k <= static_cast<int>(a->noise.size()) && a->noise[k - 1].dof > 0)
            scan.noise = a->noise[k - 1].sigma;
        r.scans.push_back(scan);
    }
    // Each pair once, matched onto the later scan.
    if (s.fitted()) {
        const int n = s.active_count();
        for (int i = 2; i <= n; ++i) {
            for (int j = 1; j < i; ++j) {
                const PairResult p = s.pair_result(i, j);
                if (p.status == QUILLANE_PAIR_NOT_COMPARED) continue;
                r.pairs.push_back({i, j, s.active_set(i).time_s, s.active_set(j).time_s, p.points,
                                   p.rms, p.y_offset[1], p.status == QUILLANE_PAIR_COMPARED,
                                   p.x_offset, p.f_critical});
            }
        }
    }

    if (a) {
        r.assessed = true;
        r.verdict = a->verdict;
        r.forecast = a->forecast;
        r.noise = a->pooled;
        if (std::string d = decided_by(r.verdict, r.assessment); !d.empty()) r.decided_by = d;
        if (std::string d = late_drift(r.verdict); !d.empty()) r.drift = d;
    }
    return r;
}

FigurePlots draw_report_plots(Session &session, const std::string &folder,
                              std::vector<std::string> &errors) {
    const std::string own_plot_file = session.plot_file();
    session.mute_report(true);
    // Each plot into a file of its own; the name of one not made stays empty.
    auto into = [&](const char *file, const std::function<Outcome()> &make) {
        const std::string path = (std::filesystem::path(folder) / file).string();
        session.set_plot_file(path);
        const Outcome made = make();
        errors.insert(errors.end(), made.errors.begin(), made.errors.end());
        if (!made.done && !made.refusal.empty()) errors.push_back(made.refusal);
        return made.plot_written ? path : std::string();
    };
    FigurePlots plots;
    plots.equilibrium = into("equilibrium.dat", [&] { return session.equilibrium_plot(); });
    GraphRequest rms;
    rms.kind = GraphKind::rms;
    rms.fit_kinds = {true, true, true};
    plots.rms = into("rms.dat", [&] { return session.result_graph(rms); });
    std::vector<int> sets;
    for (int k = 1; k <= session.active_count(); ++k)
        sets.push_back(k);
    plots.limits =
        into("limits.dat", [&] { return session.data_plot(1, [&sets] { return sets; }); });
    session.set_plot_file(own_plot_file);
    session.mute_report(false);
    return plots;
}

std::vector<ReportFigure> report_figures(const SeriesReport &r, const FigurePlots &plots) {
    std::vector<ReportFigure> figures;
    if (!plots.equilibrium.empty()) {
        ReportFigure equilibrium{
            "The approach to equilibrium: the RMS difference of each scan "
            "from the latest one against time.",
            plots.equilibrium,
            {"RMS from the latest scan"},
            "Approach to equilibrium"};
        equilibrium.equilibrium = true;
        figures.push_back(equilibrium);
    }
    if (!plots.rms.empty())
        figures.push_back({"RMS deviations against time from the reference set " +
                               std::to_string(r.reference) + ", all three fits.",
                           plots.rms,
                           {"no offsets", "y-offset", "y- and position offsets"},
                           "Fits against set " + std::to_string(r.reference)});
    if (!plots.limits.empty()) {
        std::string caption = "Every active set inside the data limits analysed.";
        if (plots.limits_at_full_range) {
            char range[96];
            std::snprintf(range, sizeof range, "%.3f to %.3f %s", r.low, r.high,
                          r.xi ? "cm\u00b2" : "cm");
            caption = std::string(
                          "Every active set over the full range; the lines mark the data "
                          "limits analysed, ") +
                      range +
                      (r.column > 0 ? " (solution column " + std::to_string(r.column) + ")."
                                    : std::string("."));
        }
        ReportFigure limits{caption, plots.limits, {}, {}};
        limits.mark_limits = true;
        limits.low = r.low;
        limits.high = r.high;
        figures.push_back(limits);
    }
    return figures;
}

std::string short_verdict(const SeriesReport &r) {
    if (!r.refusal.empty()) return "not analysed";
    if (!r.assessed) return "not assessed";
    if (r.verdict.status == VerdictStatus::reached)
        return "reached by scan " + std::to_string(r.verdict.scan);
    if (r.verdict.status == VerdictStatus::approaching) return "still approaching";
    // Why there is none, in a word the summary has room for: a velocity
    // run, a range that is no column, or too few scans.
    const std::string &text = r.verdict.text;
    if (text.rfind("a sedimentation velocity run", 0) == 0) return "velocity run";
    if (text.rfind("not judged", 0) == 0) return "no column";
    return "no verdict";
}

namespace {

bool reached(const SeriesReport &r) {
    return r.refusal.empty() && r.assessed && r.verdict.status == VerdictStatus::reached;
}

// One series' row from its reports (one per column analysed).
SummaryRow row_of(const std::vector<const SeriesReport *> &reports) {
    const SeriesReport &first = *reports.front();
    SummaryRow row;
    row.number = first.number;
    row.name = first.label;
    row.scans = static_cast<int>(first.refusal.empty() ? first.scans.size() : first.files.size());
    row.scans_in_series = std::max(first.scans_in_series, row.scans);
    std::vector<const SeriesReport *> analysed, behind;
    for (const SeriesReport *r : reports) {
        if (!row.cell) row.cell = r->cell;
        if (!row.speed_rpm) row.speed_rpm = r->speed_rpm;
        if (!row.wavelength_nm) row.wavelength_nm = r->wavelength_nm;
        if (r->refusal.empty()) analysed.push_back(r);
        if (!reached(*r)) behind.push_back(r);
        if (r->refusal.empty() && r->column > 0) {
            char limits[64];
            std::snprintf(limits, sizeof limits, "%.3f-%.3f", r->low, r->high);
            row.columns.push_back(limits);
            row.column_unit = limits_unit(r->xi);
        }
        if (!r->refusal.empty() && row.note.empty()) row.note = r->refusal;
    }
    if (analysed.empty()) {
        // Too few scans yet is no failure: the series waits for more.
        row.verdict = row.scans < kMinActiveSets ? "waiting for scans" : short_verdict(first);
        return row;
    }
    row.reached = behind.empty();
    if (row.reached) {
        int by = 0;
        for (const SeriesReport *r : reports)
            by = std::max(by, r->verdict.scan);
        row.verdict = "reached by scan " + std::to_string(by);
    } else {
        row.verdict = short_verdict(*behind.front());
        // In a cell of several columns, which of them hold it back.
        if (reports.size() > 1) {
            std::string which;
            for (const SeriesReport *r : behind)
                which += (which.empty() ? "" : ", ") + std::to_string(r->column);
            row.verdict += (behind.size() == 1 ? " (column " : " (columns ") + which + ")";
        }
    }
    for (const SeriesReport *r : analysed) {
        if (r->assessed && r->forecast.made &&
            (!row.forecast || r->forecast.equilibrium_time_s > row.forecast->equilibrium_time_s))
            row.forecast = r->forecast;
        if (r->assessed && r->noise.dof > 0 && (!row.noise || r->noise.sigma > *row.noise))
            row.noise = r->noise.sigma;
        for (const ReportScan &scan : r->scans)
            if (!row.last_scan_s || scan.time_s > *row.last_scan_s) row.last_scan_s = scan.time_s;
    }
    return row;
}

std::string printed(const char *format, double v) {
    char text[48];
    std::snprintf(text, sizeof text, format, v);
    return text;
}

}  // namespace

std::vector<SummaryRow> summary_rows(const std::vector<SeriesReport> &series) {
    std::vector<SummaryRow> rows;
    for (size_t i = 0; i < series.size();) {
        std::vector<const SeriesReport *> same{&series[i]};
        size_t next = i + 1;
        while (next < series.size() && series[next].number == series[i].number)
            same.push_back(&series[next++]);
        rows.push_back(row_of(same));
        i = next;
    }
    return rows;
}

std::vector<std::string> summary_headings() {
    return {"Series",  "Cell",           "Speed (rpm)", "Wavelength (nm)", "Scans",
            "Verdict", "t_eq (h, 95 %)", "Columns",     "Noise",           "Last scan (h)"};
}

std::vector<std::string> summary_cells(const SummaryRow &r) {
    const std::string unknown = "?";
    std::string scans = std::to_string(r.scans);
    if (r.scans_in_series > r.scans)
        scans = "latest " + scans + " of " + std::to_string(r.scans_in_series);
    std::string t_eq = "\u2013";
    // The data may bound t_eq from below only, or not even that.
    if (r.forecast && r.forecast->one_sided)
        t_eq = hours_number(r.forecast->equilibrium_time_s, 1) +
               (r.forecast->interval_low_s > 0.0
                    ? " (not before " + hours_number(r.forecast->interval_low_s, 1) + ")"
                    : std::string());
    else if (r.forecast)
        t_eq = hours_number(r.forecast->equilibrium_time_s, 1) + " (" +
               hours_number(r.forecast->interval_low_s, 1) + " \u2026 " +
               hours_number(r.forecast->interval_high_s, 1) + ")";
    // The unit once, and a column's number kept with its limits where the
    // cell wraps.
    std::string columns;
    for (size_t k = 0; k < r.columns.size(); ++k)
        columns += (k ? ", " : "") +
                   (r.columns.size() > 1 ? std::to_string(k + 1) + ":\u00a0" : std::string()) +
                   r.columns[k];
    if (!columns.empty()) columns += " " + r.column_unit;
    if (columns.empty()) columns = r.scans < kMinActiveSets ? "\u2013" : "whole range";
    return {std::to_string(r.number),
            r.cell ? std::to_string(*r.cell) : unknown,
            r.speed_rpm ? grouped_number(*r.speed_rpm) : unknown,
            r.wavelength_nm ? printed("%g", *r.wavelength_nm) : unknown,
            scans,
            r.verdict,
            t_eq,
            columns,
            r.noise ? printed("%.2e", *r.noise) : "\u2013",
            r.last_scan_s ? hours_number(*r.last_scan_s, 1) : "\u2013"};
}

SeriesStanding standing_of(const SummaryRow &row) {
    return {row.speed_rpm, row.last_scan_s, row.reached};
}

std::string speed_change_line(const std::vector<SeriesStanding> &series) {
    // The speed the run is at now: that of the latest scan.
    const SeriesStanding *latest = nullptr;
    for (const SeriesStanding &s : series)
        if (s.last_scan_s && s.speed_rpm && (!latest || *s.last_scan_s > *latest->last_scan_s))
            latest = &s;
    if (!latest) return {};
    const double speed = *latest->speed_rpm;
    int count = 0;
    for (const SeriesStanding &s : series) {
        if (!s.speed_rpm || std::fabs(*s.speed_rpm - speed) > kSpeedTolerance * speed) continue;
        if (!s.reached) return {};
        ++count;
    }
    const std::string at = " at " + grouped_number(speed) + " rpm";
    return (count == 1 ? "the one series" + at + " reached"
                       : "all " + std::to_string(count) + " series" + at + " reached") +
           " equilibrium: the speed can be changed";
}

std::string report_time_now() {
    // A build or a test that pins time (SOURCE_DATE_EPOCH, in UTC) gets the
    // same report every time.
    const char *pinned = std::getenv("SOURCE_DATE_EPOCH");
    char *end = nullptr;
    const long long epoch = pinned ? std::strtoll(pinned, &end, 10) : 0;
    const bool use_pinned = pinned && *pinned && end && *end == '\0';
    const std::time_t now = use_pinned ? static_cast<std::time_t>(epoch) : std::time(nullptr);
    std::tm local{};
    if (use_pinned)
        gmtime_r(&now, &local);
    else
        localtime_r(&now, &local);
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M %Z", &local);
    return text;
}

}  // namespace quillane::session
