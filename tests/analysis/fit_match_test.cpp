// SPDX-License-Identifier: MIT
// The matching fit: matching onto the reference positions, the three fit
// kinds, the reference set's deviations and the pairs that cannot be
// compared.
#include <cmath>

#include "fit_match.h"
#include "fit_test_support.h"
#include "ftn_format.h"
#include "test_support.h"

namespace quillane::testing {
namespace {

// Differences of values near 1 lose a few units of 1e-16 each; sums of
// their squares over a few hundred points stay below this.
constexpr double kRoundoff = 1e-12;
// Offsets recovered through differentiated slopes: the slopes of a
// quadratic are exact to about 1e-10 of their size.
constexpr double kOffsetTolerance = 1e-8;

class MatchCase : public ::testing::Test {
  protected:
    Fixture f;
    State &s() { return f.s(); }
    FitResults &r() { return f.s().fit; }

    void load(const std::vector<SetPoints> &sets, int span = 20, int terms = 2) {
        s().differ_span = span;
        s().differ_terms = terms;
        load_active_sets(s(), sets);
        f.new_out_lines();
        f.box.lines.clear();
    }
    // Gives every point of every active set the slope `slope(m)` and marks
    // the slopes as current, so the fit uses them as they are.
    void set_slopes(double (*slope)(int m)) {
        for (int k = 1; k <= active_set_count(s()); ++k)
            for (int m = 1; m <= s().active_end[k] - s().active_start[k] + 1; ++m) {
                ActivePoint &p = s().active_points[s().active_start[k] - 1 + m];
                p.weight = p.work = slope(m);
            }
        s().deriv_valid[0] = active_set_count(s());
    }

