// SPDX-License-Identifier: MIT
// What the scan reader does with data it cannot take as they are: positions
// that do not rise, values and times beyond the plausibility bounds or
// beyond the range of a double.  Nothing is dropped or reordered without a
// line saying so, and nothing it accepts can overflow later on.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "data_plots.h"
#include "fit_match.h"
#include "fit_test_support.h"
#include "ftn_format.h"
#include "options.h"
#include "result_graphs.h"
#include "scanfile.h"
#include "selection.h"
#include "test_support.h"

namespace quillane {
namespace {

using testing::Fixture;
using testing::lines_with;

// A scan file: description, time line, then one "position value" line per
// point.
std::string scan_text(double time, const std::vector<double> &x, const std::vector<double> &y) {
    std::string text = "desc\nR 1 20.0 12000 " + ftn::sci(time, 16, 8, 'E') + "\n";
    char line[96];
    for (size_t i = 0; i < x.size(); ++i) {
        std::snprintf(line, sizeof line, "%.6f %.17g\n", x[i], y[i]);
        text += line;
    }
    return text;
}

std::vector<double> grid(double x0, double step, int n) {
    std::vector<double> x;
    for (int i = 0; i < n; ++i)
        x.push_back(x0 + step * i);
    return x;
}

// ---- positions that do not rise ----

TEST(ReversedScan, IsPutInRisingOrderWithOneLineNamingTheFileAndTheCount) {
    Fixture f;
    const std::string name =
        f.dir.write("rev.RA1", "d\nR 1 2 3 4\n6.3 3\n6.2 2\n6.1 1\n6.25 2.5\n6.4 4\n");
    read_scan_file(f.s(), name, 1);
    const State &s = f.s();
    ASSERT_EQ(s.set_point_count[1], 5);
    const double radius[] = {6.1, 6.2, 6.25, 6.3, 6.4};
    const double value[] = {1, 2, 2.5, 3, 4};
    for (int p = 1; p <= 5; ++p) {
        EXPECT_EQ(s.raw_points[p].radius, radius[p - 1]) << "point " << p;
        EXPECT_EQ(s.raw_points[p].value, value[p - 1]) << "point " << p << " left its position";
    }
    // 6.2 after 6.3, 6.1 after 6.2: two points lay below the one before.
    const auto said = lines_with(f.out_lines(), "do not rise");
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0], " " + name +
                           ": the positions do not rise; 2 points were out of order, the set is "
                           "put in rising order");
    EXPECT_EQ(lines_with(f.box.trimmed(), "do not rise"), said);
}

TEST(ReversedScan, KeepsTheFileOrderOfEqualPositions) {
    Fixture f;
    read_scan_file(f.s(), f.dir.write("eq.RA1", "d\nR 1 2 3 4\n6.2 1\n6.1 2\n6.2 3\n6.1 4\n"), 1);
    const State &s = f.s();
    const double values[] = {2, 4, 1, 3};
    for (int p = 1; p <= 4; ++p)
        EXPECT_EQ(s.raw_points[p].value, values[p - 1]) << "point " << p;
}

// Two files with the same data, one with its data lines reversed: after
// reading they are the same set, so the limits cut both alike and every fit
// kind finds no deviation between them.
TEST(ReversedScan, HonoursTheLimitsAndMatchesItsUnreversedTwinExactly) {
    Fixture f;
    State &s = f.s();
    const std::vector<double> x = grid(6.0, 0.002, 400);
    const std::vector<double> y = testing::values_at(x, [](double r) { return 0.1 * r * r; });
    std::vector<double> xr(x.rbegin(), x.rend()), yr(y.rbegin(), y.rend());
    const std::vector<double> y3 =
        testing::values_at(x, [](double r) { return 0.1 * r * r + 0.01; });
    read_scan_file(s, f.dir.write("a.RA1", scan_text(100, x, y)), 1);
    read_scan_file(s, f.dir.write("b.RA1", scan_text(200, xr, yr)), 2);
    read_scan_file(s, f.dir.write("c.RA1", scan_text(300, x, y3)), 3);
    ASSERT_TRUE(find_limit_indices(s, 18.5, 21.0));
    EXPECT_EQ(s.lim_hi[1] - s.lim_lo[1], s.lim_hi[2] - s.lim_lo[2]);
    for (int32_t p = s.lim_lo[2]; p <= s.lim_hi[2]; ++p) {
        EXPECT_GE(s.raw_points[p].xi, 18.5);
        EXPECT_LE(s.raw_points[p].xi, 21.0);
    }
    transfer_data(s);
    fit_all(s, 1);
    for (int k = 1; k <= kFitKinds; ++k) {
        EXPECT_EQ(s.fit.pair_rss(k, 2, 1), 0.0) << "fit kind " << k;
        EXPECT_EQ(s.fit.pair_rss(k, 1, 2), 0.0) << "fit kind " << k;
    }
    EXPECT_GT(s.fit.pair_rss(1, 3, 1), 0.0);  // the fit does see a real difference
}

