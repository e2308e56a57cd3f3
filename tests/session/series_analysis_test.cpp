// SPDX-License-Identifier: MIT
// The one analysis sequence every caller runs: its span rule, its column
// choice and what it tells the caller.
#include "series_analysis.h"
#include "session_test_support.h"

namespace quillane::session::testing {
namespace {

struct Told : AnalysisFeedback {
    std::vector<std::string> notices, problems;
    void notice(const std::string &text) override { notices.push_back(text); }
    void problem(const std::string &text) override { problems.push_back(text); }
};

class SeriesAnalysis : public SessionTest {
  protected:
    void SetUp() override {
        SessionTest::SetUp();
        read_examples();
    }
    Told told;
};

// The limits 18.1 .. 18.3 cm^2 hold a handful of each example's points.
constexpr std::pair<double, double> kNarrow{18.1, 18.3};

TEST_F(SeriesAnalysis, LimitsTheUserNamedAreNotMetByASilentlyLoweredSpan) {
    AnalysisChoice choice;
    choice.limits = kNarrow;
    const AnalysisResult r = analyse_scans(*session, choice, told);
    EXPECT_EQ(r.refused, AnalysisRefusal::span);
    EXPECT_THAT(r.refusal, ::testing::HasSubstr("leave a data set with no more than 50 points"));
    EXPECT_EQ(session->differ_parms().span, 50);
    EXPECT_FALSE(r.fitted);
}

TEST_F(SeriesAnalysis, ASpanTheUserDidNotNameIsLoweredToFitAndThatIsSaid) {
    ASSERT_TRUE(session->set_limits(kNarrow.first, kNarrow.second).done);
    const SpanCheck before = session->span_check();
    ASSERT_FALSE(before.fits);
    ASSERT_GT(before.largest, 0);
    const AnalysisResult r = analyse_scans(*session, AnalysisChoice{}, told);
    EXPECT_EQ(r.refused, AnalysisRefusal::none) << r.refusal;
    EXPECT_EQ(r.span_lowered_to, before.largest);
    EXPECT_EQ(session->differ_parms().span, before.largest);
    ASSERT_EQ(told.notices.size(), 1u);
    EXPECT_THAT(told.notices[0],
                ::testing::HasSubstr("lowered to " + std::to_string(before.largest)));
    EXPECT_TRUE(r.fitted);
}

TEST_F(SeriesAnalysis, AColumnThatIsNotFoundIsNoRangeAndNamesTheColumnsThatAre) {
    AnalysisChoice choice;
    choice.column = 9;
    const AnalysisResult r = analyse_scans(*session, choice, told);
    EXPECT_EQ(r.refused, AnalysisRefusal::column_missing);
    EXPECT_THAT(r.refusal, ::testing::AnyOf(::testing::HasSubstr("the scans show"),
                                            ::testing::HasSubstr("no solution column")));
    EXPECT_FALSE(r.fitted);
    EXPECT_FALSE(r.assessed);
}

}  // namespace
}  // namespace quillane::session::testing