    // Set 2 is set 1 moved by -delta along the position: g(x) = f(x + delta)
    // with f quadratic, so d = delta f'(x) + gamma delta^2 exactly.
    void expect_position_shift_recovered(const std::vector<double> &x) {
        State &s = this->s();
        const double gamma = -0.02, delta = 0.0123;
        auto curve = [&](double v) { return 1.0 + 0.4 * v + gamma * v * v; };
        const std::vector<double> g = values_at(x, [&](double v) { return curve(v + delta); });
        load_active_sets(s, {{x, values_at(x, curve)}, {x, g}});
        f.new_out_lines();
        fit_all(s, 1);
        EXPECT_TRUE(close_to(s.fit.pair_x_offset(1, 2), delta, kOffsetTolerance));
        EXPECT_TRUE(
            close_to(s.fit.pair_y_offset(3, 1, 2), gamma * delta * delta, kOffsetTolerance));
        // Reversed, the slopes are those of g: d = -delta g'(x) + gamma delta^2.
        EXPECT_TRUE(close_to(s.fit.pair_x_offset(2, 1), -delta, kOffsetTolerance));
        EXPECT_TRUE(
            close_to(s.fit.pair_y_offset(3, 2, 1), gamma * delta * delta, kOffsetTolerance));
        EXPECT_TRUE(close_to(s.fit.pair_rss(3, 2, 1), 0.0, kRoundoff));
        for (int m = 1; m <= static_cast<int>(x.size()); ++m)
            EXPECT_TRUE(close_to(s.fit.ref_deviations(3, 2, m), 0.0, 1e-7));
    }
};

TEST(MatchValues, ExtrapolatesFromTheFirstAndTheLastComparedPoint) {
    const std::vector<ActivePoint> cmp = {
        {10.0, 1.0, 1.0, 1.0}, {20.0, 2.0, 2.0, 2.0}, {30.0, 3.0, 3.0, 3.0}};
    const std::vector<ActivePoint> ref = {
        {0, 0, 0, 0.5}, {0, 0, 0, 1.0}, {0, 0, 0, 2.5}, {0, 0, 0, 9.0}};
    std::vector<double> out(4);
    match_values(ref, cmp, out);
    EXPECT_EQ(out[0], 10.0 - 0.5 * 1.0) << "below the first point";
    EXPECT_EQ(out[1], 10.0);
    EXPECT_EQ(out[2], 30.0 - 0.5 * 3.0) << "from the first point at or above the position";
    EXPECT_EQ(out[3], 30.0 + 6.0 * 3.0) << "above the last point";
}

TEST(MatchValues, KeepsAComparedPointLessThanTheToleranceBelowThePosition) {
    const std::vector<ActivePoint> cmp = {
        {10.0, 1.0, 1.0, 1.0}, {20.0, 2.0, 2.0, 2.0}, {30.0, 3.0, 3.0, 3.0}};
    const std::vector<ActivePoint> ref = {{0, 0, 0, 2.000005}, {0, 0, 0, 2.00002}};
    std::vector<double> out(2);
    match_values(ref, cmp, out);
    EXPECT_EQ(out[0], 20.0 + (2.000005 - 2.0) * 2.0);
    EXPECT_EQ(out[1], 30.0 + (2.00002 - 3.0) * 3.0);
    EXPECT_EQ(kMatchTolerance, static_cast<double>(1.0e-5f));
}

TEST(MatchValues, MatchingAndSummingInOneWalkGivesTheSameBits) {
    const std::vector<double> xr = uneven_grid(16.0, 0.01, 300, 61);
    const std::vector<double> xc = uneven_grid(16.003, 0.012, 250, 67);
    const std::vector<double> yr = noise(300, 71), yc = noise(250, 73);
    const std::vector<double> ar = noise(300, 79), ac = noise(250, 83);
    std::vector<ActivePoint> ref, cmp;
    for (size_t m = 0; m < xr.size(); ++m)
        ref.push_back({yr[m], ar[m], ar[m], xr[m]});
    for (size_t m = 0; m < xc.size(); ++m)
        cmp.push_back({yc[m], ac[m], ac[m], xc[m]});
    std::vector<double> apart(300), together(300);
    match_values(ref, cmp, apart);
    const PairSums a = offset_sums(ref, apart);
    const PairSums b = match_and_sum(ref, cmp, together);
    EXPECT_EQ(apart, together);
    EXPECT_EQ(a.count, b.count);
    EXPECT_EQ(a.sum_slope, b.sum_slope);
    EXPECT_EQ(a.sum_slope_sq, b.sum_slope_sq);
    EXPECT_EQ(a.sum_dev, b.sum_dev);
    EXPECT_EQ(a.sum_dev_sq, b.sum_dev_sq);
    EXPECT_EQ(a.sum_slope_dev, b.sum_slope_dev);
}

// Three sets of eight points on one grid with slopes m/8 everywhere, so
// every sum is exact: set 2 is set 1 raised by 0.5, set 3 is set 1 raised
// by 0.1875 + m/32 = 0.1875 + slope/4.
class ThreeSetFit : public MatchCase {
  protected:
    void SetUp() override {
        std::vector<double> x, y1, y2, y3;
        for (int m = 1; m <= 8; ++m) {
            x.push_back(16.0 + m / 4.0);
            y1.push_back(m / 16.0);
            y2.push_back(m / 16.0 + 0.5);
            y3.push_back(m / 16.0 + 0.1875 + m / 32.0);
        }
        load({{x, y1}, {x, y2}, {x, y3}});
        set_slopes([](int m) { return m / 8.0; });
        fit_all(s(), 3);
    }
};

TEST_F(ThreeSetFit, WritesAnFLineForEveryOrderedPairAndResultsOnlyWithTheHigherSetAsReference) {
    const std::string f_line = " F(NDF,NDF,1-P) =  3.811 at 95.00% confidence level";
    const std::vector<std::string> expected = {
        "",
        f_line,  // 1 against 2
        "",
        f_line,  // 1 against 3
        "",
        f_line,  // 2 against 1
        " Ref  2 DS  1 VAR: 2.0000D+00 RMS: 5.345D-01",
        " Ref  2 DS  1 VAR: 0.0000D+00 RMS: 0.000D+00 y-Offset:-5.000D-01",
        " Ref  2 DS  1 VAR: 0.0000D+00 RMS: 0.000D+00 y-Offset:-5.000D-01 /\\XI: 0.000D+00 /\\r: "
        "0.000D+00 cm ",
        "",
        "",
        f_line,  // 2 against 3
        "",
        f_line,  // 3 against 1
        " Ref  3 DS  1 VAR: 9.0234D-01 RMS: 3.590D-01",
        " Ref  3 DS  1 VAR: 4.1016D-02 RMS: 8.268D-02 y-Offset:-3.281D-01",
        " Ref  3 DS  1 VAR: 0.0000D+00 RMS: 0.000D+00 y-Offset:-1.875D-01 /\\XI:-2.500D-01 /\\r:"
        "-4.272D-02 cm ",
        "",
        "",
        f_line,  // 3 against 2
        " Ref  3 DS  2 VAR: 2.7734D-01 RMS: 1.990D-01",
        " Ref  3 DS  2 VAR: 4.1016D-02 RMS: 8.268D-02 y-Offset: 1.719D-01",
        " Ref  3 DS  2 VAR: 0.0000D+00 RMS: 0.000D+00 y-Offset: 3.125D-01 /\\XI:-2.500D-01 /\\r:"
        "-4.272D-02 cm ",
        "",
        "",
        " Average values of variance and RMS:",
        "",
        " Fits with NO offsets : VAR =   1.0599D+00 RMS =   3.6420D-01",
        " With only y-offsets  : VAR =   2.7344D-02 RMS =   5.5120D-02",
        " Both y- and X-offsets: VAR =   0.0000D+00 RMS =   0.0000D+00",
        " ",
        ""};
    const std::vector<std::string> got = f.new_out_lines();
    ASSERT_EQ(got.size(), expected.size());
    for (size_t n = 0; n < got.size(); ++n)
        EXPECT_EQ(got[n], expected[n]) << "line " << n + 1;
}

TEST_F(ThreeSetFit, PostsTheAveragesBlockToTheListBox) {
    EXPECT_EQ(f.box.trimmed(),
              (std::vector<std::string>{
                  " Average values of variance and RMS:",
                  " Fits with NO offsets : VAR =   1.0599D+00 RMS =   3.6420D-01",
                  " With only y-offsets  : VAR =   2.7344D-02 RMS =   5.5120D-02",
                  " Both y- and X-offsets: VAR =   0.0000D+00 RMS =   0.0000D+00", ""}));
    EXPECT_EQ(f.box.lines.back(), std::string(159, ' ')) << "a line holding one blank";
}

TEST_F(ThreeSetFit, KeepsTheResultsOfEveryOrderedPair) {
    EXPECT_EQ(r().fit_ref_set, 3);
    EXPECT_EQ(r().pair_rss(1, 1, 2), 2.0);
    EXPECT_EQ(r().pair_y_offset(2, 1, 2), 0.5);
    EXPECT_EQ(r().pair_y_offset(1, 1, 2), 0.0) << "kind 1 has no offset";
    EXPECT_EQ(r().pair_x_offset(1, 3), 0.25);
    EXPECT_EQ(r().pair_y_offset(3, 1, 3), 0.1875);
    EXPECT_EQ(r().pair_x_offset(3, 1), -0.25);
    EXPECT_EQ(r().pair_y_offset(3, 3, 1), -0.1875);
    EXPECT_TRUE(close_to(r().pair_rms(1, 2, 1), std::sqrt(2.0 / 7.0), 1e-16));
    EXPECT_TRUE(close_to(r().pair_rms(2, 3, 1), std::sqrt(0.041015625 / 6.0), 1e-16));
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(r().pair_x_offset(i, i), 0.0);
        for (int k = 1; k <= 3; ++k) {
            EXPECT_EQ(r().pair_rss(k, i, i), 0.0);
            EXPECT_EQ(r().pair_rms(k, i, i), 0.0);
            EXPECT_EQ(r().pair_y_offset(k, i, i), 0.0);
        }
    }
    EXPECT_TRUE(close_to(r().fit_avg_var[1], 6.359375 / 6.0, 1e-15));
    EXPECT_EQ(r().fit_avg_var[2], 0.02734375);
    EXPECT_EQ(r().averaged_pairs, 6);
    EXPECT_FALSE(r().determinant_vanished);
}

TEST_F(ThreeSetFit, KeepsTheReferenceSetsDeviationsInSinglePrecision) {
    ASSERT_EQ(r().ref_deviations.points(), 8);
    for (int m = 1; m <= 8; ++m) {
        const float e1 = static_cast<float>(-(0.1875 + m / 32.0));
        EXPECT_EQ(r().ref_deviations(1, 1, m), e1) << "point " << m;
        EXPECT_EQ(r().ref_deviations(2, 1, m), static_cast<float>(e1 + 0.328125));
        EXPECT_EQ(r().ref_deviations(3, 1, m), 0.0f);
        EXPECT_EQ(r().ref_deviations(1, 2, m), static_cast<float>(0.3125 - m / 32.0));
    }
    EXPECT_EQ(r().pair_rss(1, 3, 1), 0.90234375);
    EXPECT_EQ(r().pair_rss(3, 3, 1), 0.0);
}

TEST_F(MatchCase, TheSumsOfTheReferenceSetAreFormedAgainFromTheRoundedDeviations) {
    const std::vector<double> x = uneven_grid(17.0, 0.02, 100, 3);
    load({{x, noise(100, 1)}, {x, noise(100, 2)}});
    fit_all(s(), 2);
    double rss = 0.0;
    for (int m = 1; m <= 100; ++m) {
        const float e = r().ref_deviations(1, 1, m);
        rss += e * e;
    }
    EXPECT_EQ(r().pair_rss(1, 2, 1), rss);
    EXPECT_NE(r().pair_rss(1, 1, 2), r().pair_rss(1, 2, 1)) << "the other order keeps double sums";
    EXPECT_TRUE(close_to(r().pair_rss(1, 1, 2), rss, 1e-5 * rss));
}

TEST_F(MatchCase, IdenticalSetsGiveZeroDeviationsAndOffsets) {
    const std::vector<double> x = uneven_grid(17.0, 0.02, 150, 5);
    const std::vector<double> y = values_at(x, [](double v) { return std::exp(0.3 * (v - 17.0)); });
    load({{x, y}, {x, y}});
    fit_all(s(), 1);
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(r().pair_rss(k, 2, 1), 0.0);
        EXPECT_EQ(r().pair_rms(k, 1, 2), 0.0);
        EXPECT_EQ(r().pair_y_offset(k, 2, 1), 0.0);
        for (int m = 1; m <= 150; ++m)
            EXPECT_EQ(r().ref_deviations(k, 2, m), 0.0f);
    }
    EXPECT_EQ(r().pair_x_offset(1, 2), 0.0);
    EXPECT_EQ(r().pair_x_offset(2, 1), 0.0);
    EXPECT_EQ(r().fit_avg_rms[3], 0.0);
}

