// SPDX-License-Identifier: MIT
// The fit shared out over threads: the report, the list box, every table
// and the slopes are the same for one thread and for several; a set whose
// first windows are singular still takes the coefficients the set before it
// left; the number of threads comes from QUILLANE_THREADS.
#include <cmath>
#include <cstring>

#include "fit_match.h"
#include "fit_slopes.h"
#include "fit_test_support.h"
#include "fit_workers.h"
#include "test_support.h"

namespace quillane::testing {
namespace {

// Sets of different lengths on uneven grids, built from `seed`, with every
// kind of set that takes another way through the fit: one whose positions
// fall back once (matched by the walk), one that is flat (its determinant
// vanishes when it is the reference), one shorter than the span (warned
// about, not differentiated) and one that begins with sixty equal positions
// (its first windows are singular and fall back on the set before).
std::vector<SetPoints> mixed_sets(unsigned seed) {
    std::vector<SetPoints> sets;
    for (int k = 0; k < 12; ++k) {
        const int n = 300 + static_cast<int>((seed * 37 + k * 53) % 400);
        const std::vector<double> x = uneven_grid(16.2 + 0.01 * k, 9.0 / n, n, seed * 100 + k);
        const std::vector<double> e = noise(n, seed * 100 + k + 50);
        std::vector<double> y;
        for (int m = 0; m < n; ++m)
            y.push_back(0.3 * std::exp(0.4 * (x[m] - 16.0)) * (1.0 + 0.003 * e[m]));
        sets.push_back({x, y});
    }
    std::swap(sets[4].x[100], sets[4].x[101]);                     // falls back once
    sets[6].y.assign(sets[6].y.size(), 0.7);                       // flat
    sets[8].x.resize(30);                                          // shorter than the span
    sets[8].y.resize(30);                                          //
    std::fill(sets[10].x.begin(), sets[10].x.begin() + 60, 16.5);  // singular windows first
    return sets;
}

// Everything a fit leaves behind.
struct FitOutcome {
    std::string report;
    std::vector<std::string> box;
    std::vector<uint64_t> bits;  // tables, deviations, slopes and coefficients, bit for bit

