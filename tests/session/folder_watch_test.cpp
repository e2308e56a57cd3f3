// SPDX-License-Identifier: MIT
// The folder watch on scans as an instrument writes them: in chunks, header
// first, unreadable for a while, several series in one folder with files
// that are no scans, and a folder that vanishes.  Time is a counter the
// tests advance, one interval per look.
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <thread>

#include "folder_watch.h"
#include "instrument_sim.h"
#include "session_test_support.h"
#include "watch_analysis.h"

namespace quillane::session::testing {
namespace {

using test_support::Scan;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr int kPoints = 60;

class FolderWatchTest : public ::testing::Test {
  protected:
    void SetUp() override { start(""); }

    void start(const std::string &series) {
        WatchSettings settings;
        settings.folder = folder.path().string();
        settings.interval_s = 1.0;
        std::string error;
        ASSERT_TRUE(parse_series_selector(series, settings.follow, error)) << error;
        // A file without read permission cannot be opened -- for anyone but
        // the root these tests may run as, so its view is played here.
        const auto header = [this](const std::string &file) {
            struct stat st {};
            if (::stat(file.c_str(), &st) == 0 && (st.st_mode & 0444) == 0) {
                ScanFacts none;
                none.file = file;
                none.opened = false;
                none.error = "Permission denied";
                return none;
            }
            if (before_header) before_header(file);
            ScanFacts facts = session.scan_header(file);
            if (after_header) after_header(file);
            return facts;
        };
        settings.data_line = [this](std::string_view line) { return session.is_data_line(line); };
        // Every file a listing of the folder meets is asked about.
        settings.own_file = [this](const std::string &) {
            ++listed;
            return false;
        };
        watch = std::make_unique<FolderWatch>(settings, header, [this] { return now; });
    }

    // Looks `n` times, one interval apart; every message is kept.
    bool look(int n = 1) {
        for (int i = 0; i < n; ++i) {
            std::string error;
            if (!watch->look(messages, error)) {
                last_error = error;
                return false;
            }
            now += 1.0;
        }
        return true;
    }

    std::string said() const {
        std::string all;
        for (const auto &m : messages)
            all += m.text + "\n";
        return all;
    }

    static Scan scan(int k, int points = kPoints) {
        return test_support::exponential_scan(k, points);
    }
    std::string write(int k, const Scan &s) {
        char name[16];
        std::snprintf(name, sizeof name, "%05d.RA2", k);
        return folder.write_scan(name, s);
    }
    std::string write(int k) { return write(k, scan(k)); }

    // The scans taken of series 1, by file name.
    std::vector<std::string> taken(int number = 1) const {
        std::vector<std::string> names;
        if (const WatchedSeries *w = watch->series_number(number))
            for (const std::string &f : w->scans)
                names.push_back(std::filesystem::path(f).filename().string());
        return names;
    }

    // Sets the folder's modification time far back, as in a folder nothing
    // was added to for a while: a look may then trust it.
    void age_folder() {
        const timespec past{1000000000 + ++aged, 0};
        const timespec times[2] = {past, past};
        ASSERT_EQ(::utimensat(AT_FDCWD, folder.path().c_str(), times, 0), 0);
    }
    // Puts a named pipe where `file` was.
    static void make_pipe(const std::string &file) {
        std::filesystem::remove(file);
        ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    }