TEST_F(MatchCase, AConstantShiftIsTheYOffsetAndGivesNTimesItsSquareWithoutOffsets) {
    const std::vector<double> x = uneven_grid(17.0, 0.02, 150, 7);
    const std::vector<double> y = values_at(x, [](double v) { return std::exp(0.3 * (v - 17.0)); });
    const double c = 0.125;
    load({{x, y}, {x, values_at(x, [&](double v) { return std::exp(0.3 * (v - 17.0)) + c; })}});
    fit_all(s(), 1);
    EXPECT_TRUE(close_to(r().pair_y_offset(2, 1, 2), c, kRoundoff));
    EXPECT_TRUE(close_to(r().pair_y_offset(2, 2, 1), -c, kRoundoff));
    EXPECT_TRUE(close_to(r().pair_rss(2, 2, 1), 0.0, kRoundoff));
    EXPECT_TRUE(close_to(r().pair_rss(1, 2, 1), 150 * c * c, kRoundoff));
    EXPECT_TRUE(close_to(r().pair_rms(1, 2, 1), std::sqrt(150 * c * c / 149), kRoundoff));
    EXPECT_TRUE(close_to(r().pair_x_offset(2, 1), 0.0, kOffsetTolerance));
    EXPECT_TRUE(close_to(r().pair_y_offset(3, 2, 1), -c, kOffsetTolerance));
}