    void add(double v) {
        uint64_t b;
        std::memcpy(&b, &v, sizeof b);
        bits.push_back(b);
    }
};

FitOutcome fit_on_threads(const std::vector<SetPoints> &sets, const std::string &threads) {
    ScopedThreads scoped(threads);
    Fixture f;
    State &s = f.s();
    load_active_sets(s, sets);
    s.fit.window = {0.25, -0.5, 0.0, 0.0};
    fit_all(s, 3);
    fit_all(s, 7);  // slopes current: only the pairs again, with another reference

    FitOutcome out;
    out.report = read_file(f.out_file);
    out.box = f.box.lines;
    const FitResults &r = s.fit;
    for (int i = 1; i <= kFitSets; ++i) {
        for (int j = 1; j <= kFitSets; ++j) {
            out.add(r.pair_x_offset(i, j));
            for (int k = 1; k <= kFitKinds; ++k) {
                out.add(r.pair_rss(k, i, j));
                out.add(r.pair_rms(k, i, j));
                out.add(r.pair_y_offset(k, i, j));
            }
        }
    }
    for (int k = 1; k <= kFitKinds; ++k)
        for (int j = 1; j <= kFitSets; ++j)
            for (float v : r.ref_deviations.row(k, j))
                out.add(v);
    for (int k = 1; k <= kFitKinds; ++k) {
        out.add(r.fit_avg_var[k]);
        out.add(r.fit_avg_rms[k]);
    }
    out.add(r.determinant_vanished);
    out.add(r.averaged_pairs);
    for (double v : {r.window.a1, r.window.a2, r.window.a3, r.window.xbar})
        out.add(v);
    for (int p = 1; p <= s.active_point_count[0]; ++p) {
        out.add(s.active_points[p].weight);
        out.add(s.active_points[p].work);
    }
    return out;
}

class FitOnThreads : public ::testing::TestWithParam<unsigned> {};

TEST_P(FitOnThreads, GivesTheSameReportListBoxTablesAndSlopesOnOneThreadAndOnFour) {
    const std::vector<SetPoints> sets = mixed_sets(GetParam());
    const FitOutcome one = fit_on_threads(sets, "1");
    const FitOutcome four = fit_on_threads(sets, "4");
    EXPECT_EQ(one.report, four.report);
    EXPECT_EQ(one.box, four.box);
    EXPECT_TRUE(one.bits == four.bits) << "a table, a deviation or a slope differs";
    // The input took every way through the fit.
    EXPECT_NE(one.report.find("Determinant vanishes !!"), std::string::npos);
    EXPECT_NE(one.report.find("Determinant vanishes!!!"), std::string::npos);
    EXPECT_FALSE(lines_with(one.box, "Not enough data points").empty());
}

INSTANTIATE_TEST_SUITE_P(Seeds, FitOnThreads, ::testing::Values(1u, 2u, 3u));

TEST(FitOnThreads, MatchesTheSetThatFallsBackByTheWalkAndTheOthersByTheLookUp) {
    Fixture f;
    load_active_sets(f.s(), mixed_sets(1));
    const MatchIndex index(f.s(), active_set_count(f.s()));
    EXPECT_TRUE(index.looks_up(1, 2));
    EXPECT_TRUE(index.looks_up(9, 1)) << "a short set is looked up in like any other";
    EXPECT_FALSE(index.looks_up(1, 5)) << "compared set 5 falls back once";
    EXPECT_FALSE(index.looks_up(5, 1)) << "so does reference set 5";
}

TEST(FitOnThreads, ASetThatBeginsWithSingularWindowsTakesTheLastCoefficientsOfTheSetBefore) {
    ScopedThreads threads("4");
    const std::vector<double> x1 = uneven_grid(16.3, 0.03, 80, 5);
    const std::vector<double> y1 = values_at(x1, [](double v) { return 0.1 * v * v; });
    std::vector<double> x2 = uneven_grid(16.3, 0.03, 80, 7);
    // Windows 1..3 of span 10 are singular: 16.5 is a binary fraction, so
    // their centre is 16.5 exactly and every centred position 0.
    std::fill(x2.begin(), x2.begin() + 12, 16.5);
    const std::vector<double> y2 = noise(80, 9);
    Fixture f;
    State &s = f.s();
    load_active_sets(s, {{x1, y1}, {x2, y2}});
    s.differ_span = 10;
    s.differ_terms = 1;
    {
        Log log(s);
        prepare_slopes(s, log);
    }
    // The last window of set 1 (points 71..80), fitted on its own.
    SlopeWork work;
    work.size_for(80);
    for (int m = 1; m <= 80; ++m) {
        work.x[m] = x1[m - 1];
        work.y[m] = y1[m - 1];
        work.w[m] = 1.0;
    }
    LocalPolynomial last;
    ASSERT_TRUE(fit_local_polynomial(work, 71, 80, false, 1, last));
    // Window 1 of set 2 gives its points 1..5 the straight line's slope of
    // set 1's last window.
    for (int m = 1; m <= 5; ++m)
        EXPECT_EQ(stored_slope(s, 2, m), last.a1) << "point " << m;
    EXPECT_EQ(lines_with(f.out_lines(), "Determinant vanishes!!!").size(), 3u);
}

TEST(FitOnThreads, SetsThatShareActivePointsAreDifferentiatedInOrderSoTheLaterOneWins) {
    ScopedThreads threads("4");
    // Set 1 is long, so that run at the same time as set 2 it would reach
    // the shared points only after set 2 has written them.
    const std::vector<double> x1 = uneven_grid(16.3, 0.0015, 6000, 11);
    const std::vector<double> x2 = uneven_grid(16.3, 0.03, 60, 14);
    const std::vector<SetPoints> sets = {{x1, noise(6000, 12)}, {x2, noise(60, 13)}};
    auto differentiate = [](State &s) {
        s.differ_span = 10;
        s.differ_terms = 2;
        Log log(s);
        prepare_slopes(s, log);
    };
    Fixture alone;
    load_active_sets(alone.s(), sets);
    differentiate(alone.s());
    Fixture shared;
    load_active_sets(shared.s(), sets);
    shared.s().active_end[1] = 6010;  // set 1 reaches ten points into set 2
    differentiate(shared.s());
    for (int p = 6001; p <= 6060; ++p)
        EXPECT_EQ(shared.s().active_points[p].work, alone.s().active_points[p].work) << p;
}

TEST(FitThreadCount, ComesFromQuillaneThreadsWhenThatIsAWholeNumberFromOneTo64) {
    {
        ScopedThreads threads("3");
        EXPECT_EQ(fit_thread_count(), 3);
    }
    {
        ScopedThreads threads("64");
        EXPECT_EQ(fit_thread_count(), 64);
    }
    int hardware = 0;
    {
        ScopedThreads threads("");
        hardware = fit_thread_count();
    }
    EXPECT_GE(hardware, 1);
    for (const char *bad : {"0", "65", "-2", "two", "2x", " 2"}) {
        ScopedThreads threads(bad);
        EXPECT_EQ(fit_thread_count(), hardware) << "QUILLANE_THREADS=" << bad;
    }
}

}  // namespace
}  // namespace quillane::testing
