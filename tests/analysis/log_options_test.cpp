// SPDX-License-Identifier: MIT
// The log channel's list-box protocol and output file, and the options set
// at start-up and by the dialogs.
#include <gtest/gtest.h>

#include "ftn_format.h"
#include "log.h"
#include "options.h"
#include "test_support.h"

namespace quillane {
namespace {

using testing::Fixture;
using testing::ListBoxRecorder;

TEST(ListBox, WithoutASinkLinesAreDiscardedQuietly) {
    State s;
    s.out_file_name = "NUL";
    Log::post_log_line(s, "nobody listens");
    EXPECT_TRUE(s.last_error.empty()) << s.last_error;
    // Discarded, not kept back: a box attached later sees only its own lines.
    ListBoxRecorder box;
    box.attach(s);
    Log::post_log_line(s, "heard");
    ASSERT_EQ(box.lines.size(), 1u);
    EXPECT_EQ(box.lines[0].substr(0, 5), "heard");
}

TEST(ListBox, LinesArriveBlankPaddedTo159Characters) {
    State s;
    ListBoxRecorder box;
    box.attach(s);
    Log::post_log_line(s, std::string(20, 'x'));
    Log::post_log_line(s, std::string(200, 'y'));
    ASSERT_EQ(box.lines.size(), 2u);
    EXPECT_EQ(box.lines[0], std::string(20, 'x') + std::string(139, ' '));
    EXPECT_EQ(box.lines[1], std::string(159, 'y'));
}

TEST(ListBox, ScrollsOnlyOnceTheBoxIsFull) {
    State s;
    ListBoxRecorder box(10);
    box.attach(s);
    for (int i = 0; i < 10; ++i)
        Log::post_log_line(s, "line");
    EXPECT_TRUE(box.top_index_calls.empty());
    Log::post_log_line(s, "eleventh");
    EXPECT_EQ(box.top_index_calls, std::vector<int>{1});
}

TEST(ListBox, RepaintsAndHandlesAtMostTwoPendingEventsPerLine) {
    State s;
    ListBoxRecorder box;
    box.attach(s);
    Log::post_log_line(s, "idle");
    EXPECT_EQ(box.updates, 1);
    EXPECT_EQ(box.dispatch_calls, 1);
    box.pending_events = 5;
    Log::post_log_line(s, "busy");
    EXPECT_EQ(box.updates, 3);
    EXPECT_EQ(box.dispatch_calls, 3);
    EXPECT_EQ(box.pending_events, 3);
}

TEST(OutputFile, NulMeansNoFileButTheListBoxStillGetsEveryLine) {
    testing::ScratchDir dir;
    State s;
    ListBoxRecorder box;
    box.attach(s);
    s.out_file_name = "NUL";
    {
        Log log(s);
        EXPECT_FALSE(log.has_file());
        log.both("a line");
    }
    EXPECT_EQ(box.trimmed(), std::vector<std::string>{"a line"});
    EXPECT_FALSE(std::filesystem::exists("NUL"));
}

TEST(OutputFile, LinesEndInCrLfAndTheFileGrowsFromCallToCall) {
    Fixture f;
    { Log(f.s()).file("one"); }
    { Log(f.s()).file("two"); }
    EXPECT_EQ(testing::read_file(f.out_file), "one\r\ntwo\r\n");
}

TEST(OutputFile, ThatCannotBeOpenedIsReportedAndTheWorkGoesOn) {
    Fixture f;
    f.s().out_file_name = f.dir.file("no/such/folder/report.txt");
    {
        Log log(f.s());
        EXPECT_FALSE(log.has_file());
        log.both("still shown");
    }
    const auto lines = f.box.trimmed();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("Cannot open the output file"), std::string::npos);
    EXPECT_NE(lines[0].find("no/such/folder/report.txt"), std::string::npos);
    EXPECT_EQ(lines[1], "still shown");
}

// /dev/full accepts the open and refuses every write with ENOSPC, as a full
// disk does.
TEST(OutputFile, AWriteThatFailsIsReportedOnceAndKeptAsTheLastError) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    Fixture f;
    f.s().out_file_name = "/dev/full";
    {
        Log log(f.s());
        log.both("first");
        log.both("second");
    }
    const auto lines = f.box.trimmed();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2], " Cannot write the output file /dev/full: No space left on device");
    EXPECT_EQ(f.s().last_error, "Cannot write the output file /dev/full: No space left on device");
}