TEST_F(MatchCase, AKnownPositionShiftIsRecoveredInXiMode) {
    s().differ_span = 15;
    const std::vector<double> x = uneven_grid(17.0, 0.05, 80, 9);
    expect_position_shift_recovered(x);
    const auto line3 = lines_with(f.out_lines(), " Ref  2 DS  1 VAR:");
    ASSERT_EQ(line3.size(), 3u);
    const double radius = std::sqrt(x.front() + x.back());
    EXPECT_NE(line3[2].find(" /\\XI:-1.230D-02 /\\r:" + ftn::sci(-0.0123 / radius, 10, 3) + " cm "),
              std::string::npos)
        << line3[2];
    EXPECT_EQ(line3[2].substr(line3[2].size() - 4), " cm ");
}

TEST_F(MatchCase, AKnownPositionShiftIsRecoveredInRadiusMode) {
    s().differ_span = 15;
    s().xi_mode = false;
    const std::vector<double> x = uneven_grid(5.8, 0.015, 80, 11);
    expect_position_shift_recovered(x);
    const auto line3 = lines_with(f.out_lines(), " Ref  2 DS  1 VAR:");
    ASSERT_EQ(line3.size(), 3u);
    EXPECT_EQ(line3[2].find("XI"), std::string::npos) << line3[2];
    const std::string tail = " /\\r:-1.230D-02 cm";
    ASSERT_GT(line3[2].size(), tail.size());
    EXPECT_EQ(line3[2].substr(line3[2].size() - tail.size()), tail) << line3[2];
}

