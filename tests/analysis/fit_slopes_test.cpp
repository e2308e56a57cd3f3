// SPDX-License-Identifier: MIT
// Local polynomial slopes: exactness on polynomials, which window owns which
// point, the logged lines and the singular windows.
#include <algorithm>
#include <cmath>
#include <tuple>

#include "fit_slopes.h"
#include "fit_test_support.h"
#include "ftn_format.h"
#include "log.h"
#include "test_support.h"

namespace quillane::testing {
namespace {

// Sums over 50 points of products of centred powers lose about 1e-12 of
// the slope's size; far below what separates two neighbouring windows.
constexpr double kSlopeTolerance = 1e-9;

// An independent least-squares fit: polynomial of degree `degree` with a
// constant, normal equations in long double solved by Gaussian elimination
// with pivoting.  Returns the derivative at `at`.
double reference_slope(const std::vector<double> &x, const std::vector<double> &y, int from, int to,
                       int degree, double at) {
    const int n = degree + 1;
    double centre = 0.0;
    for (int k = from; k <= to; ++k)
        centre += x[k - 1];
    centre /= (to - from + 1);
    long double a[4][5] = {};
    for (int k = from; k <= to; ++k) {
        long double p[4];
        const long double u = x[k - 1] - centre;
        p[0] = 1.0L;
        for (int e = 1; e < n; ++e)
            p[e] = p[e - 1] * u;
        for (int r = 0; r < n; ++r) {
            for (int c = 0; c < n; ++c)
                a[r][c] += p[r] * p[c];
            a[r][n] += p[r] * y[k - 1];
        }
    }
    for (int c = 0; c < n; ++c) {
        int pivot = c;
        for (int r = c + 1; r < n; ++r)
            if (std::fabs(static_cast<double>(a[r][c])) >
                std::fabs(static_cast<double>(a[pivot][c])))
                pivot = r;
        for (int e = 0; e <= n; ++e)
            std::swap(a[c][e], a[pivot][e]);
        for (int r = 0; r < n; ++r) {
            if (r == c) continue;
            const long double f = a[r][c] / a[c][c];
            for (int e = c; e <= n; ++e)
                a[r][e] -= f * a[c][e];
        }
    }
    long double coef[4] = {};
    for (int r = 0; r < n; ++r)
        coef[r] = a[r][n] / a[r][r];
    const long double u = at - centre;
    long double slope = 0.0L, power = 1.0L;
    for (int e = 1; e < n; ++e) {
        slope += e * coef[e] * power;
        power *= u;
    }
    return static_cast<double>(slope);
}

class SlopeCase : public ::testing::Test {
  protected:
    Fixture f;
    ListBoxRecorder &box = f.box;
    State &s() { return f.s(); }
    std::vector<std::string> new_out_lines() { return f.new_out_lines(); }
    std::vector<std::string> out_lines() const { return f.out_lines(); }