// ---- values and times beyond the bounds ----

struct Rejected {
    std::string value;  // as written in the file
    std::string reason;
};

class LineWithAnUnusableValue : public ::testing::TestWithParam<Rejected> {};

TEST_P(LineWithAnUnusableValue, IsRejectedAndSaidOnceWithTheFirstLineNumber) {
    Fixture f;
    const std::string v = GetParam().value;
    const std::string name = f.dir.write(
        "v.RA1", "d\nR 1 2 3 4\n6.1 1\n6.2 " + v + "\n6.3 3\n6.4 " + v + " 0.5\n6.5 5\n");
    read_scan_file(f.s(), name, 1);
    const State &s = f.s();
    ASSERT_EQ(s.set_point_count[1], 3);
    EXPECT_EQ(s.raw_points[2].value, 3.0);
    EXPECT_EQ(s.raw_points[3].value, 5.0);
    const auto said = lines_with(f.out_lines(), "rejected");
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0],
              " " + name + ": 2 data lines rejected, " + GetParam().reason + " (first: line 4)");
    EXPECT_EQ(lines_with(f.box.trimmed(), "rejected"), said);
}

INSTANTIATE_TEST_SUITE_P(
    BeyondTheBoundOrADouble, LineWithAnUnusableValue,
    ::testing::Values(Rejected{"1.5e12", "the value lies beyond 1.0E+12 in magnitude"},
                      Rejected{"-1e308", "the value lies beyond 1.0E+12 in magnitude"},
                      Rejected{"1e400",
                               "a number is not finite or beyond the range of double "
                               "precision"},
                      Rejected{"-1D-400",
                               "a number is not finite or beyond the range of double "
                               "precision"},
                      Rejected{"inf",
                               "a number is not finite or beyond the range of double "
                               "precision"},
                      Rejected{"NaN",
                               "a number is not finite or beyond the range of double "
                               "precision"}));

TEST(ImplausibleValues, AtTheBoundAreAcceptedAndTextIsStillSkippedQuietly) {
    Fixture f;
    read_scan_file(f.s(), f.dir.write("b.RA1", "d\nR 1 2 3 4\n6.1 1e12\n6.2 -1e12\nmeniscus\n"), 1);
    EXPECT_EQ(f.s().set_point_count[1], 2);
    EXPECT_TRUE(lines_with(f.out_lines(), "rejected").empty());
}

TEST(ImplausibleValues, AThirdNumberBeyondTheDoubleRangeRejectsTheLineWithTheReason) {
    Fixture f;
    const std::string name =
        f.dir.write("w.RA1", "d\nR 1 2 3 4\n6.1 1 0.01\n6.2 2 1e999\n6.3 3 1e999 text\n");
    read_scan_file(f.s(), name, 1);
    EXPECT_EQ(f.s().set_point_count[1], 1);
    // What follows the third number is never read, as on every data line.
    EXPECT_EQ(lines_with(f.box.trimmed(), "rejected"),
              std::vector<std::string>{" " + name +
                                       ": 2 data lines rejected, a number is not finite or beyond "
                                       "the range of double precision (first: line 4)"});
}

TEST(ImplausibleValues, RejectedLinesAreEchoedLikeEveryOtherLineNotTaken) {
    Fixture f(/*echo=*/true);
    read_scan_file(f.s(), f.dir.write("e.RA1", "d\nR 1 2 3 4\n6.1 1\n6.2 7e15\n"), 1);
    EXPECT_EQ(lines_with(f.out_lines(), " 6.2 7e15").size(), 1u);
    EXPECT_TRUE(lines_with(f.box.trimmed(), " 6.2 7e15").empty());
}

TEST(ImplausibleTimes, AreNotUsedTheSetKeepsItsNumberAndTheLineSaysWhy) {
    Fixture f;
    read_scan_file(f.s(), f.dir.write("a.RA1", "d\nR 1 2 3 1e30\n6.1 1\n"), 1);
    EXPECT_EQ(f.s().set_time[1], 1e30);  // at the bound
    const std::string name = f.dir.write("t.RA1", "d\nR 1 2 3 -2.5e31\n6.1 1\n6.2 2\n");
    read_scan_file(f.s(), name, 2);
    EXPECT_EQ(f.s().set_time[2], 2.0);
    EXPECT_EQ(f.s().set_point_count[2], 2);  // the line was the time line: data follow it
    const auto said = lines_with(f.out_lines(), "the time");
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0], " " + name +
                           ", line 2: the time -2.500000E+31 lies beyond 1.0E+30 in magnitude "
                           "and is not used; the set's time stays 2");
}

