// SPDX-License-Identifier: MIT
// Result graphs: the records, headings, labels and log lines of each kind,
// and the choices the graphs leave behind.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <filesystem>

#include "fit_access.h"
#include "ftn_format.h"
#include "plot_file.h"
#include "plot_test_support.h"
#include "result_graphs.h"
#include "test_support.h"

namespace quillane {
namespace {

using testing::add_active_set;
using testing::Fixture;
using testing::take_plot;

std::vector<double> grid(double lo, double step, int n) {
    std::vector<double> xs;
    for (int i = 0; i < n; ++i)
        xs.push_back(lo + step * i + 0.001 * i * i);
    return xs;
}
double flat(double) {
    return 1.0;
}

class ResultGraph : public testing::PlotTest {
  protected:
    void SetUp() override {
        for (int k = 1; k <= 4; ++k)
            add_active_set(f.s(), grid(18.0 + 0.01 * k, 0.2, 12), flat, flat, 1000.0 * k);
        choose(true, true, true);
        set_result_ref_set(f.s(), 2);
    }
    void choose(bool k1, bool k2, bool k3, bool log = false) {
        f.s().result_choice = {log, k1, k2, k3};
    }
    void plot_list(std::initializer_list<int32_t> sets) {
        f.s().plot_list[0] = static_cast<int32_t>(sets.size());
        int i = 1;
        for (int32_t v : sets)
            f.s().plot_list[i++] = v;
    }
    // Heading 2 as the viewer shows it, without the time stamp.
    static std::string second_heading(const plotfile::PlotData &d) {
        return d.heading2.substr(0, d.heading2.find("  ::  "));
    }
};

// The graph holds single precision, so the logarithm is taken of the
// rounded value: near 1 the two orders differ in the sixth digit.
TEST_F(ResultGraph, LogarithmsAreTakenOfTheValueAsTheGraphHoldsIt) {
    choose(true, false, false, true);
    f.s().fit.pair_rss(1, 2, 1) = 0.99486021496552501;
    plot_result_graphs(f.s(), 2, 2);
    const auto d = take_plot(plot_file);
    ASSERT_GE(d.count, 1);
    EXPECT_EQ(plot_number(d.points[0].y), " -5.153020E-03") << "not -5.153040E-03";
    EXPECT_EQ(f.s().plot.graph_y[0][0],
              static_cast<float>(std::log(static_cast<double>(0.99486021496552501f))));
}

TEST_F(ResultGraph, AnUnknownKindWritesNoPlotAndSaysSo) {
    plot_result_graphs(f.s(), 6, 1);
    EXPECT_FALSE(std::filesystem::exists(plot_file));
    EXPECT_EQ(f.box.trimmed().back(), "  There is no result graph of kind           6");
}

TEST_F(ResultGraph, RmsOfFourSetsAgainstReferenceTwoHasThreeSeriesOfThreePoints) {
    plot_result_graphs(f.s(), 1, 2);
    const auto d = take_plot(plot_file);
    ASSERT_EQ(d.count, 19);
    const float times[] = {1000.0f, 3000.0f, 4000.0f};
    for (int series = 0; series < 3; ++series) {
        for (int p = 0; p < 3; ++p) {
            EXPECT_EQ(d.points[series * 3 + p].code, series + 1);
            EXPECT_EQ(d.points[series * 3 + p].x, times[p]);
            EXPECT_EQ(d.points[9 + series * 3 + p].code, p == 0 ? -58 : -57);
            EXPECT_EQ(d.points[9 + series * 3 + p].x, times[p]);
        }
    }
    EXPECT_EQ(d.points[18].code, -56);
    EXPECT_EQ(d.points[18].x, 1000.0f);
    EXPECT_EQ(d.heading, "Outfile: " + f.out_file + " for Fits with:");
    EXPECT_EQ(second_heading(d), "No Offsets Y-Offsets and Both X/Y-Offsets  Ref. set:  2");
    EXPECT_EQ(d.x_label, "Time");
    EXPECT_EQ(d.y_label, "RMS Devs");
    EXPECT_TRUE(d.marked_for_deletion());
}

TEST_F(ResultGraph, TheTimeGraphsLogWhatTheyGraphToTheFileAndTheListBox) {
    plot_result_graphs(f.s(), 2, 2);
    const auto lines = f.new_out_lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1].substr(12, 4), " On ");
    EXPECT_EQ(lines[2],
              "  Graphing VARIANCES as f(time) for all data sets with Ref set:           2");
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines[4], "");
    const auto box = f.box.trimmed();
    ASSERT_EQ(box.size(), 3u);
    EXPECT_EQ(box[0].size(), 26u);
    EXPECT_EQ(box[1], lines[2]);
    EXPECT_EQ(box[2], "");
    EXPECT_EQ(take_plot(plot_file).y_label, "Variance");
}