    test_support::ScratchFolder folder;
    Session session{linked_exports()};
    std::unique_ptr<FolderWatch> watch;
    double now = 0.0;
    std::vector<WatchMessage> messages;
    std::string last_error;
    int listed = 0;
    int aged = 0;
    std::function<void(const std::string &)> before_header, after_header;
};

TEST_F(FolderWatchTest, AScanIsTakenOnlyAfterStayingUnchangedOverTwoIntervals) {
    write(1);
    ASSERT_TRUE(look(2));
    EXPECT_THAT(taken(), IsEmpty());
    ASSERT_TRUE(look());
    EXPECT_THAT(taken(), ElementsAre("00001.RA2"));
}

// Data lines written with Fortran D exponents ("5.9500D+00 1.2340D-01")
// are read by the library, so the watch counts them too: the scans are
// taken, not left waiting for points.
TEST_F(FolderWatchTest, ScansWithFortranExponentsAreTaken) {
    for (int k = 1; k <= 3; ++k) {
        std::string text;
        for (const test_support::ScanPoint &p : scan(k).points) {
            char line[64];
            std::snprintf(line, sizeof line, "%.4E %.4E\r\n", p.position, p.value);
            text += line;
        }
        std::replace(text.begin(), text.end(), 'E', 'D');
        Scan header_only = scan(k);
        header_only.points.clear();
        char name[16];
        std::snprintf(name, sizeof name, "%05d.RA2", k);
        test_support::write_file(folder.path() / name, test_support::scan_text(header_only) + text);
    }
    ASSERT_TRUE(look(3));
    EXPECT_THAT(taken(), ElementsAre("00001.RA2", "00002.RA2", "00003.RA2"));
}

// The scan is written in three chunks: the first ends inside a line, the
// second at a line end with half the points; each pause is longer than two
// intervals.  Only the whole scan is taken.
TEST_F(FolderWatchTest, AScanWrittenInChunksWaitsUntilItIsWhole) {
    for (int k = 1; k <= 3; ++k)
        write(k);
    ASSERT_TRUE(look(3));
    ASSERT_EQ(taken().size(), 3u);
    const std::string text = test_support::scan_text(scan(4));
    const std::string path =
        test_support::write_file(folder.path() / "00004.RA2", text.substr(0, text.size() / 3));
    ASSERT_TRUE(look(4));
    EXPECT_EQ(taken().size(), 3u);
    EXPECT_THAT(said(), HasSubstr("00004.RA2 waits: its last line is cut off"));
    write(4, scan(4, kPoints / 2));  // the same scan's first half
    ASSERT_TRUE(look(4));
    EXPECT_EQ(taken().size(), 3u);
    EXPECT_THAT(said(), HasSubstr("00004.RA2 waits: it has 30 points, fewer than 90 % of the "
                                  "60 of its series' scans"));
    test_support::write_file(path, text);
    ASSERT_TRUE(look(3));
    EXPECT_THAT(taken(), ElementsAre("00001.RA2", "00002.RA2", "00003.RA2", "00004.RA2"));
    EXPECT_THAT(watch->unused(), IsEmpty());
}

// An unfinished scan that no longer changes is used once a later scan has
// begun (the instrument moved on) -- or, alone, after the grace.
TEST_F(FolderWatchTest, AnUnfinishedScanIsUsedOnceTheInstrumentHasMovedOn) {
    for (int k = 1; k <= 3; ++k)
        write(k);
    write(4, scan(4, kPoints / 2));
    ASSERT_TRUE(look(3));
    EXPECT_EQ(taken().size(), 3u);
    write(5);
    ASSERT_TRUE(look(3));
    EXPECT_EQ(taken().size(), 5u);
    EXPECT_THAT(said(), HasSubstr("00004.RA2 looks unfinished (it has 30 points, fewer than 90 % "
                                  "of the 60 of its series' scans), but a later scan has begun"));
    write(6, scan(6, kPoints / 2));
    ASSERT_TRUE(look(kIncompleteGraceIntervals + 1));
    EXPECT_EQ(taken().size(), 6u);
    EXPECT_THAT(said(), HasSubstr("00006.RA2 looks unfinished"));
}

// A file with only its header holds its place: the scan after it is scan 4
// at once, and it is used when its points arrive.
TEST_F(FolderWatchTest, AHeaderOnlyScanKeepsItsPlaceAndIsUsedWhenItFills) {
    write(1);
    write(2);
    Scan empty = scan(3);
    empty.points.clear();
    write(3, empty);
    write(4);
    ASSERT_TRUE(look(3));
    EXPECT_THAT(taken(), ElementsAre("00001.RA2", "00002.RA2", "00004.RA2"));
    EXPECT_EQ(watch->series_number(1)->place(watch->series_number(1)->scans.back()), 4);
    EXPECT_THAT(said(), HasSubstr("00003.RA2 cannot be used yet: it holds no data points yet; "
                                  "it is looked at again when it changes"));
    EXPECT_THAT(watch->unused(), ElementsAre("00003.RA2: it holds no data points yet"));
    EXPECT_EQ(watch->changed_series(), std::vector<int>{1});
    write(3);
    ASSERT_TRUE(look(3));
    EXPECT_THAT(taken(), ElementsAre("00001.RA2", "00002.RA2", "00003.RA2", "00004.RA2"));
    EXPECT_EQ(watch->changed_series(), std::vector<int>{1});
    EXPECT_THAT(watch->unused(), IsEmpty());
}

TEST_F(FolderWatchTest, AnUnreadableScanIsLookedAtAgainOnceItCanBeRead) {
    for (int k = 1; k <= 3; ++k)
        write(k);
    const std::string locked = write(4);
    std::filesystem::permissions(locked, std::filesystem::perms::none);
    ASSERT_TRUE(look(3));
    EXPECT_EQ(taken().size(), 3u);
    EXPECT_THAT(watch->unused(), ElementsAre(AllOf(HasSubstr("00004.RA2: it cannot be read"),
                                                   HasSubstr("Permission denied"))));
    // Only its permissions change: its status-change time tells.
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read);
    ASSERT_TRUE(look(3));
    EXPECT_EQ(taken().size(), 4u);
    EXPECT_THAT(watch->unused(), IsEmpty());
}

// Two speeds and two wavelengths, and an instrument log: one series is
// followed by its wavelength and speed, the log is named once.
TEST_F(FolderWatchTest, AMixedFolderIsSplitIntoSeriesAndNonScansAreIgnoredOnce) {
    start("10000rpm,230nm");
    int k = 0;
    for (double rpm : {10000.0, 14000.0})
        for (int n = 1; n <= 2; ++n)
            for (double nm : {280.0, 230.0}) {
                Scan s = scan(++k);
                s.speed_rpm = rpm;
                s.wavelength_nm = nm;
                write(k, s);
            }
    test_support::write_file(folder.path() / "CELL1ABS.LOG", "Cell 1 log\r\n12:00 started\r\n");
    ASSERT_TRUE(look(3));
    ASSERT_EQ(watch->series().size(), 4u);
    const WatchedSeries *followed = nullptr;
    for (const WatchedSeries &w : watch->series())
        if (w.followed) {
            EXPECT_EQ(followed, nullptr) << w.name;
            followed = &w;
        }
    ASSERT_NE(followed, nullptr);
    EXPECT_EQ(followed->name, "10,000 rpm 230 nm");
    EXPECT_THAT(taken(followed->number), ElementsAre("00002.RA2", "00004.RA2"));
    EXPECT_THAT(said(), HasSubstr("CELL1ABS.LOG has no time line, so it is no scan: ignored"));
    EXPECT_THAT(said(), HasSubstr("is not followed: its scans are left alone"));
    const size_t notes = messages.size();
    test_support::write_file(folder.path() / "CELL1ABS.LOG", "Cell 1 log\r\n12:10 more\r\n");
    ASSERT_TRUE(look(3));
    EXPECT_EQ(messages.size(), notes);
    // A scan of another series, still settling when the watch ends, is not
    // the user's concern.
    Scan other = scan(++k);
    other.speed_rpm = 14000.0;
    other.wavelength_nm = 280.0;
    write(k, other);
    ASSERT_TRUE(look());
    EXPECT_THAT(watch->unused(), IsEmpty());
}

TEST_F(FolderWatchTest, AFolderThatVanishesEndsTheWatch) {
    write(1);
    ASSERT_TRUE(look());
    std::filesystem::remove_all(folder.path());
    EXPECT_FALSE(look());
    EXPECT_THAT(last_error, HasSubstr("is gone"));
}

// The folder moved away and another made under its name, with a scan of the
// same name: another run, which the watch must not take for this one.
TEST_F(FolderWatchTest, AFolderReplacedByAnotherOfItsNameEndsTheWatch) {
    write(1);
    ASSERT_TRUE(look(3));
    const std::filesystem::path old = folder.path().string() + ".old";
    std::filesystem::rename(folder.path(), old);
    std::filesystem::create_directory(folder.path());
    write(1);
    EXPECT_FALSE(look());
    std::filesystem::remove_all(old);
    EXPECT_THAT(last_error, HasSubstr("was replaced by another folder of that name"));
}

// Scans 4 and 5 turn into named pipes between the listing and the reads:
// before the header is read, and between the header and the points.  The
// look neither waits on them nor takes them.
TEST_F(FolderWatchTest, AScanTurnedIntoANamedPipeIsRefusedWithoutWaiting) {
    for (int k = 1; k <= 5; ++k)
        write(k);
    const std::string fourth = folder.file("00004.RA2"), fifth = folder.file("00005.RA2");
    before_header = [&](const std::string &file) {
        if (file == fourth) make_pipe(file);
    };
    after_header = [&](const std::string &file) {
        if (file == fifth) make_pipe(file);
    };
    ASSERT_TRUE(look(3));
    EXPECT_THAT(taken(), ElementsAre("00001.RA2", "00002.RA2", "00003.RA2"));
    EXPECT_THAT(said(), AllOf(HasSubstr("00004.RA2 cannot be used yet: it cannot be read (Cannot "
                                        "open scan file " +
                                        fourth + ": it is a named pipe, not a regular file)"),
                              HasSubstr("00005.RA2 cannot be used yet: it cannot be read (it is a "
                                        "named pipe, not a regular file)")));
}

// Clock jumps: scan 4's header time is earlier than scan 3's.  It is scan 4
// all the same, with a note, and scan 3 keeps its number; the analysis
// takes the scans in the order of their numbers.
TEST_F(FolderWatchTest, AScanTimedBeforeTheScansBeforeItKeepsTheNextNumber) {
    for (int k = 1; k <= 3; ++k)
        write(k);
    ASSERT_TRUE(look(3));
    Scan early = scan(4);
    early.time = 2.5 * 3600.0;
    write(4, early);
    write(5);
    ASSERT_TRUE(look(3));
    EXPECT_THAT(taken(),
                ElementsAre("00001.RA2", "00002.RA2", "00003.RA2", "00004.RA2", "00005.RA2"));
    const WatchedSeries &w = *watch->series_number(1);
    EXPECT_EQ(w.place(folder.file("00003.RA2")), 3);
    EXPECT_EQ(w.place(folder.file("00004.RA2")), 4);
    EXPECT_THAT(said(), HasSubstr("00004.RA2's header time, 2.50 h, is earlier than the 3.00 h of "
                                  "00003.RA2, which came before it"));
    // A scan gone leaves its number unused: the scans after it keep theirs.
    std::filesystem::remove(folder.file("00002.RA2"));
    ASSERT_TRUE(look());
    EXPECT_EQ(watch->series_number(1)->place(folder.file("00005.RA2")), 5);
}

// A folder of scans and many files that are none: once listed, a look asks
// only the scans for their size and times while the folder's own time
// stands -- and still sees a scan rewritten in place -- and lists the
// folder again when its time moves or a minute has passed.  A note names a
// few of the files that are no scans, and counts the rest.
TEST_F(FolderWatchTest, ALookReadsOnlyWhatChangedAndANoteNamesAFewFiles) {
    constexpr int kLogs = 20;
    for (int k = 1; k <= 3; ++k)
        write(k);
    for (int i = 1; i <= kLogs; ++i)
        test_support::write_file(folder.path() / ("LOG" + std::to_string(100 + i) + ".TXT"),
                                 "instrument log\r\n");
    age_folder();
    ASSERT_TRUE(look(3));
    EXPECT_EQ(listed, kLogs + 3);
    EXPECT_EQ(taken().size(), 3u);
    EXPECT_THAT(said(), HasSubstr("LOG101.TXT, LOG102.TXT, LOG103.TXT, LOG104.TXT, LOG105.TXT "
                                  "and 15 more have no time line, so they are no scans: ignored"));
    const std::string text = test_support::scan_text(scan(4));
    test_support::write_file(folder.path() / "00004.RA2", text.substr(0, text.size() / 2));
    age_folder();
    ASSERT_TRUE(look(3));  // listed once, for the new file
    EXPECT_EQ(listed, (kLogs + 3) + (kLogs + 4));
    test_support::write_file(folder.path() / "00004.RA2", text);
    ASSERT_TRUE(look(3));
    EXPECT_EQ(listed, (kLogs + 3) + (kLogs + 4));
    EXPECT_EQ(taken().size(), 4u);
    now += kFullLookSeconds;
    ASSERT_TRUE(look());
    EXPECT_EQ(listed, (kLogs + 3) + 2 * (kLogs + 4));
}

// Equilibrium with scan 4 still arriving: the watch is not done while it
// grows, for kArrivalLooks looks at most, and is done once it is taken.
TEST_F(FolderWatchTest, AWatchAtEquilibriumWaitsAFewLooksForTheScanStillArriving) {
    for (int k = 1; k <= 3; ++k)
        write(k);
    ASSERT_TRUE(look(3));
    ArrivalWait growing;
    EXPECT_FALSE(growing.settled(false, *watch));
    const std::string text = test_support::scan_text(scan(4));
    int looks = 0;
    bool settled = false;
    while (!settled && looks < 2 * kArrivalLooks) {
        ++looks;
        test_support::write_file(folder.path() / "00004.RA2",
                                 text.substr(0, text.size() * looks / (2 * kArrivalLooks + 1)));
        ASSERT_TRUE(look());
        settled = growing.settled(true, *watch);
    }
    EXPECT_EQ(looks, kArrivalLooks);
    EXPECT_THAT(watch->arriving(),
                ElementsAre("00004.RA2: it was still changing at the last look"));

    write(4);
    ArrivalWait whole;
    ASSERT_TRUE(look());
    EXPECT_FALSE(whole.settled(true, *watch));
    ASSERT_TRUE(look(2));
    EXPECT_TRUE(whole.settled(true, *watch));
    EXPECT_EQ(taken().size(), 4u);
}

// A simulated run: two cells, two speeds, three interleaved wavelengths
// and the instrument's logs in one folder.
TEST_F(FolderWatchTest, ARealRunFolderIsSplitByCellSpeedAndWavelength) {
    start("cell2, 14000rpm, 260nm");
    std::string error;
    const sim::RunTruth truth = sim::write_run(folder.path(), sim::RunSpec{}, {}, error);
    ASSERT_TRUE(error.empty()) << error;
    ASSERT_TRUE(look(3));
    EXPECT_EQ(watch->series().size(), truth.series.size());
    const auto chosen = std::find_if(truth.series.begin(), truth.series.end(), [](const auto &s) {
        return s.setup.cell == 2 && s.setup.rpm == 14000.0 && s.setup.wavelength_nm == 260.0;
    });
    ASSERT_NE(chosen, truth.series.end());
    int followed = 0;
    for (const WatchedSeries &w : watch->series())
        if (w.followed) followed = w.number;
    ASSERT_NE(followed, 0);
    EXPECT_EQ(taken(followed), chosen->files);
    EXPECT_THAT(said(), HasSubstr("CELL1ABS.LOG, CELL2ABS.LOG have no time line, so they are no "
                                  "scans: ignored"));
    EXPECT_THAT(watch->unused(), IsEmpty());
}

// The simulator's writer cuts a scan anywhere and pauses several intervals
// between the pieces, in real time: the watch never takes it half-way.
TEST_F(FolderWatchTest, AScanWrittenByTheChunkedWriterIsNeverTakenHalfWay) {
    WatchSettings settings;
    settings.folder = folder.path().string();
    settings.interval_s = 0.05;
    settings.data_line = [this](std::string_view line) { return session.is_data_line(line); };
    FolderWatch real(settings, [this](const std::string &f) { return session.scan_header(f); });
    sim::SeriesSetup setup;
    setup.scans = 4;
    const sim::Series series = sim::simulate_series(setup);
    std::string error;
    for (int k = 0; k < 3; ++k)
        ASSERT_TRUE(sim::write_scan(folder.path() / ("0000" + std::to_string(k + 1) + ".RA2"),
                                    series.scans[static_cast<size_t>(k)], error));
    std::atomic<bool> writing{true};
    std::thread writer([&] {
        std::string why;
        sim::write_in_chunks(folder.path() / "00004.RA2", sim::scan_text(series.scans[3]), 4, 200,
                             why);
        writing = false;
    });
    bool taken_half_way = false;
    size_t scans = 0;
    for (int look = 0; look < 200 && (writing || scans < 4); ++look) {
        std::vector<WatchMessage> said;
        ASSERT_TRUE(real.look(said, error)) << error;
        scans = real.series().empty() ? 0 : real.series().front().scans.size();
        if (writing && scans == 4) taken_half_way = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    writer.join();
    EXPECT_FALSE(taken_half_way);
    EXPECT_EQ(scans, 4u);
}

struct SelectorCase {
    const char *text;
    bool valid;
    std::optional<int> cell;
    std::optional<double> rpm;
    std::optional<double> nm;
    int number;
};

class SelectorTest : public ::testing::TestWithParam<SelectorCase> {};

TEST_P(SelectorTest, ASeriesIsChosenBySpeedWavelengthCellOrNumber) {
    const SelectorCase &c = GetParam();
    SeriesSelector s;
    std::string error;
    ASSERT_EQ(parse_series_selector(c.text, s, error), c.valid) << c.text << ": " << error;
    if (!c.valid) {
        EXPECT_THAT(error, HasSubstr(c.text));
        return;
    }
    EXPECT_EQ(s.cell, c.cell);
    EXPECT_EQ(s.speed_rpm, c.rpm);
    EXPECT_EQ(s.wavelength_nm, c.nm);
    EXPECT_EQ(s.number, c.number);
}

INSTANTIATE_TEST_SUITE_P(Texts, SelectorTest,
                         ::testing::Values(SelectorCase{"280nm", true, {}, {}, 280.0, 0},
                                           SelectorCase{"10000 RPM", true, {}, 10000.0, {}, 0},
                                           SelectorCase{"cell 2", true, 2, {}, {}, 0},
                                           SelectorCase{"cell2, 14000rpm,230nm", true, 2, 14000.0,
                                                        230.0, 0},
                                           SelectorCase{"3", true, {}, {}, {}, 3},
                                           SelectorCase{"28x", false, {}, {}, {}, 0},
                                           SelectorCase{"3,280nm", false, {}, {}, {}, 0},
                                           SelectorCase{"280nm,230nm", false, {}, {}, {}, 0}));

}  // namespace
}  // namespace quillane::session::testing