TEST_F(MatchCase, PositionsBeyondEitherEndOfTheComparedSetAreExtrapolated) {
    // Straight lines have exact slopes, so extrapolation is exact too.
    auto line = [](double v) { return 3.0 - 0.5 * v; };
    const std::vector<double> wide = uneven_grid(16.0, 0.05, 80, 13);
    const std::vector<double> narrow = uneven_grid(17.0, 0.04, 40, 17);
    ASSERT_LT(wide.front(), narrow.front());
    ASSERT_GT(wide.back(), narrow.back());
    load({{wide, values_at(wide, line)}, {narrow, values_at(narrow, line)}}, 10, 1);
    fit_all(s(), 1);
    EXPECT_TRUE(close_to(r().pair_rss(1, 1, 2), 0.0, kRoundoff));
    EXPECT_TRUE(close_to(r().ref_deviations(1, 2, 1), 0.0, 1e-6));
    EXPECT_TRUE(close_to(r().ref_deviations(1, 2, 80), 0.0, 1e-6));
}

TEST_F(MatchCase, EqualSlopesEverywhereMakeTheDeterminantVanish) {
    const std::vector<double> x = uneven_grid(17.0, 0.05, 30, 19);
    load({{x, noise(30, 1)}, {x, noise(30, 2)}, {x, noise(30, 3)}});
    set_slopes([](int) { return 0.5; });
    // Kind-3 entries of an earlier fit, which a vanished determinant keeps.
    r().pair_x_offset(2, 1) = r().pair_y_offset(3, 2, 1) = r().pair_rms(3, 2, 1) = 7.0;
    r().pair_rss(3, 2, 1) = r().pair_rss(3, 3, 1) = 7.0;
    fit_all(s(), 2);

    const auto file = f.out_lines();
    EXPECT_EQ(lines_with(file, "  Determinant vanishes !! Bad data set ?").size(), 6u);
    EXPECT_EQ(lines_with(f.box.trimmed(), "  Determinant vanishes !! Bad data set ?").size(), 6u);
    EXPECT_TRUE(lines_with(file, "/\\").empty()) << "no third result line";
    EXPECT_EQ(lines_with(file, " Ref  3 DS  1 VAR:").size(), 2u);
    EXPECT_TRUE(r().determinant_vanished);
    EXPECT_EQ(r().pair_x_offset(2, 1), 7.0);
    EXPECT_EQ(r().pair_y_offset(3, 2, 1), 7.0);
    EXPECT_EQ(r().pair_rms(3, 2, 1), 7.0);
    EXPECT_EQ(r().pair_rss(3, 3, 1), 7.0);
    EXPECT_EQ(r().pair_rss(3, 2, 1), 0.0) << "the reference set's sums are formed again";
    for (int m = 1; m <= 30; ++m)
        EXPECT_EQ(r().ref_deviations(3, 1, m), 0.0f);
    EXPECT_NE(r().ref_deviations(1, 1, 1), 0.0f);
}

