// SPDX-License-Identifier: MIT
#include "fit_match.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "fit_fquantile.h"
#include "fit_slopes.h"
#include "ftn_format.h"

namespace quillane {

static_assert(kFitSets == kMaxDataSets, "the result tables hold one row per active set");

namespace {

// " Ref  i DS  j" that every line of a pair starts with.
void start_pair_line(std::string &line, int i, int j) {
    line.clear();
    line += " Ref";
    ftn::append_int(line, i, 3);
    line += " DS";
    ftn::append_int(line, j, 3);
}

void start_result_line(std::string &line, int i, int j, double var, double rms) {
    start_pair_line(line, i, j);
    line += " VAR:";
    ftn::append_sci(line, var, 11, 4);
    line += " RMS:";
    ftn::append_sci(line, rms, 10, 3);
}

void add_offset(std::string &line, const char *label, double value) {
    line += label;
    ftn::append_sci(line, value, 10, 3);
}

// A pair that cannot be compared keeps no results of an earlier fit.
void clear_pair(State &s, int i, int j) {
    FitResults &r = s.fit;
    r.pair_x_offset(i, j) = 0.0;
    r.pair_position_fitted(i, j) = 0;
    for (int k = 1; k <= kFitKinds; ++k) {
        r.pair_rss(k, i, j) = 0.0;
        r.pair_rms(k, i, j) = 0.0;
        r.pair_y_offset(k, i, j) = 0.0;
        if (i == r.fit_ref_set) {
            auto row = r.ref_deviations.row(k, j);
            std::fill(row.begin(), row.end(), 0.0f);
        }
    }
}

// One report line into the pair's buffer.
void file_line(FitWork &work, std::string_view line) {
    work.file_lines.append(line);
    work.file_lines.append("\r\n");
}

// One list-box line into the pair's buffer.
void box_line(FitWork &work, std::string_view line) {
    work.box_lines.append(line);
    work.box_lines.push_back('\n');
}

void skip_pair(State &s, FitWork &work, int i, int j) {
    clear_pair(s, i, j);
    std::string &line = work.line;
    start_pair_line(line, i, j);
    const int n = active_set_points(s, i);
    if (n < kMinReferencePoints) {
        line += " not compared: the reference set has";
        line += ftn::int_field(n, 6);
        line += " points, at least";
        line += ftn::int_field(kMinReferencePoints, 2);
        line += " are needed";
    } else {
        line += " not compared: the compared set has no points";
    }
    file_line(work, line);
}

// Deviations of compared set j at every point of the reference set, kept
// in single precision for the graphs; the reference set's sums of squares
// are formed again from these rounded values.
void store_ref_deviations(State &s, int i, int j, std::span<const ActivePoint> ref,
                          std::span<const double> matched, bool vanished) {
    FitResults &r = s.fit;
    // The table only grows: rows of a longer reference set of an earlier
    // fit keep their values beyond this set's points.
    const int n = static_cast<int>(ref.size());
    if (r.ref_deviations.points() < n) r.ref_deviations.resize(n);
    auto row1 = r.ref_deviations.row(1, j);
    auto row2 = r.ref_deviations.row(2, j);
    auto row3 = r.ref_deviations.row(3, j);
    const double y2 = r.pair_y_offset(2, i, j);
    const double dx = r.pair_x_offset(i, j);
    const double dy = r.pair_y_offset(3, i, j);
    double rss1 = 0.0, rss2 = 0.0, rss3 = 0.0;
    for (size_t m = 0; m < ref.size(); ++m) {
        const float e1 = static_cast<float>(matched[m] - ref[m].value);
        row1[m] = e1;
        rss1 += e1 * e1;
        const float e2 = static_cast<float>(e1 - y2);
        row2[m] = e2;
        rss2 += e2 * e2;
        if (vanished) {
            row3[m] = 0.0f;
        } else {
            const float e3 = static_cast<float>(e1 - dx * ref[m].work - dy);
            row3[m] = e3;
            rss3 += e3 * e3;
        }
    }
    r.pair_rss(1, i, j) = rss1;
    r.pair_rss(2, i, j) = rss2;
    r.pair_rss(3, i, j) = rss3;
}

}  // namespace

FitWork::FitWork(int largest_set)
    : matched_values(static_cast<size_t>(std::max(largest_set, 0)) + 1) {
    line.reserve(2 * kLogLineLength);
    f_message.reserve(2 * kLogLineLength);
    f_line.reserve(2 * kLogLineLength);
}

PairFit fit_pair(const PairSums &p) {
    PairFit f;
    const double n = p.count;
    f.rss[1] = p.sum_dev_sq;
    f.rms[1] = std::sqrt(std::fabs(p.sum_dev_sq / (n - 1.0)));

    f.y_offset[2] = p.sum_dev / n;
    f.rss[2] = p.sum_dev_sq - p.sum_dev * p.sum_dev / n;
    f.rms[2] = std::sqrt(std::fabs(f.rss[2] / (n - 2.0)));

    // Least squares of d = dy + dX a: the normal equations' determinant
    // vanishes when every slope is the same.
    const double det = p.sum_slope * p.sum_slope - n * p.sum_slope_sq;
    if (det == 0.0) {
        f.determinant_vanished = true;
        return f;
    }
    const double dx = (p.sum_slope * p.sum_dev - n * p.sum_slope_dev) / det;
    const double dy = (p.sum_slope_dev * p.sum_slope - p.sum_slope_sq * p.sum_dev) / det;
    f.x_offset = dx;
    f.y_offset[3] = dy;
    // sum (d - dy - dX a)^2, expanded so that it needs only the sums.
    f.rss[3] = p.sum_dev_sq + n * dy * dy + dx * dx * p.sum_slope_sq + 2.0 * dx * dy * p.sum_slope -
               2.0 * dy * p.sum_dev - 2.0 * dx * p.sum_slope_dev;
    f.rms[3] = std::sqrt(std::fabs(f.rss[3] / (n - 3.0)));
    return f;
}

double mid_radius(const State &s, int j) {
    const auto points = active_set_span(s, j);
    if (points.empty()) return 0.0;
    const double x1 = points.front().position;
    const double x2 = points.back().position;
    return s.xi_mode ? std::sqrt(x1 + x2) : (x1 + x2) / 2.0;
}

bool pair_comparable(const State &s, int i, int j) {
    return active_set_points(s, i) >= kMinReferencePoints && active_set_points(s, j) >= 1;
}

namespace {

struct PairOutcome {
    bool compared = false;
    bool determinant_vanished = false;
};

// Pair (i, j): its results go into their slots of the tables (and, for the
// reference set, into the rows of the deviation table), its report lines
// into work.file_lines and its list-box lines into work.box_lines.  Pairs
// share nothing else, so several may run at once.  The index looks the
// compared points up.
PairOutcome run_pair(State &s, FitWork &work, const MatchIndex &index, int i, int j) {
    if (!pair_comparable(s, i, j)) {
        skip_pair(s, work, i, j);
        return {};
    }
    FitResults &r = s.fit;
    const auto ref = active_set_span(s, i);
    const int n = static_cast<int>(ref.size());
    if (static_cast<int>(work.matched_values.size()) <= n) work.matched_values.resize(n + 1);
    const std::span<double> matched(work.matched_values.data() + 1, ref.size());
    const PairSums sums = index.match(i, j, matched);
    std::string &line = work.line;

    if (work.f_points != n || work.f_confidence != s.confidence_level) {
        const double f = critical_f(s, n - 1, n - 1, s.confidence_level / 100.0, &work.f_message);
        std::string &fl = work.f_line;
        fl.clear();
        fl += " F(NDF,NDF,1-P) =";
        ftn::append_fixed(fl, f, 7, 3);
        fl += " at ";
        ftn::append_fixed(fl, s.confidence_level, 5, 2);
        fl += "% confidence level";
        work.f_points = n;
        work.f_confidence = s.confidence_level;
    }
    if (!work.f_message.empty()) box_line(work, work.f_message);
    file_line(work, "");
    file_line(work, work.f_line);

    const PairFit fit = fit_pair(sums);
    const bool report = i > j;  // each unordered pair once, the higher set as reference
    // Kind 1 has no offset to store; its y-offset entry stays 0.
    auto store = [&](int k) {
        if (k > 1) r.pair_y_offset(k, i, j) = fit.y_offset[k];
        r.pair_rss(k, i, j) = fit.rss[k];
        r.pair_rms(k, i, j) = fit.rms[k];
    };
    store(1);
    if (report) {
        start_result_line(line, i, j, fit.rss[1], fit.rms[1]);
        file_line(work, line);
    }

    store(2);
    if (report) {
        start_result_line(line, i, j, fit.rss[2], fit.rms[2]);
        add_offset(line, " y-Offset:", fit.y_offset[2]);
        file_line(work, line);
    }

    r.pair_position_fitted(i, j) = fit.determinant_vanished ? 0 : 1;
    if (fit.determinant_vanished) {
        // The pair's kind-3 entries keep what an earlier fit left there.
        const std::string_view vanished = "  Determinant vanishes !! Bad data set ?";
        file_line(work, vanished);
        box_line(work, vanished);
    } else {
        r.pair_x_offset(i, j) = fit.x_offset;
        store(3);
        if (report) {
            start_result_line(line, i, j, fit.rss[3], fit.rms[3]);
            add_offset(line, " y-Offset:", fit.y_offset[3]);
            if (s.xi_mode) {
                add_offset(line, " /\\XI:", fit.x_offset);
                add_offset(line, " /\\r:", fit.x_offset / mid_radius(s, j));
                line += " cm ";
            } else {
                add_offset(line, " /\\r:", fit.x_offset);
                line += " cm";
            }
            file_line(work, line);
            file_line(work, "");
        }
    }

    if (i == r.fit_ref_set) store_ref_deviations(s, i, j, ref, matched, fit.determinant_vanished);
    return {true, fit.determinant_vanished};
}

// The lines a pair left in the buffers, to the output file and the list box.
void hand_lines(Log &log, std::string_view file_lines, std::string_view box_lines) {
    log.file_block(file_lines);
    while (!box_lines.empty()) {
        const size_t end = box_lines.find('\n');
        log.box(box_lines.substr(0, end));
        box_lines.remove_prefix(end == std::string_view::npos ? box_lines.size() : end + 1);
    }
}

// Report text of one pair at most: the F block, three result lines with
// their blank line, or a line on a pair not compared or a singular fit.
constexpr size_t kPairTextBound = 512;

}  // namespace

PairRun::PairRun(State &s, WorkerGroup &workers)
    : s_(s), workers_(workers), sets_(active_set_count(s)), index_(s, sets_, &workers) {
    int largest = 0;
    for (int k = 1; k <= sets_; ++k)
        largest = std::max(largest, active_set_points(s, k));
    FitResults &r = s.fit;
    const int ref = r.fit_ref_set;
    if (ref >= 1 && ref <= sets_ && r.ref_deviations.points() < active_set_points(s, ref))
        r.ref_deviations.resize(active_set_points(s, ref));

    pairs_.reserve(static_cast<size_t>(sets_) * static_cast<size_t>(std::max(sets_ - 1, 0)));
    for (int i = 1; i <= sets_; ++i)
        for (int j = 1; j <= sets_; ++j)
            if (i != j) pairs_.push_back(Pair{i, j});
    // Any worker may end up with every pair.
    work_.reserve(static_cast<size_t>(workers.workers()));
    for (int w = 0; w < workers.workers(); ++w) {
        FitWork &work = work_.emplace_back(largest);
        work.file_lines.reserve(pairs_.size() * kPairTextBound);
        work.box_lines.reserve(4 * kLogLineLength);
    }
}

void PairRun::match_all() {
    for (FitWork &work : work_) {
        work.file_lines.clear();
        work.box_lines.clear();
    }
    // One task per reference set: its pairs are neighbours in pairs_ and
    // share the reference points.
    const size_t per_task = static_cast<size_t>(std::max(sets_ - 1, 0));
    auto task = [&](int t, int worker) {
        FitWork &work = work_[static_cast<size_t>(worker)];
        for (size_t p = static_cast<size_t>(t) * per_task; p < (t + 1) * per_task; ++p) {
            Pair &pair = pairs_[p];
            pair.worker = worker;
            pair.file_begin = work.file_lines.size();
            pair.box_begin = work.box_lines.size();
            const PairOutcome outcome = run_pair(s_, work, index_, pair.i, pair.j);
            pair.file_end = work.file_lines.size();
            pair.box_end = work.box_lines.size();
            pair.compared = outcome.compared;
            pair.determinant_vanished = outcome.determinant_vanished;
        }
    };
    if (per_task > 0) workers_.run(sets_, task);
}

void PairRun::hand_over(Log &log) {
    size_t total = 0;
    for (const FitWork &work : work_)
        total += work.file_lines.size();
    log.reserve(total);
    for (const Pair &pair : pairs_) {
        const FitWork &work = work_[static_cast<size_t>(pair.worker)];
        const std::string_view file_lines(work.file_lines);
        const std::string_view box_lines(work.box_lines);
        hand_lines(log, file_lines.substr(pair.file_begin, pair.file_end - pair.file_begin),
                   box_lines.substr(pair.box_begin, pair.box_end - pair.box_begin));
        if (pair.compared) s_.fit.determinant_vanished = pair.determinant_vanished;
    }
}

void report_fit_averages(State &s, Log &log) {
    FitResults &r = s.fit;
    const int sets = active_set_count(s);
    r.fit_avg_var.fill(0.0);
    r.fit_avg_rms.fill(0.0);
    int count = 0;
    for (int i = 1; i <= sets; ++i) {
        for (int j = 1; j <= sets; ++j) {
            if (i == j || !pair_comparable(s, i, j)) continue;
            for (int k = 1; k <= kFitKinds; ++k) {
                r.fit_avg_var[k] += r.pair_rss(k, i, j);
                r.fit_avg_rms[k] += r.pair_rms(k, i, j);
            }
            ++count;
        }
    }
    r.averaged_pairs = count;
    if (count > 0) {
        for (int k = 1; k <= kFitKinds; ++k) {
            r.fit_avg_var[k] /= count;
            r.fit_avg_rms[k] /= count;
        }
    }

    std::vector<std::string> lines;
    if (sets < 2) {
        lines.push_back(" A fit needs at least two active data sets: no averages");
    } else if (count == 0) {
        lines.push_back(" No pair of active data sets could be compared: no averages");
    } else {
        static const char *const kLabels[] = {
            nullptr, " Fits with NO offsets : VAR = ", " With only y-offsets  : VAR = ",
            " Both y- and X-offsets: VAR = "};
        for (int k = 1; k <= kFitKinds; ++k)
            lines.push_back(kLabels[k] + ftn::sci(r.fit_avg_var[k], 12, 4) +
                            " RMS = " + ftn::sci(r.fit_avg_rms[k], 12, 4));
        const int all = sets * (sets - 1);
        if (count < all)
            lines.push_back(" Averaged over" + ftn::int_field(count, 5) + " of" +
                            ftn::int_field(all, 5) +
                            " pairs: the others could not be compared (see the output file)");
    }

    const char *heading = " Average values of variance and RMS:";
    log.file("");
    log.file(heading);
    log.file("");
    for (const auto &l : lines)
        log.file(l);
    log.file(" ");
    log.file("");
    log.box(heading);
    for (const auto &l : lines)
        log.box(l);
    log.box(" ");
}

void fit_all(State &s, int ref) {
    Log log(s);
    const int sets = active_set_count(s);
    // More workers than sets would find nothing to do.
    WorkerGroup workers(std::clamp(fit_thread_count(), 1, std::max(sets, 1)));
    if (s.deriv_valid[0] != sets) prepare_slopes(s, log, workers);

    FitResults &r = s.fit;
    r.fit_ref_set = ref;
    for (int i = 1; i <= sets; ++i) {
        r.pair_x_offset(i, i) = 0.0;
        for (int k = 1; k <= kFitKinds; ++k)
            r.pair_rss(k, i, i) = r.pair_rms(k, i, i) = r.pair_y_offset(k, i, i) = 0.0;
    }
    PairRun run(s, workers);
    run.match_all();
    run.hand_over(log);
    report_fit_averages(s, log);
}

}  // namespace quillane