    void differentiate(const std::vector<SetPoints> &sets, int span, int terms) {
        load_active_sets(s(), sets);
        s().differ_span = span;
        s().differ_terms = terms;
        new_out_lines();
        box.lines.clear();
        Log log(s());
        prepare_slopes(s(), log);
    }
};

TEST(LocalPolynomialWindow, WithAllPositionsEqualKeepsTheCoefficientsOfTheFitBefore) {
    SlopeWork work;
    work.size_for(5);
    for (int k = 1; k <= 5; ++k) {
        work.x[k] = 20.0;
        work.y[k] = k;
        work.w[k] = 1.0;
    }
    for (int degree = 1; degree <= 3; ++degree) {
        LocalPolynomial poly{1.5, -2.5, 4.0, 0.0};
        EXPECT_FALSE(fit_local_polynomial(work, 1, 5, false, degree, poly));
        EXPECT_EQ(poly.a1, 1.5);
        EXPECT_EQ(poly.a2, -2.5);
        EXPECT_EQ(poly.a3, 0.0) << "a3 is cleared before the sums are formed";
        EXPECT_EQ(poly.xbar, 20.0) << "the centre is the window's own";
    }
}

TEST(LocalPolynomialWindow, GivesTheCoefficientsOfACubicAboutTheWeightedCentre) {
    const std::vector<double> x = uneven_grid(17.0, 0.02, 12, 3);
    auto cubic = [](double v) { return 0.3 - 1.2 * v + 0.7 * v * v - 0.05 * v * v * v; };
    SlopeWork work;
    work.size_for(12);
    for (int k = 1; k <= 12; ++k) {
        work.x[k] = x[k - 1];
        work.y[k] = cubic(x[k - 1]);
        work.w[k] = k;  // uneven weights move the centre but not the polynomial
    }
    LocalPolynomial poly;
    ASSERT_TRUE(fit_local_polynomial(work, 1, 12, true, 3, poly));
    double sw = 0.0, sx = 0.0;
    for (int k = 1; k <= 12; ++k) {
        sw += k;
        sx += k * x[k - 1];
    }
    const double c = sx / sw;
    EXPECT_TRUE(close_to(poly.xbar, c, 1e-12));
    // Taylor coefficients of the cubic about c.
    EXPECT_TRUE(close_to(poly.a1, -1.2 + 1.4 * c - 0.15 * c * c, 1e-6));
    EXPECT_TRUE(close_to(poly.a2, 0.7 - 0.15 * c, 1e-5));
    EXPECT_TRUE(close_to(poly.a3, -0.05, 1e-4));
}

TEST_F(SlopeCase, DataOnAPolynomialOfTheFittedDegreeGiveExactSlopesAtEveryPoint) {
    const std::vector<double> x = uneven_grid(16.5, 0.03, 120, 7);
    const std::function<double(double)> polys[] = {
        [](double v) { return 4.0 - 0.8 * v; },
        [](double v) { return 1.0 + 0.5 * v - 0.02 * v * v; },
        [](double v) { return 2.0 - 0.1 * v + 0.03 * v * v - 0.001 * v * v * v; }};
    const std::function<double(double)> slopes[] = {
        [](double) { return -0.8; }, [](double v) { return 0.5 - 0.04 * v; },
        [](double v) { return -0.1 + 0.06 * v - 0.003 * v * v; }};
    for (int terms = 1; terms <= 3; ++terms) {
        // A polynomial of lower degree is fitted exactly too.
        for (int degree = 1; degree <= terms; ++degree) {
            differentiate({{x, values_at(x, polys[degree - 1])}}, 21, terms);
            for (int m = 1; m <= 120; ++m)
                EXPECT_TRUE(close_to(stored_slope(s(), 1, m), slopes[degree - 1](x[m - 1]),
                                     kSlopeTolerance))
                    << "terms " << terms << ", degree " << degree << ", point " << m;
        }
    }
}

TEST_F(SlopeCase, OneWindowWhenTheSetHasSpanPointsGivesEveryPointThatWindowsSlope) {
    const std::vector<double> x = uneven_grid(18.0, 0.05, 9, 11);
    const std::vector<double> y = noise(9, 5);
    differentiate({{x, y}}, 9, 3);
    // Points 1..5 from the first-window rule, 4..9 from the last-window rule.
    for (int m = 1; m <= 9; ++m)
        EXPECT_TRUE(close_to(stored_slope(s(), 1, m), reference_slope(x, y, 1, 9, 3, x[m - 1]),
                             kSlopeTolerance))
            << "point " << m;
}

TEST_F(SlopeCase, TwoHundredPointsWithSpanFiftyTakeTheirSlopesFromTheWindowsThatOwnThem) {
    const std::vector<double> x = uneven_grid(16.2, 0.04, 200, 13);
    const std::vector<double> y = noise(200, 17);
    differentiate({{x, y}}, 50, 3);
    auto owner = [](int m) {
        if (m <= 25) return 1;
        if (m >= 175) return 151;
        return m - 24;  // point 25 + w - 1 from window w
    };
    for (int m = 1; m <= 200; ++m) {
        const int w = owner(m);
        const double want = reference_slope(x, y, w, w + 49, 3, x[m - 1]);
        EXPECT_TRUE(close_to(stored_slope(s(), 1, m), want, kSlopeTolerance))
            << "point " << m << " from window " << w;
        // Noisy data: a neighbouring window gives a clearly different slope,
        // so the check above does tell the windows apart.
        if (m > 25 && m < 175) {
            EXPECT_GT(std::fabs(reference_slope(x, y, w + 1, w + 50, 3, x[m - 1]) - want), 1e-6);
        }
    }
}

TEST_F(SlopeCase, WindowsFittedTwoAtATimeGiveTheSameBitsAsOneAtATime) {
    for (int terms = 1; terms <= 3; ++terms) {
        for (int n : {49, 50}) {  // an even and an odd number of windows
            const std::vector<double> x = uneven_grid(16.2, 0.04, n, 53);
            const std::vector<double> y = noise(n, 59);
            differentiate({{x, y}}, 8, terms);
            SlopeWork work;
            work.size_for(n);
            for (int k = 1; k <= n; ++k) {
                work.x[k] = x[k - 1];
                work.y[k] = y[k - 1];
                work.w[k] = 1.0;
            }
            const int windows = n - 8 + 1;
            for (int m = 1; m <= n; ++m) {
                const int w = m <= 4 ? 1 : (m >= n - 4 ? windows : m - 3);
                LocalPolynomial poly;
                ASSERT_TRUE(fit_local_polynomial(work, w, w + 7, false, terms, poly));
                EXPECT_EQ(stored_slope(s(), 1, m), polynomial_slope(poly, x[m - 1]))
                    << "terms " << terms << ", " << n << " points, point " << m;
            }
        }
    }
}

// Lanes x span: spans whose weights 1 / L * L are exactly 1 (8) and not (49).
class WindowLanes : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(WindowLanes, GiveEachWindowTheSameBitsAsFittingItAlone) {
    const auto [lanes, span] = GetParam();
    const int n = span + 3 * lanes;
    SlopeWork work;
    work.size_for(n);
    const std::vector<double> x = uneven_grid(16.2, 0.04, n, 61);
    const std::vector<double> y = noise(n, 67);
    for (int k = 1; k <= n; ++k) {
        work.x[k] = x[k - 1];
        work.y[k] = y[k - 1];
        work.w[k] = 1.0;
    }
    for (int terms = 1; terms <= 3; ++terms) {
        for (int first : {1, 2, 1 + 2 * lanes}) {
            LocalPolynomial together[kMaxWindowLanes];
            const int solved = fit_window_lanes(work, first, span, terms, lanes, together);
            if (solved < 0) GTEST_SKIP() << lanes << " lanes need vectors this processor lacks";
            EXPECT_EQ(solved, (1 << lanes) - 1);
            for (int lane = 0; lane < lanes; ++lane) {
                LocalPolynomial alone;
                ASSERT_TRUE(fit_local_polynomial(work, first + lane, first + lane + span - 1, false,
                                                 terms, alone));
                SCOPED_TRACE("terms " + std::to_string(terms) + ", window " +
                             std::to_string(first + lane));
                EXPECT_EQ(together[lane].a1, alone.a1);
                EXPECT_EQ(together[lane].a2, alone.a2);
                EXPECT_EQ(together[lane].a3, alone.a3);
                EXPECT_EQ(together[lane].xbar, alone.xbar);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(WidthsAndSpans, WindowLanes,
                         ::testing::Combine(::testing::Values(2, 4, 8), ::testing::Values(8, 49)));

TEST(WindowLanesWidest, IsOneTheProcessorRuns) {
    const int lanes = widest_window_lanes();
    EXPECT_TRUE(lanes == 2 || lanes == 4 || lanes == 8);
    SlopeWork work;
    work.size_for(20);
    LocalPolynomial poly[kMaxWindowLanes];
    EXPECT_GE(fit_window_lanes(work, 1, 4, 1, lanes, poly), 0);
    EXPECT_EQ(fit_window_lanes(work, 1, 4, 1, 3, poly), -1) << "three lanes are no width";
}

TEST(WindowLanesSingular, LeaveASingularWindowsCoefficientsAtZeroAndSaySo) {
    SlopeWork work;
    work.size_for(12);
    for (int k = 1; k <= 12; ++k) {
        work.x[k] = k <= 4 ? 20.0 : 20.0 + 0.1 * k;  // window 1 (points 1..4) all equal
        work.y[k] = 0.5 * k;
        work.w[k] = 1.0;
    }
    LocalPolynomial poly[kMaxWindowLanes];
    const int solved = fit_window_lanes(work, 1, 4, 1, 2, poly);
    EXPECT_EQ(solved, 0b10);
    EXPECT_EQ(poly[0].a1, 0.0);
    EXPECT_EQ(poly[0].xbar, 20.0);
}

TEST_F(SlopeCase, AnOddSpanLetsTheLastWindowOverwriteTheMiddleOfTheWindowBefore) {
    const std::vector<double> x = uneven_grid(16.2, 0.04, 60, 19);
    const std::vector<double> y = noise(60, 23);
    differentiate({{x, y}}, 51, 2);
    // h = 26 and ten windows: window 9's middle point 34 is also the first
    // point of the last window's rule (60 - 26 .. 60), and the last wins.
    EXPECT_TRUE(close_to(stored_slope(s(), 1, 34), reference_slope(x, y, 10, 60, 2, x[33]),
                         kSlopeTolerance));
    EXPECT_GT(std::fabs(reference_slope(x, y, 9, 59, 2, x[33]) - stored_slope(s(), 1, 34)), 1e-6);
    EXPECT_TRUE(close_to(stored_slope(s(), 1, 33), reference_slope(x, y, 8, 58, 2, x[32]),
                         kSlopeTolerance));
}

TEST_F(SlopeCase, OneTermGivesTheStraightLineSlopeOfEachWindow) {
    const std::vector<double> x = uneven_grid(20.0, 0.02, 40, 29);
    const std::vector<double> y = noise(40, 31);
    differentiate({{x, y}}, 10, 1);
    auto line_slope = [&](int from) {
        double mx = 0.0, my = 0.0;
        for (int k = from; k < from + 10; ++k) {
            mx += x[k - 1];
            my += y[k - 1];
        }
        mx /= 10.0;
        my /= 10.0;
        double sxy = 0.0, sxx = 0.0;
        for (int k = from; k < from + 10; ++k) {
            sxy += (x[k - 1] - mx) * (y[k - 1] - my);
            sxx += (x[k - 1] - mx) * (x[k - 1] - mx);
        }
        return sxy / sxx;
    };
    for (int m = 1; m <= 5; ++m)  // constant within the first window
        EXPECT_TRUE(close_to(stored_slope(s(), 1, m), line_slope(1), kSlopeTolerance));
    for (int w = 2; w < 31; ++w)
        EXPECT_TRUE(close_to(stored_slope(s(), 1, w + 4), line_slope(w), kSlopeTolerance));
    for (int m = 35; m <= 40; ++m)
        EXPECT_TRUE(close_to(stored_slope(s(), 1, m), line_slope(31), kSlopeTolerance));
}

TEST_F(SlopeCase, LogsTheIndicesAndEachDifferentiatedSetAndMarksThemValid) {
    const std::vector<double> x = uneven_grid(17.0, 0.05, 60, 37);
    differentiate({{x, noise(60, 1)}, {x, noise(60, 2)}}, 50, 3);
    const std::vector<std::string> expected = {
        "  Indices of data points for all channels",
        " Data set:  1 from    1 to   60    Original Data Set:  1",
        " Data set:  2 from   61 to  120    Original Data Set:  2",
        " Differentiated data set # 1 with span of  50 using a polynomial with 3 terms",
        " Differentiated data set # 2 with span of  50 using a polynomial with 3 terms"};
    EXPECT_EQ(new_out_lines(), expected);
    EXPECT_EQ(box.trimmed(), expected);
    EXPECT_EQ(s().fit.slope_labels[2], ftn::pad_right("Data set:  2 Span:  50 Poly: 3", 80));
    EXPECT_EQ(s().deriv_valid[0], 2);
    EXPECT_EQ(s().deriv_valid[1], 1);
    EXPECT_EQ(s().deriv_valid[2], 2);
}

TEST_F(SlopeCase, ASetShorterThanTheSpanIsWarnedAboutAndKeepsItsStoredFields) {
    const std::vector<double> x = uneven_grid(17.0, 0.05, 30, 41);
    const std::vector<double> y = values_at(x, [](double v) { return 2.0 * v; });
    differentiate({{x, y}}, 50, 3);
    EXPECT_EQ(box.trimmed(),
              (std::vector<std::string>{
                  "  Indices of data points for all channels",
                  " Data set:  1 from    1 to   30    Original Data Set:  1",
                  " Not enough data points in this Data Set to use the",
                  "DEFAULT SPAN for fitting!", " You should choose a SMALLER DATA SPAN",
                  " Differentiated data set # 1 with span of  50 using a polynomial "
                  "with 3 terms"}));
    EXPECT_TRUE(lines_with(new_out_lines(), "Not enough").empty())
        << "the warning is for the list only";
    for (int m = 1; m <= 30; ++m) {
        EXPECT_EQ(s().active_points[m].weight, 1.0);
        EXPECT_EQ(s().active_points[m].work, 0.0);
    }
    EXPECT_EQ(s().deriv_valid[1], 1);
    EXPECT_EQ(s().deriv_valid[0], 1);
}

TEST_F(SlopeCase, ASingularWindowIsLoggedAndUsesTheCoefficientsLeftOver) {
    // Three equal positions make window 5 (points 5..7) singular for a
    // straight line; its middle point 6 takes window 4's slope.
    const std::vector<double> x = {1.0, 2.0, 3.0, 4.0, 5.0, 5.0, 5.0, 6.5, 7.0, 8.5};
    const std::vector<double> y = {0.0, 1.0, 4.0, 2.0, 3.0, 5.0, 1.0, 0.5, 2.0, 3.0};
    differentiate({{x, y}}, 3, 1);
    SlopeWork work;
    work.size_for(10);
    for (int k = 1; k <= 10; ++k) {
        work.x[k] = x[k - 1];
        work.y[k] = y[k - 1];
        work.w[k] = 1.0;
    }
    LocalPolynomial window4;
    ASSERT_TRUE(fit_local_polynomial(work, 4, 6, false, 1, window4));
    EXPECT_TRUE(close_to(stored_slope(s(), 1, 6), window4.a1, 1e-12));

    const std::vector<std::string> named = {
        " Value of na is         5", " Value of nb is         7", " Value of jw is         0",
        " Value of jz is         1"};
    auto file = new_out_lines();
    const auto at = std::find(file.begin(), file.end(), "  Determinant vanishes!!!");
    ASSERT_NE(at, file.end());
    EXPECT_EQ(std::vector<std::string>(at + 1, at + 5), named);
    EXPECT_TRUE(lines_with(box.trimmed(), "vanishes").empty())
        << "the first line is for the file only";
    EXPECT_EQ(lines_with(box.trimmed(), "Value of").size(), 4u);
}

TEST_F(SlopeCase, ASpanOfOneIsSingularEverywhereAndKeepsTheCoefficientsOfTheLastFit) {
    const std::vector<double> x = uneven_grid(17.0, 0.05, 4, 43);
    s().fit.window = {2.0, 0.5, 7.0, 0.0};
    differentiate({{x, noise(4, 3)}}, 1, 2);
    // Every window is centred on its one point, so a2 adds nothing there;
    // point 3 is evaluated again by the last window, about point 4.
    EXPECT_EQ(stored_slope(s(), 1, 1), 2.0);
    EXPECT_EQ(stored_slope(s(), 1, 2), 2.0);
    EXPECT_TRUE(close_to(stored_slope(s(), 1, 3), 2.0 + 2.0 * 0.5 * (x[2] - x[3]), 1e-15));
    EXPECT_EQ(stored_slope(s(), 1, 4), 2.0);
    EXPECT_EQ(lines_with(out_lines(), "Determinant vanishes!!!").size(), 4u);
}

TEST_F(SlopeCase, ASpanOfOneOnAOnePointSetWritesNoSlopeIntoThePointBefore) {
    const std::vector<double> x = uneven_grid(17.0, 0.05, 5, 47);
    load_active_sets(s(), {{x, noise(5, 1)}, {{30.0}, {1.0}}});
    // Only the one-point set is differentiated; the point before it marks
    // whether the last-window rule (points n - h .. n = 0 .. 1) reached it.
    s().active_start[1] = 6;
    s().active_end[1] = 6;
    s().active_sets[0] = 1;
    s().active_points[5].weight = s().active_points[5].work = -9.0;
    s().fit.window = {3.0, 0.0, 0.0, 0.0};
    s().differ_span = 1;
    s().differ_terms = 1;
    {
        Log log(s());
        prepare_slopes(s(), log);
    }
    EXPECT_EQ(s().active_points[6].work, 3.0);
    EXPECT_EQ(s().active_points[5].work, -9.0);
    EXPECT_EQ(s().active_points[5].weight, -9.0);
}

}  // namespace
}  // namespace quillane::testing