TEST_F(ResultGraph, TheTitleNamesTheChosenFitKinds) {
    const std::pair<std::array<bool, 3>, std::string> cases[] = {
        {{true, false, false}, "No Offsets  Ref. set:  2"},
        {{true, true, false}, "No Offsets and Y-Offsets  Ref. set:  2"},
        {{true, false, true}, "No Offsets  and Both X/Y-Offsets  Ref. set:  2"},
        {{false, true, true}, "  Y-Offsets and Both X/Y-Offsets  Ref. set:  2"},
        {{false, false, true}, "   Both X/Y-Offsets  Ref. set:  2"},
    };
    for (const auto &[chosen, title] : cases) {
        choose(chosen[0], chosen[1], chosen[2]);
        plot_result_graphs(f.s(), 1, 2);
        EXPECT_EQ(f.s().plot_title, title);
        const auto d = take_plot(plot_file);
        EXPECT_EQ(second_heading(d), ftn::trim(title));  // the viewer drops leading blanks
        EXPECT_EQ(d.count, 2 * 3 * (chosen[0] + chosen[1] + chosen[2]) + 1);
    }
}

TEST_F(ResultGraph, LogarithmsChangeTheLabelAndLeaveZeroRmsAtZero) {
    choose(true, false, false, true);
    plot_result_graphs(f.s(), 1, 2);
    const auto d = take_plot(plot_file);
    EXPECT_EQ(d.y_label, "Ln( RMS Devs )");
    EXPECT_EQ(d.points[0].y, 0.0f);  // no fit yet: every RMS is 0
}

TEST_F(ResultGraph, PositionOffsetsAlwaysShowTheTwoParameterFitAndKeepThatChoice) {
    choose(true, true, false, true);
    plot_result_graphs(f.s(), 5, 3);
    const auto d = take_plot(plot_file);
    EXPECT_EQ(d.count, 2 * 3 + 1);
    EXPECT_EQ(d.y_label, "XI Offset in cm^2");
    EXPECT_EQ(f.s().plot_title, "   Both X/Y-Offsets  Ref. set:  3");
    EXPECT_EQ(f.s().result_choice, (std::array<bool, 4>{false, false, false, true}));
    EXPECT_EQ(f.box.trimmed()[1],
              "  Graphing X-OFFSETS as f(time) for all data sets with Ref set:           3");
}

TEST_F(ResultGraph, PositionOffsetsAreLabelledInThePositionVariable) {
    ASSERT_TRUE(f.s().xi_mode);
    plot_result_graphs(f.s(), 5, 3);
    EXPECT_EQ(take_plot(plot_file).y_label, "XI Offset in cm^2");
    f.s().xi_mode = false;
    plot_result_graphs(f.s(), 5, 3);
    EXPECT_EQ(take_plot(plot_file).y_label, "Radial Offset in cm");
}

TEST_F(ResultGraph, DeviationsAgainstRadiusEndWithAZeroLineAndKeepTheReferenceSet) {
    f.s().xi_mode = false;
    plot_list({1, 3});
    plot_result_graphs(f.s(), 3, 4);
    EXPECT_EQ(result_ref_set(f.s()), 4);
    const auto d = take_plot(plot_file);
    EXPECT_EQ(d.x_label, "Radius, R (cm)");
    EXPECT_EQ(d.y_label, "Deviations");
    ASSERT_EQ(d.count, 2 * 2 * 12 + 2 + 1);
    const auto xs = grid(18.04, 0.2, 12);
    EXPECT_NEAR(d.points[0].x, xs[0], 1e-4);
    EXPECT_EQ(d.points[0].code, 1);
    EXPECT_EQ(d.points[12].code, 2);
    // 18.04 .. 20.361 rounds to 17.5 .. 20.5 in steps of 0.5 (18.04 lies
    // within a fifth of a step of 18.0).
    EXPECT_EQ(d.points[48].code, -58);
    EXPECT_EQ(d.points[48].x, 17.5f);
    EXPECT_EQ(d.points[49].code, -57);
    EXPECT_EQ(d.points[49].x, 20.5f);
    EXPECT_EQ(d.points[50].code, -56);
}

TEST_F(ResultGraph, DeviationsWithLogarithmsHaveNoZeroLineAndAFiniteLogOfZero) {
    choose(false, true, false, true);
    plot_list({1});
    plot_result_graphs(f.s(), 3, 2);
    const auto d = take_plot(plot_file);
    EXPECT_EQ(d.y_label, "Ln( Deviations )");
    ASSERT_EQ(d.count, 2 * 12 + 1);
    EXPECT_TRUE(std::isfinite(d.points[0].y));
    EXPECT_NEAR(d.points[0].y, std::log(FLT_MIN), 1e-4);
}

