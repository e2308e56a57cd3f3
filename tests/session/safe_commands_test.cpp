// SPDX-License-Identifier: MIT
// Commands that must not bite: a cancelled choice or the same limits again
// keep the fit current; times set to the set numbers make the fit stale and
// come back with Undo or a new selection; a span longer than a set's points
// is named and fitted on request; limits may be given in cm or cm^2.
#include <cmath>

#include "session_test_support.h"

namespace quillane::session::testing {
namespace {

using ::testing::HasSubstr;

// Limits either side of 18.1 cm^2 that leave a handful of points per scan.
constexpr double kNarrowLow = 18.0;
constexpr double kNarrowHigh = 18.2;

class Fitted : public SessionTest {
  protected:
    void SetUp() override {
        SessionTest::SetUp();
        read_examples();
        ASSERT_TRUE(session->set_limits(17.9, 25.4).done);
        ASSERT_TRUE(session->fit(12).done);
    }
};

TEST_F(Fitted, ACancelledLimitsChoiceOrTheSameLimitsAgainKeepTheFitCurrent) {
    EXPECT_TRUE(session->limits_plot(cancelled()).done);
    EXPECT_TRUE(session->set_limits(17.9, 25.4).done);
    EXPECT_TRUE(session->fit_current());
    EXPECT_TRUE(session->result_graph(GraphRequest{}).plot_written);
}

TEST_F(Fitted, TheSameSelectionSpanOrTimesAgainKeepTheFitCurrent) {
    EXPECT_TRUE(session->select({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}).done);
    const DifferParms now = session->differ_parms();
    EXPECT_TRUE(session->set_differ_parms(now.span, now.terms).done);
    EXPECT_TRUE(session->set_times(session->times()).done);
    EXPECT_TRUE(session->fit_current());
    EXPECT_FALSE(session->can_undo_times());
}

TEST_F(Fitted, NumberedTimesMakeTheFitStaleUntilUndone) {
    const std::vector<double> read = session->times();
    ASSERT_TRUE(session->set_times_to_set_numbers().done);
    EXPECT_EQ(session->times()[11], 12.0);
    EXPECT_FALSE(session->fit_current());
    ASSERT_TRUE(session->can_undo_times());
    EXPECT_EQ(session->undo_times_text(), "Set DS Time to DS Number");

    ASSERT_TRUE(session->undo_times().done);
    EXPECT_EQ(session->times(), read);
    EXPECT_TRUE(session->fit_current());
    EXPECT_FALSE(session->can_undo_times());
    EXPECT_FALSE(session->undo_times().done);
}

TEST_F(Fitted, ANewSelectionAfterNumberingTakesTheTimesReadFromTheFiles) {
    const std::vector<double> read = session->times();
    session->set_times_to_set_numbers();
    ASSERT_TRUE(session->select({2, 4, 6, 8, 10, 12}).done);
    const std::vector<double> now = session->times();
    for (size_t k = 0; k < 6; ++k)
        EXPECT_EQ(now[k], read[2 * k + 1]) << "active set " << k + 1;
    EXPECT_FALSE(session->can_undo_times());
    ASSERT_TRUE(session->select({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}).done);
    EXPECT_EQ(session->times(), read);
}

TEST_F(SessionTest, ASpanLongerThanASetsPointsNamesTheSetAndTheSpanThatFits) {
    read_examples();
    ASSERT_TRUE(session->set_differ_parms(50, 2).done);
    const Outcome narrow = session->set_limits(kNarrowLow, kNarrowHigh);
    ASSERT_FALSE(narrow.span_ok);
    const SpanCheck check = session->span_check();
    ASSERT_FALSE(check.fits);
    EXPECT_EQ(check.largest, check.points - 1);
    const std::string text = span_shortfall_text(check);
    EXPECT_THAT(text, HasSubstr("Active set " + std::to_string(check.active_set) + " (" +
                                check.file + ") has only " + std::to_string(check.points) +
                                " points inside the limits"));
    EXPECT_THAT(text, HasSubstr("is " + std::to_string(check.largest) + "."));

    ASSERT_TRUE(session->fit_span_to_data().done);
    EXPECT_EQ(session->differ_parms().span, check.largest);
    EXPECT_TRUE(session->span_check().fits);
    EXPECT_THAT(report(), HasSubstr("The number of points in each fit was set to " +
                                    std::to_string(check.largest)));
    // The library agrees: the same limits now leave every set enough.
    EXPECT_TRUE(session->set_limits(kNarrowLow, kNarrowHigh + 1e-9).span_ok);
}

TEST_F(SessionTest, AShortScanThatTakesNoPartDoesNotMakeTheSpanTooLong) {
    std::vector<std::string> files;
    for (int k = 1; k <= 4; ++k)
        files.push_back(test_support::write_file(
            folder.file("s" + std::to_string(k) + ".RA1"),
            test_support::scan_text(test_support::exponential_scan(k, k == 1 ? 40 : 120))));
    ASSERT_TRUE(session->read_and_select(files, {2, 3, 4}).done);
    ASSERT_TRUE(session->set_differ_parms(50, 2).done);
    EXPECT_TRUE(session->set_limits(17.0, 30.0).span_ok);
    ASSERT_TRUE(session->select({1, 2, 3, 4}).done);
    EXPECT_FALSE(session->set_limits(17.0, 30.0 + 1e-9).span_ok);
}

TEST_F(SessionTest, NoSpanFitsLimitsThatLeaveTooFewPoints) {
    read_examples();
    session->set_limits(kNarrowLow, kNarrowLow + 0.005);
    const SpanCheck check = session->span_check();
    EXPECT_EQ(check.largest, 0);
    EXPECT_THAT(span_shortfall_text(check), HasSubstr("widen the data limits"));
    EXPECT_FALSE(session->fit_span_to_data().done);
}

TEST_F(SessionTest, LimitsInCentimetresOrSquareCentimetresWhateverTheVariable) {
    read_examples();
    ASSERT_TRUE(session->set_limits_in(6.0, 7.1, false).done);
    EXPECT_DOUBLE_EQ(session->limits().low, 18.0);
    EXPECT_DOUBLE_EQ(session->limits().high, 7.1 * 7.1 / 2.0);
    ASSERT_TRUE(session->set_position_variable(false).done);
    ASSERT_TRUE(session->set_limits_in(18.0, 24.5, true).done);
    EXPECT_DOUBLE_EQ(session->limits().low, 6.0);
    EXPECT_DOUBLE_EQ(session->limits().high, 7.0);
    EXPECT_FALSE(session->set_limits_in(-1.0, 24.5, true).done) << "a negative xi has no radius";
    EXPECT_TRUE(session->limits_chosen());
}

}  // namespace
}  // namespace quillane::session::testing