TEST_F(MatchCase, SlopesAreWorkedOutOnlyWhenTheyAreStale) {
    const std::vector<double> x = uneven_grid(17.0, 0.05, 30, 23);
    load({{x, noise(30, 1)}, {x, noise(30, 2)}});
    fit_all(s(), 1);
    EXPECT_EQ(lines_with(f.new_out_lines(), "Differentiated data set").size(), 2u);
    EXPECT_EQ(s().deriv_valid[0], 2);
    fit_all(s(), 1);
    EXPECT_TRUE(lines_with(f.new_out_lines(), "Differentiated data set").empty());
    s().deriv_valid[0] = 0;
    fit_all(s(), 1);
    EXPECT_EQ(lines_with(f.new_out_lines(), "Differentiated data set").size(), 2u);
}

TEST_F(MatchCase, SetsLargerThanTwoThousandPointsAreFittedWhole) {
    const std::vector<double> x = uneven_grid(16.0, 0.003, 3000, 29);
    const std::vector<double> y = values_at(x, [](double v) { return std::exp(0.2 * (v - 16.0)); });
    load({{x, y}, {x, values_at(x, [](double v) { return std::exp(0.2 * (v - 16.0)) + 0.01; })}},
         50, 3);
    fit_all(s(), 2);
    ASSERT_EQ(r().ref_deviations.points(), 3000);
    EXPECT_TRUE(close_to(r().ref_deviations(1, 1, 3000), -0.01, 1e-8));
    EXPECT_TRUE(close_to(r().pair_y_offset(2, 2, 1), -0.01, kRoundoff));
}

// A later deviations graph of a longer set reads the kept deviations of an
// earlier fit beyond the last reference set's length, not zeros.
TEST_F(MatchCase, TheDeviationTableOnlyGrowsWithAShorterReferenceSet) {
    const std::vector<double> x = uneven_grid(17.0, 0.05, 40, 31);
    const std::vector<double> short_x(x.begin(), x.begin() + 25);
    load({{x, noise(40, 1)}, {short_x, noise(25, 2)}});
    fit_all(s(), 1);
    const float kept = r().ref_deviations(1, 2, 40);
    ASSERT_NE(kept, 0.0f);
    fit_all(s(), 2);
    EXPECT_EQ(r().ref_deviations.points(), 40);
    EXPECT_EQ(r().ref_deviations(1, 2, 40), kept);
    EXPECT_NE(r().ref_deviations(1, 1, 25), 0.0f) << "the new reference set's rows are written";
}

TEST_F(MatchCase, AReferenceSetOutsideTheActiveSetsKeepsNoDeviations) {
    const std::vector<double> x = uneven_grid(17.0, 0.05, 30, 31);
    load({{x, noise(30, 1)}, {x, noise(30, 2)}});
    fit_all(s(), 7);
    EXPECT_EQ(r().fit_ref_set, 7);
    EXPECT_EQ(r().ref_deviations.points(), 0);
    EXPECT_GT(r().pair_rss(1, 2, 1), 0.0);
}

}  // namespace
}  // namespace quillane::testing
