// SPDX-License-Identifier: MIT
// Scans split into series by their headers -- cell, rotor speed and
// wavelength, in time order -- with every header that leaves a scan's place
// in doubt named; and, on the real library, the multi-speed example run's
// series and solution columns held to what the generator put in.
#include <cmath>

#include "multispeed_examples.h"
#include "session_test_support.h"

namespace quillane::session::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// A scan as its header gives it: cell 2, 20 C, the speed, time and
// wavelength given.
ScanFacts scan(const std::string &file, std::optional<double> rpm, std::optional<double> time_s,
               std::optional<double> nm) {
    ScanFacts f;
    f.file = "/run/" + file;
    f.time_line = true;
    f.cell = 2;
    f.temperature_c = 20.0;
    f.speed_rpm = rpm;
    f.time_s = time_s;
    f.wavelength_nm = nm;
    return f;
}

std::string all_notes(const SeriesSplit &split) {
    std::string text;
    for (const std::string &n : split.notes)
        text += n + "\n";
    return text;
}

TEST(Series, AFileThatCannotBeReadIsNamedAndInNoSeries) {
    ScanFacts gone;
    gone.file = "/run/00002.RA2";
    gone.opened = false;
    gone.error = "Cannot open scan file /run/00002.RA2: No such file or directory";
    const SeriesSplit split = split_into_series(
        {scan("00001.RA2", 10000, 60, 280), gone, scan("00003.RA2", 10000, 120, 280)});
    ASSERT_EQ(split.series.size(), 1u);
    EXPECT_THAT(split.series[0].scans, ElementsAre(1, 3));
    EXPECT_THAT(split.unreadable, ElementsAre(2));
    EXPECT_THAT(all_notes(split), HasSubstr("00002.RA2 cannot be read: Cannot open scan file"));
}

TEST(Series, AnUnreadableOrMissingSpeedIsNamedAndNeverGuessed) {
    ScanFacts odd = scan("00002.RA2", std::nullopt, 120, 280);
    odd.unreadable = {"rotor speed"};
    const SeriesSplit split = split_into_series(
        {scan("00001.RA2", 10000, 60, 280), odd, scan("00003.RA2", 10000, 180, 280)});
    ASSERT_EQ(split.series.size(), 2u);
    EXPECT_FALSE(split.series[1].speed_rpm.has_value());
    EXPECT_EQ(series_label(split, 2), "unknown rpm 280 nm, 1 scan");
    EXPECT_THAT(all_notes(split),
                HasSubstr("the rotor speed of 1 scan (00002.RA2) is text or no plausible number"));
    EXPECT_THAT(all_notes(split), HasSubstr("1 scan gives no rotor speed (00002.RA2)"));
}

TEST(Series, ScansWithoutATimeLineAreNamedAndKeptApart) {
    ScanFacts bare;
    bare.file = "/run/notes.RA2";
    const SeriesSplit split = split_into_series(
        {scan("00001.RA2", 10000, 60, 280), bare, scan("00003.RA2", 10000, 120, 280)});
    ASSERT_EQ(split.series.size(), 2u);
    EXPECT_THAT(split.series[1].scans, ElementsAre(2));
    EXPECT_THAT(all_notes(split), HasSubstr("1 scan has no time line (notes.RA2): their cell, "
                                            "rotor speed, wavelength and time are unknown"));
}

TEST(Series, TwoSpeedsWithTheSameTimeAreNamedAsTwoRuns) {
    const SeriesSplit split =
        split_into_series({scan("a.RA2", 10000, 3501, 280), scan("b.RA2", 14000, 3501, 280),
                           scan("c.RA2", 10000, 7000, 280), scan("d.RA2", 14000, 7000, 280)});
    ASSERT_EQ(split.series.size(), 2u);
    EXPECT_THAT(all_notes(split),
                HasSubstr("2 pairs of scans have the same time at different rotor speeds, first "
                          "a.RA2 and b.RA2 (3,501 s, 10,000 rpm and 14,000 rpm): they cannot "
                          "come from one run"));
    EXPECT_THAT(all_notes(split), HasSubstr("series 1 (10,000 rpm) and series 2 (14,000 rpm) "
                                            "alternate in time"));
}

TEST(Series, TheSameTimeTwiceInOneSeriesIsNamed) {
    const SeriesSplit split =
        split_into_series({scan("a.RA2", 10000, 60, 280), scan("b.RA2", 10000, 60, 280),
                           scan("c.RA2", 10000, 90, 280)});
    EXPECT_THAT(all_notes(split), HasSubstr("1 pair of scans of one series have the same time, "
                                            "first a.RA2 and b.RA2 (60 s): check the times"));
}

