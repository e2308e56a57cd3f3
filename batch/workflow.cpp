// SPDX-License-Identifier: MIT
#include "workflow.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>

#include "plot_keeper.h"
#include "report_pdf.h"
#include "results.h"

namespace batch {
namespace {

namespace fs = std::filesystem;
using quillane::session::Assessment;
using quillane::session::GraphRequest;
using quillane::session::Outcome;
using quillane::session::Session;

std::vector<int> active_sets(const Options &o, size_t files) {
    if (!o.active.empty()) return o.active;
    std::vector<int> all;
    for (int k = 1; k <= static_cast<int>(files); ++k)
        all.push_back(k);
    return all;
}

void add_string(void *ctx, const char *line) {
    std::string text(line);
    text.erase(text.find_last_not_of(' ') + 1);
    std::printf("%s\n", text.c_str());
    ++static_cast<StdoutListBox *>(ctx)->lines;
}
int32_t get_count(void *ctx) {
    return static_cast<StdoutListBox *>(ctx)->lines;
}
void set_top_index(void *, int32_t) {}
void update(void *) {
    std::fflush(stdout);
}
int32_t dispatch_pending(void *) {
    return 0;
}

// A plot the session made is kept under the next number; one it did not
// make is a problem, told once, with the session's reason.
void keep_plot(PlotKeeper &keeper, const Outcome &made, const std::string &what,
               std::vector<KeptPlot> &plots, Problems &problems) {
    problems.add_all(made);
    if (!made.plot_written) {
        if (!made.done)
            problems.add(what + ": " + made.refusal);
        else if (made.errors.empty())
            problems.add("no plot was made for the " + what);
        return;
    }
    std::string why;
    if (!keeper.keep(what, plots, why)) problems.add(why);
}

}  // namespace

bool same_file(const std::string &a, const std::string &b) {
    std::error_code ec;
    if (fs::exists(a, ec) && fs::exists(b, ec)) return fs::equivalent(a, b, ec);
    return fs::weakly_canonical(a, ec) == fs::weakly_canonical(b, ec);
}

std::vector<std::pair<std::string, std::string>> output_files(const Options &o) {
    std::vector<std::pair<std::string, std::string>> outputs{{"--out", o.report}};
    if (!o.report_pdf.empty()) outputs.emplace_back("--report-pdf", o.report_pdf);
    if (!o.csv.empty()) outputs.emplace_back("--csv", o.csv);
    if (!o.json.empty()) outputs.emplace_back("--json", o.json);
    return outputs;
}

void quiet(Session &session) {
    static StdoutListBox nobody;
    static const quillane_listbox_ctx_ops discard{
        [](void *, const char *) {}, [](void *) { return int32_t{0}; }, [](void *, int32_t) {},
        [](void *) {}, [](void *) { return int32_t{0}; }};
    session.attach_list_box(discard, &nobody, kListBoxLines);
}

std::string hours(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f h", seconds / 3600.0);
    return text;
}

const quillane_listbox_ctx_ops &StdoutListBox::operations() {
    static const quillane_listbox_ctx_ops ops{add_string, get_count, set_top_index, update,
                                              dispatch_pending};
    return ops;
}

void Problems::add(const std::string &problem) {
    std::fprintf(stderr, "quillane-batch: %s\n", problem.c_str());
    list.push_back(problem);
}

void Problems::add_all(const Outcome &outcome) {
    for (const std::string &e : outcome.errors) {
        // The library names its report "the output file" in every failure
        // to open, write or close it.
        if (e.find("the output file") != std::string::npos) report_failed = true;
        add(e);
    }
}

int check_inputs(const Options &o, std::string &error) {
    // Nothing the run writes may be one of the scans it reads, or another of
    // its outputs: the report is emptied first.  (Kept plots are claimed as
    // new files and never replace anything.)
    const auto outputs = output_files(o);
    for (size_t i = 0; i < outputs.size(); ++i) {
        const auto &[option, path] = outputs[i];
        for (const std::string &f : o.files) {
            if (same_file(path, f)) {
                error = option + " " + path + " names the scan file " + f +
                        ", which would be overwritten";
                return kExitUsage;
            }
        }
        for (size_t j = 0; j < i; ++j) {
            if (same_file(path, outputs[j].second)) {
                error = option + " and " + outputs[j].first + " name the same file " + path;
                return kExitUsage;
            }
        }
    }
    return kExitOk;
}

int check_selection(const Options &o, std::string &error) {
    const std::vector<int> active = active_sets(o, o.files.size());
    const int n = static_cast<int>(o.files.size());
    std::set<int> seen;
    for (int k : active) {
        if (k < 1 || k > n || !seen.insert(k).second) {
            error = "--active: " + std::to_string(k) + " is not one of the data sets 1.." +
                    std::to_string(n) + " (or is named twice)";
            return kExitUsage;
        }
    }
    if (static_cast<int>(active.size()) < quillane::session::kMinActiveSets) {
        error =
            "at least 3 active data sets are needed; " + std::to_string(active.size()) + " active";
        return kExitUsage;
    }
    if (o.ref != 0 && (o.ref < 1 || o.ref > static_cast<int>(active.size()))) {
        error = "--ref must be an active set number 1.." + std::to_string(active.size());
        return kExitUsage;
    }
    return kExitOk;
}

int read_scans(const Options &o, Session &session, const std::vector<std::string> &files,
               std::vector<quillane::session::FileOutcome> &files_read, Problems &problems,
               std::string &error) {
    if (!session.create_report(o.report, error)) return kExitFailed;
    session.initialise(o.echo);
    problems.add_all(session.set_plot_save(false));
    files_read.clear();
    const Outcome read = session.read_and_select(files, active_sets(o, files.size()), &files_read);
    if (!read.done) {
        error = read.refusal;
        return kExitUsage;
    }
    return kExitOk;
}

std::string columns_found(const Session &session,
                          const std::vector<quillane::session::Column> &columns) {
    if (columns.empty()) {
        const quillane::session::Limits data = session.data_range();
        char text[160];
        std::snprintf(text, sizeof text,
                      "no solution column was found in these scans (their data span %.3f .. %.3f "
                      "%s)",
                      data.low, data.high, quillane::session::limits_unit(session.xi_mode()));
        return text;
    }
    std::string text = "the scans show " + std::to_string(columns.size()) + " solution column" +
                       (columns.size() == 1 ? "" : "s") + ":";
    for (size_t k = 0; k < columns.size(); ++k)
        text += (k ? ", " : " ") + std::to_string(k + 1) + ": " +
                quillane::session::column_limits_text(columns[k], session.xi_mode());
    return text;
}

std::string range_in_use(const Session &session, quillane::session::Limits range) {
    char text[128];
    std::snprintf(text, sizeof text, "%g .. %g %s", range.low, range.high,
                  quillane::session::limits_unit(session.xi_mode()));
    std::string line = text;
    const auto points = session.points_in_range();
    if (points.read > points.inside)
        line += ", which leaves " + std::to_string(points.read - points.inside) + " of the " +
                std::to_string(points.read) + " points read out";
    return line;
}

int fit_and_assess(const Options &o, Session &session, Problems &problems, Assessment &assessment,
                   bool &assessed, std::string &error) {
    if (o.radius) problems.add_all(session.set_position_variable(false));
    if (o.span || o.terms) {
        const auto parms = session.differ_parms();
        const Outcome set =
            session.set_differ_parms(o.span.value_or(parms.span), o.terms.value_or(parms.terms));
        if (!set.done) {
            error = set.refusal;
            return kExitUsage;
        }
    }
    std::optional<std::pair<double, double>> limits = o.limits;
    if (o.column != 0) {
        Outcome found;
        const auto columns = session.solution_columns(o.margin, &found);
        problems.add_all(found);
        // No range stands in for a column that is not there: the data
        // beside a column hold menisci, bases and windows.
        if (o.column > static_cast<int>(columns.size())) {
            error = "--column " + std::to_string(o.column) + ": " +
                    columns_found(session, columns) +
                    " (--columns --verbose says why each stretch was or was not taken; "
                    "--limits LO HI sets limits by hand)";
            return kExitUsage;
        } else {
            const auto &c = columns[static_cast<size_t>(o.column - 1)];
            std::printf("quillane-batch: solution column %d: %s\n", o.column,
                        quillane::session::column_limits_text(c, session.xi_mode()).c_str());
            limits = std::pair{c.low, c.high};
        }
    }
    if (limits) {
        const Outcome limited = session.set_limits(limits->first, limits->second);
        problems.add_all(limited);
        if (!limited.done) {
            error = "--limits " + std::to_string(limits->first) + " " +
                    std::to_string(limits->second) + ": " + limited.refusal;
            return kExitUsage;
        }
        if (!limited.span_ok) {
            error = "the limits " + std::to_string(limits->first) + " .. " +
                    std::to_string(limits->second) + " leave a data set with no more than " +
                    std::to_string(session.differ_parms().span) +
                    " points (the differentiation span)";
            return kExitFailed;
        }
    }
    const auto parms = session.differ_parms();
    if (parms.points <= parms.span)
        std::fprintf(stderr,
                     "quillane-batch: warning: an active set has %d points inside the limits, "
                     "not more than the span of %d\n",
                     parms.points, parms.span);

    quillane::session::AssessmentSettings settings = session.assessment_settings();
    if (o.block_hours) settings.block_s = *o.block_hours * 3600.0;
    if (o.tolerance) settings.tolerance = *o.tolerance;
    settings.exact_f = o.exact_f;
    const Outcome set = session.set_assessment_settings(settings);
    problems.add_all(set);

    // Like the program, the last active set is the reference unless one is named.
    const int ref = o.ref != 0 ? o.ref : session.suggested_reference();
    problems.add_all(session.fit(ref));

    assessed = false;
    if (o.assess || !o.csv.empty() || !o.json.empty() || !o.watch.empty() ||
        !o.report_pdf.empty()) {
        const Outcome assessed_now = session.assess(o.assess, &assessment);
        problems.add_all(assessed_now);
        assessed = assessed_now.done;
    }
    std::string why;
    if (!o.csv.empty() && !quillane::session::write_file_atomically(
                              o.csv, quillane::session::results_csv(session), why)) {
        problems.add(why);
        problems.unwritten.insert("--csv");
    }
    if (!o.json.empty() &&
        !quillane::session::write_file_atomically(
            o.json, quillane::session::results_json(session, assessed ? &assessment : nullptr),
            why)) {
        problems.add(why);
        problems.unwritten.insert("--json");
    }
    return kExitOk;
}

int run_workflow(const Options &o, const std::vector<std::string> &record, Session &session,
                 std::vector<KeptPlot> &plots, Problems &problems, std::string &error,
                 quillane::session::SeriesReport *report) {
    PlotKeeper keeper(o.plots_dir);
    static StdoutListBox list_box;
    session.attach_list_box(StdoutListBox::operations(), &list_box, kListBoxLines);
    std::error_code ec;
    if (fs::exists(o.report, ec))
        std::fprintf(stderr, "quillane-batch: note: the report %s exists and is overwritten\n",
                     o.report.c_str());
    if (!keeper.prepare(error)) return kExitFailed;
    session.set_plot_file(keeper.plot_file());

    std::vector<quillane::session::FileOutcome> files;
    if (const int code = read_scans(o, session, o.files, files, problems, error); code != kExitOk)
        return code;
    int with_points = 0;
    for (const auto &f : files) {
        if (f.points > 0) {
            ++with_points;
            continue;
        }
        if (f.error.rfind("Cannot open", 0) == 0) {
            error = "cannot read the scan file " + f.name + ": " + f.error;
            return kExitFailed;
        }
        problems.add("the scan file " + f.name + " holds no data points");
    }
    if (with_points == 0) {
        error = "no scan file gave any data points";
        return kExitFailed;
    }
    if (!record.empty()) problems.add_all(session.add_to_report(record));

    // The report's limits plot: every active set over the full range, made
    // before the limits narrow it (in the position variable analysed).
    ReportFigures figures;
    if (report) {
        if (o.radius) problems.add_all(session.set_position_variable(false));
        std::vector<int> sets;
        for (int k = 1; k <= session.active_count(); ++k)
            sets.push_back(k);
        const Outcome made = session.data_plot(1, [&sets] { return sets; });
        problems.add_all(made);
        if (made.plot_written) {
            std::string why;
            figures.limits_plot = set_aside_plot(session.plot_file(), why);
            if (figures.limits_plot.empty()) problems.add(why);
        }
    }

    Assessment assessment;
    bool assessed = false;
    if (const int code = fit_and_assess(o, session, problems, assessment, assessed, error);
        code != kExitOk)
        return code;

    // Data plots of every active set together.
    const int n_active = session.active_count();
    const auto all = [n_active] {
        std::vector<int> sets;
        for (int k = 1; k <= n_active; ++k)
            sets.push_back(k);
        return sets;
    };
    const char *data_kinds[] = {"", "values against position", "slopes against position",
                                "slopes against value"};
    for (int kind = 1; kind <= 3; ++kind)
        keep_plot(keeper, session.data_plot(kind, all),
                  std::string("data plot: ") + data_kinds[kind] + ", all active sets", plots,
                  problems);

    // Result graphs with every fit kind; deviations of every set but the
    // reference; positions at the quartiles of the limits.
    const int ref = session.fit_reference();
    GraphRequest graph;
    graph.fit_kinds = {true, true, true};
    graph.reference = ref;
    for (int k = 1; k <= n_active; ++k)
        if (k != ref) graph.sets.push_back(k);
    const auto [lo, hi] = session.limits();
    graph.positions = {lo + 0.25 * (hi - lo), lo + 0.5 * (hi - lo), lo + 0.75 * (hi - lo)};
    const char *graphs[] = {"",
                            "result graph: RMS deviations against time",
                            "result graph: variances against time",
                            "result graph: deviations against position",
                            "result graph: deviations against time at chosen positions",
                            "result graph: position offsets against time"};
    // The kept plot just made, for the report's figures.
    auto last_kept = [&plots](size_t before) {
        return plots.size() > before ? plots.back().path : std::string();
    };
    for (int kind = QUILLANE_GRAPH_RMS; kind <= QUILLANE_GRAPH_OFFSETS; ++kind) {
        graph.kind = static_cast<quillane::session::GraphKind>(kind);
        const size_t before = plots.size();
        keep_plot(keeper, session.result_graph(graph), graphs[kind], plots, problems);
        if (graph.kind == quillane::session::GraphKind::rms) figures.rms_plot = last_kept(before);
    }

    if ((o.assess || report) && assessed) {
        const size_t before = plots.size();
        keep_plot(keeper, session.equilibrium_plot(), "result graph: the approach to equilibrium",
                  plots, problems);
        figures.equilibrium_plot = last_kept(before);
    }
    if (report) *report = series_report(o, session, assessed ? &assessment : nullptr, figures);
    if (o.assess && assessed) {
        std::printf("quillane-batch: %s\n", assessment.verdict.text.c_str());
        const auto &f = assessment.forecast;
        for (const std::string &note : assessment.verdict.notes)
            std::printf("quillane-batch:   %s\n", note.c_str());
        if (f.made && f.one_sided)
            std::printf("quillane-batch: equilibrium forecast at %s (not before %s), tau %s\n",
                        hours(f.equilibrium_time_s).c_str(), hours(f.interval_low_s).c_str(),
                        hours(f.tau_s).c_str());
        else if (f.made)
            std::printf("quillane-batch: equilibrium forecast at %s (%s .. %s), tau %s\n",
                        hours(f.equilibrium_time_s).c_str(), hours(f.interval_low_s).c_str(),
                        hours(f.interval_high_s).c_str(), hours(f.tau_s).c_str());
        else
            std::printf("quillane-batch: no forecast: %s\n", f.reason.c_str());
    }
    return kExitOk;
}

}  // namespace batch
