// SPDX-License-Identifier: MIT
// The session against the real library: the rules between the user's
// actions (selection, limits, the fit's reference and currency, limits
// mode) and the library's state they leave behind.
#include <cmath>

#include "session_test_support.h"

namespace quillane::session::testing {
namespace {

using ::testing::HasSubstr;

// The count line of a plot file's text.
int plot_count(const std::string &plot) {
    size_t line = 0;
    for (int i = 0; i < 4; ++i)
        line = plot.find("\r\n", line) + 2;
    return std::stoi(plot.substr(line, 16));
}

class Analysed : public SessionTest {
  protected:
    void SetUp() override {
        SessionTest::SetUp();
        read_examples();
        ASSERT_TRUE(session->set_limits(17.9, 25.4).done);
        ASSERT_TRUE(session->fit(12).done);
    }
    GraphRequest deviations() const {
        GraphRequest r;
        r.kind = GraphKind::deviations_vs_position;
        r.sets = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
        return r;
    }
};

TEST_F(SessionTest, AFirstReadingWithFewerThanThreeActiveSetsReadsNothing) {
    const Outcome o = session->read_and_select({example(1), example(2), example(3)}, {1, 3});
    EXPECT_FALSE(o.done);
    EXPECT_EQ(o.refusal, kTooFewActiveSets);
    EXPECT_FALSE(session->files_read());
    EXPECT_EQ(report(), " Quillane V0.99  \r\n Current Revision V0.99.0039 \r\n");
}

TEST_F(SessionTest, AFileThatCannotBeReadIsNamedWithTheReason) {
    std::vector<FileOutcome> files;
    const Outcome o = session->read_and_select({example(1), folder.file("missing.RA1"), example(3)},
                                               {1, 2, 3}, &files);
    ASSERT_EQ(files.size(), 3u);
    EXPECT_GT(files[0].points, 300);
    EXPECT_EQ(files[1].points, 0);
    EXPECT_THAT(files[1].error, HasSubstr("missing.RA1: No such file or directory"));
    ASSERT_FALSE(o.errors.empty());
}

TEST_F(SessionTest, ScansTheFullPointStoreCutAreNamedWithWhatTheyLost) {
    // The store holds 102,400 points: two scans of 40,000 fill 80,000, the
    // third keeps 22,400 of its 40,000 and the fourth none of its 2,100.
    auto scan_of = [&](const std::string &name, int points, int k) {
        test_support::Scan scan;
        scan.time = 3600.0 * k;
        scan.points = test_support::points_on(6.0, 2e-5, points, [](double r) { return r - 5; });
        return folder.write_scan(name, scan);
    };
    const std::vector<std::string> names{scan_of("a.RA1", 40000, 1), scan_of("b.RA1", 40000, 2),
                                         scan_of("c.RA1", 40000, 3), scan_of("d.RA1", 2100, 4)};
    std::vector<FileOutcome> files;
    const Outcome o = session->read_and_select(names, {1, 2, 3}, &files);
    ASSERT_EQ(files.size(), 4u);
    EXPECT_EQ(files[1].points_not_read, 0);
    EXPECT_EQ(files[2].points, 22400);
    EXPECT_EQ(files[2].points_not_read, 17600);
    EXPECT_EQ(files[3].points, 0);
    EXPECT_EQ(files[3].points_not_read, 2100);
    // The empty scan is not said to hold no points: it is the store's fault.
    EXPECT_THAT(files[3].error, HasSubstr("none of the 2100 points of " + names[3]));
    EXPECT_THAT(o.errors, ::testing::Contains(HasSubstr(
                              names[2] + " kept 22400 of its 40000 points; its last 17600")));
}

TEST_F(SessionTest, EachActiveSetIsAnnouncedOnceInTheReportAndTheList) {
    read_examples(4);
    const std::string line = " Orig.DS# 2 :: " + example(2) + " is active DS#2.";
    EXPECT_THAT(report(), HasSubstr(line + "\r\n"));
    EXPECT_EQ(std::count(box.lines.begin(), box.lines.end(), line), 1);
}

// A refused reselection leaves the library and the session with the old sets.
TEST_F(SessionTest, ARefusedReselectionKeepsThePreviousSetsOnBothSides) {
    read_examples(6);
    const std::vector<double> times = session->times();
    const std::string before = report();
    const Outcome o = session->select({4, 6});
    EXPECT_FALSE(o.done);
    EXPECT_EQ(o.refusal, kTooFewActiveSets);
    EXPECT_EQ(session->active_sets(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(session->times(), times);
    EXPECT_EQ(session->active_file_name(1), example(1));
    EXPECT_EQ(report(), before) << "nothing was logged";
}

TEST_F(SessionTest, AReselectionKeepsTheLimitsAndOffersTheLastSetAsReference) {
    read_examples(6);
    ASSERT_TRUE(session->set_limits(18.0, 25.0).done);
    ASSERT_TRUE(session->select({2, 4, 6}).done);
    EXPECT_EQ(session->limits().low, 18.0);
    EXPECT_EQ(session->limits().high, 25.0);
    EXPECT_EQ(session->suggested_reference(), 3);
    EXPECT_EQ(session->times()[0], 2 * 7200.0) << "active set 1 is data set 2";
}

TEST_F(SessionTest, LimitsModeStartsOnlyWithAWrittenLimitsPlot) {
    read_examples(4);
    EXPECT_FALSE(session->limits_plot(cancelled()).plot_written);
    EXPECT_FALSE(session->limits_mode()) << "no limits plot, no limits mode";
    EXPECT_TRUE(session->limits_plot(all_sets()).plot_written);
    EXPECT_TRUE(session->limits_mode());
    take_plot();
    EXPECT_TRUE(session->data_plot(1, sets({1})).plot_written);
    EXPECT_FALSE(session->limits_mode()) << "another plot replaced it";
}

TEST_F(SessionTest, ACancelledDataPlotKeepsTheLimitsPlotInLimitsMode) {
    read_examples(4);
    ASSERT_TRUE(session->limits_plot(all_sets()).plot_written);
    take_plot();
    const Outcome o = session->data_plot(1, cancelled());
    EXPECT_FALSE(o.plot_written);
    EXPECT_TRUE(session->limits_mode());
}

TEST_F(SessionTest, TheLimitsPlotShowsTheFullRangeAndPutsTheLimitsBack) {
    read_examples(4);
    ASSERT_TRUE(session->set_limits(18.0, 25.0).done);
    ASSERT_TRUE(session->limits_plot(sets({1})).plot_written);
    const int whole = plot_count(take_plot());
    ASSERT_TRUE(session->data_plot(1, sets({1})).plot_written);
    EXPECT_GT(whole, plot_count(take_plot())) << "the limits plot shows the whole scan";
    EXPECT_EQ(session->limits().low, 18.0);
    EXPECT_THAT(box.lines.back(), HasSubstr("25.0"));
}

TEST_F(SessionTest, AClickPastTheOtherLimitIsRefusedAndChangesNothing) {
    read_examples(4);
    ASSERT_TRUE(session->set_limits(18.0, 25.0).done);
    EXPECT_EQ(session->set_lower_limit(25.0).refusal, kLimitsRemoveAllData);
    EXPECT_EQ(session->set_upper_limit(17.5).refusal, kLimitsRemoveAllData);
    EXPECT_EQ(session->set_limits(20.0, std::nan("")).refusal, kLimitsRemoveAllData);
    EXPECT_EQ(session->limits().low, 18.0);
    EXPECT_EQ(session->limits().high, 25.0);
    const Outcome o = session->set_upper_limit(18.2);
    EXPECT_TRUE(o.done);
    EXPECT_FALSE(o.span_ok) << "0.2 cm^2 leaves fewer points than the span of 50";
}

TEST_F(SessionTest, ThePositionVariableConvertsTheLimitsBothWays) {
    read_examples(4);
    ASSERT_TRUE(session->set_limits(18.0, 24.5).done);
    ASSERT_TRUE(session->set_position_variable(false).done);
    EXPECT_DOUBLE_EQ(session->limits().low, 6.0);
    EXPECT_DOUBLE_EQ(session->limits().high, 7.0);
    // The full range is where the points lie, past the default 26 cm^2.
    EXPECT_NEAR(session->full_range().high, 7.2489, 1e-4);
    EXPECT_THAT(box.lines.back(), HasSubstr("7.0"));
    ASSERT_TRUE(session->set_position_variable(true).done);
    EXPECT_DOUBLE_EQ(session->limits().low, 18.0);
    EXPECT_FALSE(session->set_position_variable(true).done) << "already xi";
}

TEST_F(SessionTest, TheSpanMustExceedTheDegreeAndBeAtLeastThree) {
    read_examples(3);
    EXPECT_FALSE(session->set_differ_parms(2, 1).done);
    EXPECT_FALSE(session->set_differ_parms(3, 3).done);
    EXPECT_FALSE(session->set_differ_parms(20, 4).done);
    EXPECT_TRUE(session->set_differ_parms(3, 2).done);
    EXPECT_EQ(session->differ_parms().span, 3);
}

// The RMS graph's reference is that graph's own; the deviation graphs keep
// drawing the deviations of the fit, at the fit's reference set.
TEST_F(Analysed, AGraphsReferenceChoiceLeavesTheFitsReferenceAlone) {
    ASSERT_TRUE(session->result_graph(deviations()).plot_written);
    const std::string against_12 = take_plot();
    GraphRequest rms;
    rms.kind = GraphKind::rms;
    rms.reference = 3;
    const Outcome o = session->result_graph(rms);
    ASSERT_TRUE(o.plot_written);
    EXPECT_THAT(take_plot(), HasSubstr("Ref. set:  3"));
    EXPECT_EQ(session->fit_reference(), 12);
    ASSERT_TRUE(session->result_graph(deviations()).plot_written);
    EXPECT_EQ(take_plot(), against_12);
}

TEST_F(Analysed, ResultGraphsAreRefusedOnceTheFitNoLongerMatchesTheData) {
    ASSERT_TRUE(session->fit_current());
    ASSERT_TRUE(session->set_limits(18.0, 25.0).done);
    EXPECT_FALSE(session->fit_current());
    GraphRequest rms;
    const Outcome o = session->result_graph(rms);
    EXPECT_FALSE(o.done);
    EXPECT_THAT(o.refusal, HasSubstr("Fit the data again"));
    EXPECT_FALSE(plot_exists());
    EXPECT_FALSE(session->data_plot(2, all_sets()).done) << "the slopes went with the fit";
    ASSERT_TRUE(session->fit(12).done);
    EXPECT_TRUE(session->result_graph(rms).plot_written);
}

TEST_F(Analysed, EveryChangeToTheDataMakesTheFitStale) {
    const std::vector<std::function<Outcome()>> changes = {
        [&] {
            return session->select({1, 2, 3, 4});
        },
        [&] { return session->set_lower_limit(18.0); },
        [&] { return session->set_position_variable(false); },
        [&] { return session->set_differ_parms(40, 2); },
        [&] { return session->renumber_fringes(); },
        [&] { return session->limits_plot(all_sets()); },
        [&] { return session->set_times_to_set_numbers(); },
    };
    for (size_t i = 0; i < changes.size(); ++i) {
        ASSERT_TRUE(session->fit(3).done);
        changes[i]();
        EXPECT_FALSE(session->fit_current()) << "change " << i;
    }
}

TEST_F(Analysed, TheAssessmentReadsBackAndDrawsTheApproachToEquilibrium) {
    EXPECT_FALSE(session->equilibrium_plot().plot_written) << "nothing assessed yet";
    Assessment a;
    ASSERT_TRUE(session->assess(false, &a).done);
    ASSERT_EQ(a.noise.size(), 12u);
    EXPECT_NEAR(a.pooled.sigma, 0.005, 0.0005) << "the examples' noise";
    EXPECT_EQ(a.verdict.status, VerdictStatus::reached) << a.verdict.text;
    EXPECT_EQ(a.verdict.decided_by, Comparison::no_offsets) << "no drift in the examples";
    EXPECT_EQ(a.verdict.block_scans, 3);
    EXPECT_EQ(a.verdict.breaking_scan, 9);
    EXPECT_EQ(a.verdict.broken_by, Comparison::no_offsets) << "its shape agrees, but it is no step";
    ASSERT_EQ(a.verdict.notes.size(), 1u);
    EXPECT_THAT(a.verdict.notes[0], HasSubstr("scan 9 (t = 18.000 h) broke the block"));
    EXPECT_GT(a.verdict.no_offset_rms, 0.0);
    EXPECT_TRUE(a.verdict.drift.empty());
    ASSERT_TRUE(a.forecast.made) << a.forecast.reason;
    EXPECT_FALSE(a.forecast.one_sided);
    EXPECT_LT(a.forecast.floor_s, 18 * 3600.0) << "scan 9 is within the threshold";
    EXPECT_GE(a.forecast.interval_low_s, a.forecast.floor_s);
    EXPECT_LT(a.forecast.interval_low_s, a.forecast.interval_high_s);
    const PairResult pair = session->pair_result(12, 1);
    EXPECT_EQ(pair.status, 1);
    EXPECT_GT(pair.rms[0], pair.rms[2]) << "offsets absorb most of the drift";
    EXPECT_EQ(session->active_set(12).data_set, 12);

    const Outcome plot = session->equilibrium_plot();
    ASSERT_TRUE(plot.plot_written);
    const std::string text = take_plot();
    EXPECT_THAT(text, HasSubstr("RMS Devs from the latest scan"));
    EXPECT_THAT(text, HasSubstr("equilibrium reached by scan"));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n') - 5, 11 + 121 + 3 * 2)
        << "eleven distances, the curve, noise, threshold and forecast lines";
}

// A text of thousands of bytes, one sentence a line, handed back as the
// library hands its texts back: cut or blank padded to the room given, with
// its full length beside it.
const std::string &long_text() {
    static const std::string text = [] {
        std::string t;
        for (int i = 0; t.size() < 5000; ++i)
            t += (t.empty() ? "" : "\n") + ("sentence " + std::to_string(i) + " of a long text");
        return t;
    }();
    return text;
}

void hand_back(char *text, int32_t length, int32_t *text_length) {
    const std::string &t = long_text();
    for (int32_t i = 0; i < length; ++i)
        text[i] = i < static_cast<int32_t>(t.size()) ? t[static_cast<size_t>(i)] : ' ';
    *text_length = static_cast<int32_t>(t.size());
}

TEST_F(SessionTest, TextsLongerThanAnyRoomGivenAtFirstAreReadWhole) {
    Exports table = linked_exports();
    table.quillane_verdict = [](int32_t *status, int32_t *scan, double *time_s, double *block_s,
                                char *text, int32_t length, int32_t *text_length) {
        *status = QUILLANE_VERDICT_APPROACHING;
        *scan = 0;
        *time_s = *block_s = 0.0;
        hand_back(text, length, text_length);
    };
    table.quillane_forecast = [](int32_t *status, int32_t *pairs, double *, double *, double *,
                                 double *, double *, double *, char *reason, int32_t length,
                                 int32_t *reason_length) {
        *status = QUILLANE_FORECAST_NONE;
        *pairs = 0;
        hand_back(reason, length, reason_length);
    };
    table.quillane_verdict_basis = [](int32_t *decided_by, int32_t *block_scans, int32_t *too_few,
                                      int32_t *breaking_scan, int32_t *broken_by,
                                      int32_t *break_reason, double *no_offset_rms, char *notes,
                                      int32_t length, int32_t *notes_length) {
        *decided_by = *block_scans = *too_few = *breaking_scan = *broken_by = *break_reason = 0;
        *no_offset_rms = 0.0;
        hand_back(notes, length, notes_length);
    };
    Session long_texts(table);
    long_texts.attach_list_box(box.ops(), &box, 25);
    long_texts.set_plot_file(folder.file("plot.dat"));
    long_texts.initialise(false);
    std::vector<std::string> files;
    for (int n = 1; n <= 12; ++n)
        files.push_back(example(n));
    ASSERT_TRUE(long_texts.read_and_select(files, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}).done);
    ASSERT_TRUE(long_texts.fit(12).done);
    Assessment a;
    ASSERT_TRUE(long_texts.assess(false, &a).done);
    EXPECT_EQ(a.verdict.text, long_text());
    EXPECT_EQ(a.forecast.reason, long_text());
    ASSERT_GT(a.verdict.notes.size(), 100u);
    EXPECT_EQ(a.verdict.notes.back(), long_text().substr(long_text().rfind('\n') + 1));

    // The library's own texts too: a failure naming a file of a long name.
    const std::string missing = folder.file(std::string(1500, 'x') + ".RA1");
    const Outcome o = session->read_and_select({missing, example(2), example(3)}, {1, 2, 3});
    ASSERT_FALSE(o.errors.empty());
    EXPECT_THAT(o.errors.front(), HasSubstr(missing + ":"));
}

TEST(Version, ALibraryOfAnotherMinorVersionIsRefusedNamingBoth) {
    Exports table = linked_exports();
    table.quillane_version = [](int32_t *major, int32_t *minor, int32_t *revision) {
        *major = QUILLANE_VERSION_MAJOR;
        *minor = QUILLANE_VERSION_MINOR + 1;
        *revision = 0;
    };
    std::string error;
    EXPECT_FALSE(check_version(table, error));
    EXPECT_THAT(error, HasSubstr(built_version()));
    EXPECT_THAT(error, HasSubstr(std::to_string(QUILLANE_VERSION_MINOR + 1)));
    EXPECT_TRUE(check_version(linked_exports(), error));
}

}  // namespace
}  // namespace quillane::session::testing