TEST(Series, AScanWithoutATimeLeavesItsSeriesInTheGivenOrder) {
    ScanFacts untimed = scan("b.RA2", 10000, std::nullopt, 280);
    untimed.unreadable = {"time"};
    const SeriesSplit split =
        split_into_series({scan("c.RA2", 10000, 900, 280), untimed, scan("a.RA2", 10000, 60, 280)});
    ASSERT_EQ(split.series.size(), 1u);
    EXPECT_FALSE(split.series[0].in_time_order);
    EXPECT_THAT(split.series[0].scans, ElementsAre(1, 2, 3));
    EXPECT_THAT(all_notes(split), HasSubstr("1 scan has no time (b.RA2): its series keeps the "
                                            "order the files were given in"));
}

TEST(Series, SpeedsAndWavelengthsMakeSeriesInTimeOrder) {
    // Given out of order: two speeds, 280/281 and 260 nm in turn.
    const SeriesSplit split =
        split_into_series({scan("6.RA2", 14000, 7300, 260), scan("1.RA2", 10000, 100, 280),
                           scan("3.RA2", 10000, 3700, 281), scan("2.RA2", 10000, 400, 260),
                           scan("5.RA2", 14000, 7000, 280), scan("4.RA2", 10000, 4000, 260)});
    ASSERT_EQ(split.series.size(), 4u);
    EXPECT_THAT(split.series[0].scans, ElementsAre(2, 3));
    EXPECT_THAT(split.series[1].scans, ElementsAre(4, 6));
    EXPECT_THAT(split.series[2].scans, ElementsAre(5));
    EXPECT_THAT(split.series[3].scans, ElementsAre(1));
    EXPECT_TRUE(split.notes.empty()) << all_notes(split);
    EXPECT_EQ(series_summary(split),
              "4 series: 10,000 rpm 280 nm, 2 scans; 10,000 rpm 260 nm, 2 scans; "
              "14,000 rpm 280 nm, 1 scan; 14,000 rpm 260 nm, 1 scan");
}

TEST(Series, CloseSpeedsAndWavelengthsCountAsOneAndFartherOnesDoNot) {
    const SeriesSplit split =
        split_into_series({scan("a", 10000, 1, 280), scan("b", 10040, 2, 282),
                           scan("c", 10060, 3, 280), scan("d", 10000, 4, 283)});
    ASSERT_EQ(split.series.size(), 3u);
    EXPECT_THAT(split.series[0].scans, ElementsAre(1, 2));  // 0.4 %, 2 nm
    EXPECT_THAT(split.series[1].scans, ElementsAre(3));     // 0.6 % faster
    EXPECT_THAT(split.series[2].scans, ElementsAre(4));     // 3 nm longer
}

TEST(Series, ScansOfSeveralCellsAreKeptApartAndTheLinesSayWhichCell) {
    ScanFacts other = scan("00001.RA1", 10000, 30, 280);
    other.cell = 1;
    const std::vector<ScanFacts> scans{other, scan("00001.RA2", 10000, 60, 280),
                                       scan("00002.RA2", 10000, 120, 280)};
    const SeriesSplit split = split_into_series(scans);
    ASSERT_EQ(split.series.size(), 2u);
    EXPECT_EQ(series_line(split, 2, scans),
              "2: 10000 rpm, 280 nm, 2 scans, cell 2, 00001.RA2 ... 00002.RA2");
    EXPECT_EQ(series_label(split, 1), "cell 1, 10,000 rpm 280 nm, 1 scan");
}

TEST(Series, EveryNthKeepsTheLatestScan) {
    EXPECT_THAT(every_nth({1, 2, 3, 4, 5, 6, 7}, 3), ElementsAre(1, 4, 7));
    EXPECT_THAT(every_nth({1, 2, 3, 4, 5, 6}, 4), ElementsAre(2, 6));
    EXPECT_THAT(every_nth({1, 2, 3}, 1), ElementsAre(1, 2, 3));
}

// ---- the multi-speed example run on the real library ----

std::string multispeed(int n) {
    char name[40];
    std::snprintf(name, sizeof name, "/multispeed/%05d.RA2", n);
    return std::string(QUILLANE_EXAMPLES_DIR) + name;
}

class MultispeedRun : public SessionTest {
  protected:
    void SetUp() override {
        SessionTest::SetUp();
        std::vector<std::string> files;
        std::vector<int> all;
        for (int n = 1; n <= examples::kFiles; ++n) {
            files.push_back(multispeed(n));
            all.push_back(n);
        }
        ASSERT_TRUE(session->read_and_select(files, all).done);
    }
};