TEST_F(ResultGraph, DeviationSetNumbersFollowAShortHeading) {
    f.s().out_file_name = "NUL";
    plot_list({1, 2, 5});
    plot_result_graphs(f.s(), 3, 1);
    const auto d = take_plot(plot_file);
    EXPECT_EQ(d.heading, "Outfile: NUL for Data Sets: 1, 2, 5");
    EXPECT_EQ(second_heading(d), "No Offsets Y-Offsets and Both X/Y-Offsets");
}

TEST_F(ResultGraph, DeviationSetNumbersOfALongNameRunOnIntoTheSecondHeading) {
    plot_list({1, 3, 4});
    plot_result_graphs(f.s(), 3, 2);
    auto d = take_plot(plot_file);
    EXPECT_EQ(d.heading, "Outfile: " + f.out_file + " for Data Sets:");
    EXPECT_EQ(second_heading(d), "No Offsets Y-Offsets and Both X/Y-Offsets 1, 3,and  4");

    plot_list({1, 3, 4, 1, 3});
    plot_result_graphs(f.s(), 3, 2);
    d = take_plot(plot_file);
    EXPECT_EQ(second_heading(d), "No Offsets Y-Offsets and Both X/Y-Offsets 1, 3, 4, ...");
}

TEST_F(ResultGraph, KeptDeviationGraphsLogTheirSetsToTheFile) {
    f.s().delete_plot_files = false;
    plot_list({1, 3});
    plot_result_graphs(f.s(), 3, 2);
    const auto lines = f.new_out_lines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[2], "  Graphing deviations as f(X) for the following data sets:");
    EXPECT_EQ(lines[3], " " + ftn::int_field(1, 12) + ftn::int_field(3, 12));
    EXPECT_TRUE(f.box.lines.empty());
}

TEST_F(ResultGraph, PositionsAreSortedForGoodAndNamedInTheHeading) {
    f.s().out_file_name = "NUL";
    f.s().xs_to_plot[1] = 20.0;
    f.s().xs_to_plot[2] = 18.0;
    f.s().xs_to_plot_count = 2;
    plot_result_graphs(f.s(), 4, 1);
    EXPECT_EQ(f.s().xs_to_plot[1], 18.0);
    EXPECT_EQ(f.s().xs_to_plot[2], 20.0);
    const auto d = take_plot(plot_file);
    EXPECT_EQ(d.heading, "Outfile: NUL At X=  18.000  20.000");
    EXPECT_EQ(d.count, 2 * 2 * 3 + 1);
    const auto box = f.box.trimmed();
    ASSERT_EQ(box.size(), 5u);
    EXPECT_EQ(box[1], " Graphing at the following X values as f(time):");
    EXPECT_EQ(box[2], " XI (or R) =  18.00000");
    EXPECT_EQ(box[3], " XI (or R) =  20.00000");
}

TEST_F(ResultGraph, PositionHeadingsStopGrowingWithAnEllipsis) {
    // A name of 15 characters brings the heading to 54 after three positions.
    f.s().out_file_name = "/dev/./././null";
    for (int t = 1; t <= 10; ++t)
        f.s().xs_to_plot[t] = 17.0 + t;
    f.s().xs_to_plot_count = 10;
    plot_result_graphs(f.s(), 4, 1);
    const auto d = take_plot(plot_file);
    EXPECT_EQ(d.heading, "Outfile: /dev/./././null At X=  18.000  19.000  20.000 ...");
    EXPECT_EQ(d.count, 2 * 10 * 3 + 1);
}

TEST_F(ResultGraph, NoChosenPositionsMeanNoPlotAndNoLogLine) {
    f.s().xs_to_plot_count = 0;
    plot_result_graphs(f.s(), 4, 1);
    EXPECT_FALSE(std::filesystem::exists(plot_file));
    EXPECT_TRUE(f.box.lines.empty());
    EXPECT_TRUE(f.new_out_lines().empty());
}

TEST(SortReals, SortsAscendingInPlace) {
    std::vector<double> v{3.5, -1.0, 20.0, 18.0, 3.5, 0.0};
    sort_reals(v);
    EXPECT_EQ(v, (std::vector<double>{-1.0, 0.0, 3.5, 3.5, 18.0, 20.0}));
    std::vector<double> empty;
    sort_reals(empty);
    EXPECT_TRUE(empty.empty());
}

TEST(JoinTrimmed, DropsTrailingBlanksAndCountsABlankTextAsOneBlank) {
    EXPECT_EQ(join_trimmed({"No Offsets ", "   ", " Both "}), "No Offsets  Both");
    EXPECT_EQ(join_trimmed({"", ""}), "  ");
    EXPECT_EQ(join_trimmed({"a  ", " b"}), "a b");
}

}  // namespace
}  // namespace quillane