TEST(Options, InitialisationSetsTheStartValues) {
    State s;
    s.out_file_name = "out.txt";
    s.xi_low = 1;
    s.differ_span = 7;
    s.xi_mode = false;
    s.active_sets[3] = 9;
    s.data_set_count = 4;
    s.deriv_valid[2] = 2;
    s.delete_plot_files = false;
    init_commons(s, true);
    EXPECT_TRUE(s.echo_input);
    EXPECT_EQ(s.xi_low, 16.0);
    EXPECT_EQ(s.xi_high, 26.0);
    EXPECT_TRUE(s.xi_mode);
    EXPECT_EQ(s.differ_span, 50);
    EXPECT_EQ(s.differ_terms, 3);
    EXPECT_EQ(s.active_sets[3], 3);
    EXPECT_EQ(s.data_set_count, 0);
    EXPECT_EQ(s.deriv_valid[2], 0);
    EXPECT_TRUE(s.delete_plot_files);
    EXPECT_TRUE(s.write_plot_files);
    EXPECT_EQ(s.confidence_level, 95.0);
    EXPECT_EQ(s.plot_title, "Quillane V0.99");
    EXPECT_EQ(s.plot_subtitle, "Outfile: out.txt for Fits with:");
}

TEST(Options, SubtitleTakesAtMost81CharactersOfTheOutputFileName) {
    State s;
    s.out_file_name = std::string(100, 'n');
    init_commons(s, false);
    EXPECT_EQ(s.plot_subtitle, "Outfile: " + std::string(81, 'n'));
}

TEST(Options, FileNameArgumentsTakeTheGivenLengthAndLoseTrailingBlanks) {
    EXPECT_EQ(file_name_argument("report.txt   ", 13), "report.txt");
    EXPECT_EQ(file_name_argument("abcdef", 3), "abc");
    EXPECT_EQ(file_name_argument(nullptr, 5), "");
}

TEST(Options, SmallestActiveSetDecidesThePointsOfTheDifferentiationDialog) {
    State s;
    s.active_sets[0] = 3;
    s.active_start[1] = 1, s.active_end[1] = 120;
    s.active_start[2] = 121, s.active_end[2] = 200;
    s.active_start[3] = 201, s.active_end[3] = 400;
    EXPECT_EQ(get_differ_parms(s).points, 80);
    s.active_sets[0] = 0;
    EXPECT_EQ(get_differ_parms(s).points, 102400);
}

TEST(Options, NewDifferentiationParametersAlwaysInvalidateTheSlopes) {
    State s;
    s.deriv_valid[0] = 3;
    set_differ_parms(s, 50, 3);
    EXPECT_EQ(s.deriv_valid[0], 0);
    set_differ_parms(s, 0, 9);  // cannot be fitted: kept within 1 point and degree 1..3
    EXPECT_EQ(s.differ_span, 1);
    EXPECT_EQ(s.differ_terms, 3);
}

TEST(Options, ResultChoiceTurnsAnyNonZeroIntoTrue) {
    State s;
    const int32_t choices[3] = {0, -1, 7};
    set_result_choice(s, choices, true);
    EXPECT_TRUE(s.result_choice[0]);
    EXPECT_FALSE(s.result_choice[1]);
    EXPECT_TRUE(s.result_choice[2]);
    EXPECT_TRUE(s.result_choice[3]);
}

TEST(Options, CountsOutsideTheirTablesAreClamped) {
    State s;
    int32_t table[50] = {};
    set_redirection(s, table, 80);
    EXPECT_EQ(s.active_sets[0], 50);
    set_redirection(s, table, -2);
    EXPECT_EQ(s.active_sets[0], 0);
    double xs[10] = {};
    set_positions_to_plot(s, xs, 11);
    EXPECT_EQ(s.xs_to_plot_count, 10);
}

TEST(Options, PlotSaveLogsTheNewMode) {
    Fixture f;
    set_plot_save(f.s(), false);
    EXPECT_FALSE(f.s().delete_plot_files);
    set_plot_save(f.s(), true);
    EXPECT_EQ(f.out_lines(),
              (std::vector<std::string>{"  ", "  Plot files will now be saved after plotting ",
                                        "  ", "  Plot files will now be deleted after plotting "}));
    EXPECT_EQ(f.box.lines.size(), 4u);
}

}  // namespace
}  // namespace quillane