TEST_F(MultispeedRun, TheSeriesFoundAreExactlyTheGeneratedOnes) {
    const SeriesSplit split = session->series_read();
    EXPECT_TRUE(split.notes.empty()) << all_notes(split);
    ASSERT_EQ(split.series.size(), 2 * examples::kSpeeds.size());
    // Scans were taken in pairs, 280 then 260 nm: data sets 1, 3, 5, ... and
    // 2, 4, 6, ... of each speed.
    for (size_t s = 0; s < examples::kSpeeds.size(); ++s) {
        for (int w = 0; w < 2; ++w) {
            const Series &series = split.series[2 * s + static_cast<size_t>(w)];
            SCOPED_TRACE("speed " + std::to_string(s + 1) + ", wavelength " + std::to_string(w));
            EXPECT_EQ(series.cell, examples::kCell);
            EXPECT_EQ(series.speed_rpm, examples::kSpeeds[s].rpm);
            EXPECT_EQ(series.wavelength_nm,
                      w == 0 ? examples::kWavelength : examples::kSecondWavelength);
            std::vector<int> expected;
            for (int k = 0; k < examples::kScansPerSeries; ++k)
                expected.push_back(static_cast<int>(s) * 2 * examples::kScansPerSeries + 2 * k + w +
                                   1);
            EXPECT_EQ(series.scans, expected);
        }
    }
    EXPECT_EQ(series_line(split, 1, session->data_set_headers()),
              "1: 10000 rpm, 280 nm, 6 scans, 00001.RA2 ... 00011.RA2");
}

TEST_F(MultispeedRun, AHeaderReadAloneGivesWhatTheReaderKept) {
    const ScanFacts alone = session->scan_header(multispeed(36));
    const ScanFacts kept = session->data_set_headers()[35];
    EXPECT_EQ(alone.speed_rpm, 20000.0);
    EXPECT_EQ(alone.wavelength_nm, 260.0);
    EXPECT_EQ(alone.time_s, kept.time_s);
    EXPECT_EQ(alone.omega2t, kept.omega2t);
    EXPECT_EQ(alone.cell, kept.cell);
    const ScanFacts missing = session->scan_header(folder.file("gone.RA2"));
    EXPECT_FALSE(missing.opened);
    EXPECT_THAT(missing.error, HasSubstr("gone.RA2: No such file or directory"));
}

// Every series finds the three columns within 0.01 cm of the generated
// menisci and bases: the finder's accuracy at a point spacing of 0.003 cm.
TEST_F(MultispeedRun, EverySeriesShowsTheThreeColumnsWhereTheyWereMade) {
    constexpr double kTruth = 0.01;
    const SeriesSplit split = session->series_read();
    for (size_t s = 0; s < split.series.size(); ++s) {
        SCOPED_TRACE("series " + std::to_string(s + 1));
        ASSERT_TRUE(session->select(split.series[s].scans).done);
        Outcome o;
        const std::vector<Column> columns = session->solution_columns(kDefaultColumnMargin, &o);
        EXPECT_TRUE(o.errors.empty());
        ASSERT_EQ(columns.size(), examples::kChannels.size());
        for (size_t c = 0; c < columns.size(); ++c) {
            EXPECT_NEAR(columns[c].meniscus_cm, examples::kChannels[c].meniscus, kTruth);
            EXPECT_NEAR(columns[c].base_cm, examples::kChannels[c].base, kTruth);
            const double low = columns[c].meniscus_cm + kDefaultColumnMargin;
            EXPECT_NEAR(columns[c].low, low * low / 2.0, 0.001);  // xi, rounded inward
        }
    }
}

TEST_F(SessionTest, TheSingleChannelExamplesGiveOneColumnInTheUnitInUse) {
    read_examples();
    ASSERT_TRUE(session->set_position_variable(false).done);
    const std::vector<Column> columns = session->solution_columns(kDefaultColumnMargin);
    ASSERT_EQ(columns.size(), 1u);
    EXPECT_NEAR(columns[0].meniscus_cm, 5.95, 0.01);
    EXPECT_NEAR(columns[0].base_cm, 7.15, 0.01);
    EXPECT_EQ(column_limits_text(columns[0], false).substr(0, 3), "5.9");
    EXPECT_THAT(column_limits_text(columns[0], false), ::testing::EndsWith(" cm"));
}

TEST_F(SessionTest, ColumnsAreRefusedBeforeFilesAreReadAndWithANegativeMargin) {
    Outcome o;
    EXPECT_TRUE(session->solution_columns(0.02, &o).empty());
    EXPECT_FALSE(o.done);
    read_examples(3);
    EXPECT_TRUE(session->solution_columns(-1.0, &o).empty());
    EXPECT_EQ(o.refusal, "The margin must be 0 cm or more.");
}

TEST_F(SessionTest, LinesForTheRecordReachTheReportAndTheList) {
    const Outcome o = session->add_to_report({"2 series: a; b", "a note"});
    EXPECT_TRUE(o.errors.empty());
    EXPECT_THAT(report(), ::testing::EndsWith(" 2 series: a; b\r\n a note\r\n"));
    EXPECT_THAT(box.lines, ::testing::IsSupersetOf({" 2 series: a; b", " a note"}));
}

}  // namespace
}  // namespace quillane::session::testing