TEST(ImplausibleTimes, ATimeLineBeyondTheDoubleRangeIsNamedAndTheSearchGoesOn) {
    Fixture f;
    const std::string name = f.dir.write("d.RA1", "d\nR 1 2 3 1e999\nR 1 2 3 60\n6.1 1\n");
    read_scan_file(f.s(), name, 1);
    EXPECT_EQ(f.s().set_time[1], 60.0);
    const auto said = lines_with(f.box.trimmed(), "double precision");
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0], " " + name +
                           ", line 2: a number beyond the range of double precision; the line is "
                           "not taken for the time line");
}

// ---- values at the bound through the whole chain ----

// Numbers that are not finite are written "Infinity" or "NaN", numbers too
// wide for their field as stars.
bool every_number_finite(const std::string &text) {
    return text.find("Infinity") == std::string::npos && text.find("NaN") == std::string::npos &&
           text.find("***") == std::string::npos;
}

struct Differentiation {
    int span;
    int terms;
};

class ValuesAtTheBound : public ::testing::TestWithParam<Differentiation> {};

// The hardest data the bounds allow: sets at +bound and -bound, one that
// jumps between the two from one point to the next (0.001 cm apart), one
// covering a small part of the range (so the others are extrapolated far
// along their slopes), times at the bound.  Every number of the report, the
// data plots and the result graphs (linear and logarithmic) stays finite.
TEST_P(ValuesAtTheBound, KeepEveryNumberOfTheReportAndThePlotsFinite) {
    Fixture f;
    State &s = f.s();
    s.plot_file_name = f.dir.file("plot.dat");
    const double b = kValueBound;
    const std::vector<std::function<double(int)>> shapes = {
        [&](int) { return b; }, [&](int) { return -b; }, [&](int i) { return i % 2 ? b : -b; },
        [&](int i) { return (i / 3) % 2 ? b : -b; }};
    for (int k = 1; k <= 4; ++k) {
        const std::vector<double> x = k == 3 ? grid(6.95, 0.001, 100) : grid(5.75, 0.001, 1500);
        std::vector<double> y;
        for (size_t i = 0; i < x.size(); ++i)
            y.push_back(shapes[k - 1](static_cast<int>(i)));
        const double time = k % 2 ? kTimeBound : -kTimeBound;
        read_scan_file(s, f.dir.write("s" + std::to_string(k), scan_text(time, x, y)), k);
    }
    set_differ_parms(s, GetParam().span, GetParam().terms);
    find_smallest_range(s);
    transfer_data(s);
    fit_all(s, 4);

    auto take_plot = [&](const std::string &what) {
        const std::string text = testing::read_file(s.plot_file_name);
        EXPECT_FALSE(text.empty()) << "no plot file for " << what;
        EXPECT_TRUE(every_number_finite(text)) << what << ":\n" << text.substr(0, 2000);
        std::filesystem::remove(s.plot_file_name);
    };
    const int32_t all[kMaxDataSets + 1] = {4, 1, 2, 3, 4};
    for (int kind = 1; kind <= 3; ++kind) {
        put_plot_list(s, all);
        generic_plot(s, kind, -1);
        take_plot("data plot " + std::to_string(kind));
    }
    const int32_t others[kMaxDataSets + 1] = {3, 1, 2, 3};
    const double xs[10] = {17.0, 20.0, 27.0};
    for (bool logarithms : {false, true}) {
        const int32_t choices[3] = {1, 1, 1};
        set_result_choice(s, choices, logarithms);
        put_plot_list(s, others);
        set_positions_to_plot(s, xs, 3);
        for (int kind = 1; kind <= 5; ++kind) {
            plot_result_graphs(s, kind, 4);
            take_plot("result graph " + std::to_string(kind) + (logarithms ? " (logarithms)" : ""));
        }
    }
    const std::string report = testing::read_file(f.out_file);
    EXPECT_TRUE(every_number_finite(report)) << report;
    EXPECT_TRUE(s.last_error.empty()) << s.last_error;
}

INSTANTIATE_TEST_SUITE_P(SpanAndDegree, ValuesAtTheBound,
                         ::testing::Values(Differentiation{50, 3}, Differentiation{4, 3},
                                           Differentiation{3, 2}, Differentiation{2, 1}));

}  // namespace
}  // namespace quillane
