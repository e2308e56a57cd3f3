// SPDX-License-Identifier: MIT
#include "series_plan.h"

#include <cstdio>
#include <filesystem>

#include "run_listing.h"
#include "series_analysis.h"
#include "workflow.h"

namespace batch {
namespace {

namespace fs = std::filesystem;
using quillane::session::ordinal;
using quillane::session::ScanFacts;
using quillane::session::SeriesSplit;
using quillane::session::Session;

constexpr int kMaxScans = quillane::session::kMaxDataSets;

// The smallest --every that brings `count` scans within the store.
int every_needed(size_t count) {
    return static_cast<int>((count + kMaxScans - 1) / kMaxScans);
}

// Files thinned by --every; a refusal when still too many.
std::vector<std::string> thinned(const Options &o, const std::vector<std::string> &files,
                                 const std::string &what, std::vector<std::string> &record,
                                 std::string &refusal) {
    std::vector<int> positions;
    for (int i = 1; i <= static_cast<int>(files.size()); ++i)
        positions.push_back(i);
    const std::vector<int> kept = quillane::session::every_nth(positions, o.every);
    std::vector<std::string> taken;
    for (int i : kept)
        taken.push_back(files[static_cast<size_t>(i - 1)]);
    if (o.every > 1)
        record.push_back("Every " + ordinal(o.every) + " scan is taken, the latest first: " +
                         std::to_string(taken.size()) + " of " + std::to_string(files.size()));
    if (static_cast<int>(taken.size()) > kMaxScans)
        refusal = what + " has " + std::to_string(taken.size()) +
                  " scans, more than the 50 that can be analysed together: --every " +
                  std::to_string(every_needed(taken.size()) * o.every) +
                  " keeps the latest scan and every " +
                  ordinal(every_needed(taken.size()) * o.every) + " one before it";
    return taken;
}

// The options of one series' analysis; --each-series puts its outputs into
// series-K/ beside the report.
AnalysisRun series_run(const Options &o, const SeriesSplit &split,
                       const std::vector<ScanFacts> &facts, int k, bool own_folder) {
    AnalysisRun run;
    run.options = o;
    run.series = k;
    run.label = quillane::session::series_label(split, k);
    std::vector<std::string> files;
    for (int i : split.series[static_cast<size_t>(k - 1)].scans)
        files.push_back(facts[static_cast<size_t>(i - 1)].file);
    run.record.push_back(quillane::session::series_summary(split));
    run.record.push_back(quillane::session::series_choice_line(split, k));
    run.options.files = thinned(o, files, "series " + std::to_string(k) + " (" + run.label + ")",
                                run.record, run.refusal);
    if (own_folder) {
        const fs::path report(o.report);
        const std::string name = "series-" + std::to_string(k);
        const fs::path folder =
            report.has_parent_path() ? report.parent_path() / name : fs::path(name);
        run.folder = folder.string();
        run.options.report = (folder / report.filename()).string();
        const fs::path plots(o.plots_dir);
        run.options.plots_dir =
            (folder / (plots.is_relative() ? plots : plots.filename())).lexically_normal().string();
        if (!o.csv.empty()) run.options.csv = (folder / fs::path(o.csv).filename()).string();
        if (!o.json.empty()) run.options.json = (folder / fs::path(o.json).filename()).string();
    }
    for (const std::string &note : split.notes)
        run.record.push_back("Note: " + note);
    return run;
}

std::string series_lines(const SeriesSplit &split, const std::vector<ScanFacts> &facts) {
    std::string text;
    for (int k = 1; k <= static_cast<int>(split.series.size()); ++k)
        text += "\n  " + quillane::session::series_line(split, k, facts);
    return text;
}

}  // namespace

int plan_runs(const Options &o, Session &session, std::vector<AnalysisRun> &runs,
              std::string &error) {
    runs.clear();
    quiet(session);
    // The files as the program's Open Run takes them: files that are no
    // scans are left out before anything is read, and said.
    const quillane::session::RunListing listing =
        quillane::session::list_run_files(session, o.files);
    std::vector<std::string> not_scans;
    for (const quillane::session::LeftOutFile &file : listing.left_out) {
        if (!file.not_a_scan) {
            error = file.text;
            return kExitFailed;
        }
        not_scans.push_back(file.text);
    }
    if (!not_scans.empty() && !o.active.empty()) {
        // --active numbers the files given: leaving one out would shift
        // every number after it.
        error = not_scans.front() + "; --active numbers the files given, so leave it out of them";
        return kExitUsage;
    }
    for (const std::string &text : not_scans)
        std::fprintf(stderr, "quillane-batch: %s\n", text.c_str());
    Options given = o;
    given.files.clear();
    for (const ScanFacts &f : listing.scans)
        given.files.push_back(f.file);
    if (given.files.empty()) {
        error = "none of the files given is a scan file";
        return kExitFailed;
    }
    const std::vector<ScanFacts> &facts = listing.scans;
    const SeriesSplit &split = listing.split;
    for (const std::string &note : split.notes)
        std::fprintf(stderr, "quillane-batch: note: %s\n", note.c_str());
    const int count = static_cast<int>(split.series.size());

    if (o.series == "list") {
        for (int k = 1; k <= count; ++k)
            std::printf("%s\n", quillane::session::series_line(split, k, facts).c_str());
        std::fflush(stdout);
        return kExitOk;
    }

    // The files as given: asked for, picked by hand with --active, or one
    // series anyway.
    const bool chosen = !o.series.empty() || o.each_series;
    if (o.series == "all" || (!chosen && (count <= 1 || !o.active.empty()))) {
        AnalysisRun run;
        run.options = given;
        run.record = not_scans;
        if (count > 1) {
            run.record.push_back("The files make " + quillane::session::series_summary(split));
            run.record.push_back("They are analysed together, as given");
        }
        for (const std::string &note : split.notes)
            run.record.push_back("Note: " + note);
        run.options.files = thinned(o, given.files, "the run", run.record, run.refusal);
        if (!run.refusal.empty()) {
            error = run.refusal + (count > 1 ? "; or choose a series with --series K" : "");
            return kExitUsage;
        }
        runs.push_back(run);
        return kExitOk;
    }
    if (!chosen) {
        error = "the scan files make " + std::to_string(count) +
                " series, which cannot be compared with each other: choose one with --series "
                "K, or analyse each with --each-series (--series all takes them together)" +
                series_lines(split, facts);
        return kExitUsage;
    }
    if (o.each_series) {
        for (int k = 1; k <= count; ++k) {
            const size_t scans = split.series[static_cast<size_t>(k - 1)].scans.size();
            if (static_cast<int>(scans) < quillane::session::kMinActiveSets) {
                std::printf("quillane-batch: series %d (%s) is too short to fit and is left out\n",
                            k, quillane::session::series_label(split, k).c_str());
                continue;
            }
            runs.push_back(series_run(given, split, facts, k, true));
            runs.back().record.insert(runs.back().record.begin(), not_scans.begin(),
                                      not_scans.end());
        }
        if (runs.empty()) {
            error = "no series has the 3 scans a fit needs; nothing was analysed" +
                    series_lines(split, facts);
            return kExitFailed;
        }
        return kExitOk;
    }
    const int k = o.series_number();
    if (k < 1 || k > count) {
        error = "--series " + o.series + ": the scan files make " + std::to_string(count) +
                " series" + series_lines(split, facts);
        return kExitUsage;
    }
    AnalysisRun run = series_run(given, split, facts, k, false);
    run.record.insert(run.record.begin(), not_scans.begin(), not_scans.end());
    if (!run.refusal.empty()) {
        error = run.refusal;
        return kExitUsage;
    }
    runs.push_back(run);
    return kExitOk;
}

namespace {

// Every stretch the column finder looked at (cm), and why it is or is not
// a column: for checking its answer by eye.
void print_stretches(const Session &session) {
    for (const quillane::session::ColumnStretch &s : session.column_stretches()) {
        std::printf("  %.3f .. %.3f cm: level %.3f, noise %.4f", s.from_cm, s.to_cm, s.level,
                    s.deviation);
        if (s.sd >= 0.0) std::printf(", replicate SD %.4f", s.sd);
        if (s.column)
            std::printf("; a column%s%s\n", s.reason.empty() ? "" : ": ", s.reason.c_str());
        else
            std::printf("; %s\n", s.reason.c_str());
    }
}

}  // namespace

int list_columns(const AnalysisRun &run, Session &session, std::string &error) {
    // Read as an analysis would, with no report.
    Options o = run.options;
    o.report = "NUL";
    o.echo = false;
    quiet(session);
    std::vector<quillane::session::FileOutcome> files;
    Problems problems;
    if (const int code = read_scans(o, session, o.files, files, problems, error); code != kExitOk)
        return code;
    for (const auto &f : files)
        if (f.points_not_read > 0) problems.add(quillane::session::point_store_cut(f));
    if (o.radius) session.set_position_variable(false);
    quillane::session::Outcome found;
    const auto columns = session.solution_columns(o.margin, &found);
    if (!found.done) {
        error = found.refusal;
        return kExitUsage;
    }
    const char *unit = quillane::session::limits_unit(session.xi_mode());
    for (size_t k = 0; k < columns.size(); ++k)
        std::printf("%zu: %.3f %.3f %s\n", k + 1, columns[k].low, columns[k].high, unit);
    if (o.verbose) print_stretches(session);
    std::fflush(stdout);
    if (columns.empty())
        std::fprintf(stderr,
                     "quillane-batch: %s; no verdict rests on a range without one, so give "
                     "--limits inside a column by hand\n",
                     quillane::session::columns_found_text(session, columns).c_str());
    // Columns found in cut scans are not the columns of the files.
    return problems.list.empty() ? kExitOk : kExitFailed;
}

}  // namespace batch
