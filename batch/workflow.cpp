// SPDX-License-Identifier: MIT
#include "workflow.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>

#include "hours_format.h"
#include "plot_keeper.h"
#include "report_pdf.h"
#include "results.h"
#include "series_analysis.h"

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

// A plot the session made is kept under the next number, with what it
// shows; one it did not make is a problem, told once, with the session's
// reason.
void keep_plot(PlotKeeper &keeper, const Outcome &made, KeptPlot plot, std::vector<KeptPlot> &plots,
               Problems &problems) {
    const std::string what = plot.what;
    problems.add_all(made);
    if (!made.plot_written) {
        if (!made.done)
            problems.add(what + ": " + made.refusal);
        else if (made.errors.empty())
            problems.add("no plot was made for the " + what);
        return;
    }
    std::string why;
    if (!keeper.keep(std::move(plot), plots, why)) problems.add(why);
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

const quillane_listbox_ctx_ops &StdoutListBox::operations() {
    static const quillane_listbox_ctx_ops ops{add_string, get_count, set_top_index, update,
                                              dispatch_pending};
    return ops;
}

void Problems::add(const std::string &problem) {
    std::fprintf(stderr, "quillane-batch: %s\n", problem.c_str());
    list.push_back(problem);
}

void Problems::add_error(const std::string &error) {
    // The library names its report "the output file" in every failure to
    // open, write or close it.
    if (error.find("the output file") != std::string::npos) report_failed = true;
    add(error);
}

void Problems::add_all(const Outcome &outcome) {
    for (const std::string &e : outcome.errors)
        add_error(e);
}

void RunnerFeedback::notice(const std::string &text) {
    std::fprintf(stderr, "quillane-batch: %s\n", text.c_str());
}

void RunnerFeedback::problem(const std::string &text) {
    problems_.add_error(text);
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

quillane::session::AnalysisChoice analysis_choice(const Options &o) {
    quillane::session::AnalysisChoice c;
    c.radius = o.radius;
    c.column = o.column;
    c.column_margin_cm = o.margin;
    if (o.column == 0) c.limits = o.limits;
    c.span = o.span;
    c.terms = o.terms;
    if (o.block_hours) c.block_s = *o.block_hours * quillane::kSecondsPerHour;
    c.tolerance = o.tolerance;
    c.exact_f = o.exact_f;
    c.reference = o.ref;
    c.assess =
        o.assess || !o.csv.empty() || !o.json.empty() || !o.watch.empty() || !o.report_pdf.empty();
    c.assessment_in_report = o.assess;
    return c;
}

int fit_and_assess(const Options &o, Session &session, Problems &problems, Assessment &assessment,
                   bool &assessed, std::string &error) {
    RunnerFeedback feedback(problems);
    const quillane::session::AnalysisResult r =
        quillane::session::analyse_scans(session, analysis_choice(o), feedback);
    using quillane::session::AnalysisRefusal;
    switch (r.refused) {
        case AnalysisRefusal::none:
            break;
        case AnalysisRefusal::column_missing:
            error = "--column " + std::to_string(o.column) + ": " + r.refusal +
                    " (--columns --verbose says why each stretch was or was not taken; "
                    "--limits LO HI sets limits by hand)";
            return kExitUsage;
        case AnalysisRefusal::setting:
            error = r.refusal;
            return kExitUsage;
        case AnalysisRefusal::fit:
            problems.add("the fit was refused: " + r.refusal);
            break;
        case AnalysisRefusal::span:
            error = r.refusal;
            return kExitFailed;
    }
    if (!r.column_text.empty())
        std::printf("quillane-batch: solution column %d: %s\n", o.column, r.column_text.c_str());
    // Points the limits leave out are said, as the program's status line
    // says them.
    if (const std::string out = session.points_left_out_text(); !out.empty()) feedback.notice(out);
    assessed = r.assessed;
    if (assessed) assessment = r.assessment;
    write_results(o, session, assessed ? &assessment : nullptr, problems);
    return kExitOk;
}

void write_results(const Options &o, const Session &session, const Assessment *assessment,
                   Problems &problems) {
    std::string why;
    if (!o.csv.empty() && !quillane::session::write_file_atomically(
                              o.csv, quillane::session::results_csv(session), why)) {
        problems.add(why);
        problems.unwritten.insert("--csv");
    }
    if (!o.json.empty() && !quillane::session::write_file_atomically(
                               o.json, quillane::session::results_json(session, assessment), why)) {
        problems.add(why);
        problems.unwritten.insert("--json");
    }
}

int run_workflow(const Options &o, const std::vector<std::string> &record, Session &session,
                 std::vector<KeptPlot> &plots, Problems &problems, std::string &error,
                 quillane::session::SeriesReport *report) {
    PlotKeeper keeper(o.plots_dir);
    static StdoutListBox list_box;
    session.attach_list_box(StdoutListBox::operations(), &list_box, kListBoxLines);
    std::error_code ec;
    if (fs::is_regular_file(o.report, ec))
        std::fprintf(stderr, "quillane-batch: note: the report %s exists and is overwritten\n",
                     o.report.c_str());
    if (!keeper.prepare(error)) return kExitFailed;
    session.set_plot_file(keeper.plot_file());

    std::vector<quillane::session::FileOutcome> files;
    if (const int code = read_scans(o, session, o.files, files, problems, error); code != kExitOk)
        return code;
    int with_points = 0;
    for (const auto &f : files) {
        // A file the full point store cut is a failure of the run, said once.
        if (f.points_not_read > 0) problems.add(quillane::session::point_store_cut(f));
        if (f.not_a_scan) {
            // Left out before the library read it; the plan said so.
            continue;
        }
        if (f.points > 0) {
            ++with_points;
            continue;
        }
        if (f.points_not_read > 0) continue;
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
            figures.limits = set_aside_plot(session.plot_file(), why);
            if (figures.limits.empty()) problems.add(why);
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
        keep_plot(
            keeper, session.data_plot(kind, all),
            {{}, std::string("data plot: ") + data_kinds[kind] + ", all active sets", {all()}},
            plots, problems);

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
        keep_plot(keeper, session.result_graph(graph), {{}, graphs[kind], {{}, graph}}, plots,
                  problems);
        if (graph.kind == quillane::session::GraphKind::rms) figures.rms = last_kept(before);
    }

    if ((o.assess || report) && assessed) {
        const size_t before = plots.size();
        KeptPlot equilibrium{{}, "result graph: the approach to equilibrium", {}, assessment};
        equilibrium.subject.equilibrium = true;
        keep_plot(keeper, session.equilibrium_plot(), std::move(equilibrium), plots, problems);
        figures.equilibrium = last_kept(before);
    }
    if (report) *report = series_report(o, session, assessed ? &assessment : nullptr, figures);
    if (o.assess && assessed) {
        std::printf("quillane-batch: %s\n", assessment.verdict.text.c_str());
        const auto &f = assessment.forecast;
        // The forecast line speaks hours with two decimals, as the status lines do.
        const auto in_hours = [](double s) { return quillane::hours_with_unit(s, 2); };
        for (const std::string &note : assessment.verdict.notes)
            std::printf("quillane-batch:   %s\n", note.c_str());
        if (f.made && f.one_sided)
            std::printf("quillane-batch: equilibrium forecast at %s (not before %s), tau %s\n",
                        in_hours(f.equilibrium_time_s).c_str(), in_hours(f.interval_low_s).c_str(),
                        in_hours(f.tau_s).c_str());
        else if (f.made)
            std::printf("quillane-batch: equilibrium forecast at %s (%s .. %s), tau %s\n",
                        in_hours(f.equilibrium_time_s).c_str(), in_hours(f.interval_low_s).c_str(),
                        in_hours(f.interval_high_s).c_str(), in_hours(f.tau_s).c_str());
        else
            std::printf("quillane-batch: no forecast: %s\n", f.reason.c_str());
    }
    return kExitOk;
}

}  // namespace batch
