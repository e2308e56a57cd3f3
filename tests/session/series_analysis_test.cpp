// SPDX-License-Identifier: MIT
// The one analysis sequence every caller runs: its span rule, its column
// choice and what it tells the caller.
#include <numeric>

#include "series_analysis.h"
#include "session_test_support.h"
#include "watch_analysis.h"

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

// Limits are kept in single precision by the library.
constexpr double kLimitsStored = 1e-5;

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

// A column kept from earlier is the column found now that holds enough of
// it, analysed where both lie; one moved too far is a neighbour, not it.
TEST_F(SeriesAnalysis, AKeptColumnIsFoundAgainOnlyWhereMostOfItLies) {
    const std::vector<Column> found = session->solution_columns(kDefaultColumnMargin);
    ASSERT_EQ(found.size(), 1u);
    const Column c = found[0];
    const double length = c.high - c.low;
    struct Case {
        double shift;  // of the kept column, in column lengths
        bool same;
    };
    for (const Case k : {Case{0.0, true}, Case{0.1, true}, Case{-0.15, true}, Case{0.3, false}}) {
        SCOPED_TRACE(k.shift);
        AnalysisChoice choice;
        choice.kept_column = std::pair{c.low + k.shift * length, c.high + k.shift * length};
        choice.assess = false;
        const AnalysisResult r = analyse_scans(*session, choice, told);
        if (!k.same) {
            EXPECT_EQ(r.refused, AnalysisRefusal::column_missing);
            EXPECT_THAT(r.refusal, ::testing::HasSubstr("the scans show 1 solution column"));
            EXPECT_FALSE(r.fitted);
            continue;
        }
        ASSERT_TRUE(r.column.has_value()) << r.refusal;
        EXPECT_DOUBLE_EQ(r.column->first, std::max(c.low, choice.kept_column->first));
        EXPECT_DOUBLE_EQ(r.column->second, std::min(c.high, choice.kept_column->second));
        EXPECT_NEAR(session->limits().low, r.column->first, kLimitsStored);
    }
}

// A watch keeps the column it took first: a scan in which it is no longer
// found gets no verdict and a line that says so, never a neighbour's
// answer; the watch goes on with it once it is found again.
TEST_F(SeriesAnalysis, AWatchKeepsItsColumnAndGivesNoVerdictWhereItIsLost) {
    const std::filesystem::path incoming = folder.path() / "incoming";
    std::filesystem::create_directory(incoming);
    WatchSettings settings;
    settings.folder = incoming.string();
    settings.interval_s = 1.0;
    settings.data_line = [this](std::string_view line) { return session->is_data_line(line); };
    double now = 0.0;
    FolderWatch watch(
        settings, [this](const std::string &f) { return session->scan_header(f); },
        [&now] { return now; });
    AnalysisChoice choice;
    choice.column = 1;
    WatchAnalyst analyst(*session, watch, choice);
    const auto read = [this](const std::vector<std::string> &files,
                             std::vector<FileOutcome> &outcomes) {
        std::vector<int> all(files.size());
        std::iota(all.begin(), all.end(), 1);
        return session->read_and_select(files, all, &outcomes);
    };
    const auto step = [&] {
        std::vector<WatchMessage> said;
        std::string error;
        for (int look = 0; look < 3; ++look, now += 1.0)
            EXPECT_TRUE(watch.look(said, error)) << error;
        return analyst.analyse(1, read, told);
    };
    // Example k as it is, or its points moved by `shift_cm`.
    const auto put = [&](int k, double shift_cm) {
        test_support::write_file(
            incoming / std::filesystem::path(example(k)).filename(),
            test_support::moved_scan_text(test_support::read_file(example(k)), shift_cm));
    };

    for (int k = 1; k <= 11; ++k)
        put(k, 0.0);
    const WatchStep first = step();
    ASSERT_EQ(first.state, WatchStep::State::analysed) << first.line;
    ASSERT_THAT(analyst.kept_column_text(), ::testing::StartsWith("column 1: "));
    EXPECT_THAT(told.notices, ::testing::Contains(analyst.kept_column_text() +
                                                  " is kept for the rest of the watch"));

    put(12, 0.4);
    const WatchStep lost = step();
    EXPECT_EQ(lost.state, WatchStep::State::column_lost) << lost.line;
    EXPECT_FALSE(lost.analysis.assessed);
    EXPECT_THAT(lost.line, ::testing::HasSubstr(analyst.kept_column_text() +
                                                " is not found: no verdict for this scan"));

    put(12, 0.0);
    const WatchStep back = step();
    EXPECT_EQ(back.state, WatchStep::State::analysed) << back.line;
    EXPECT_THAT(back.line, ::testing::HasSubstr(analyst.kept_column_text()));
}

}  // namespace
}  // namespace quillane::session::testing
