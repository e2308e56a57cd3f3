// SPDX-License-Identifier: MIT
// The facts of a scan's time line beside the time: cell, temperature, rotor
// speed, omega^2 t and wavelength; absent and unreadable ones are told
// apart and never guessed, and the reader and the header-only parse agree.
#include <gtest/gtest.h>

#include "scanfile.h"
#include "test_support.h"

namespace quillane {
namespace {

using testing::Fixture;
constexpr double kBound = kTimeBound;

std::array<FactState, kHeaderFacts> states(const ScanHeader &h) {
    return h.state;
}

constexpr FactState K = FactState::known;
constexpr FactState A = FactState::absent;
constexpr FactState U = FactState::unreadable;

TEST(HeaderFacts, TextWherePositionsHoldNumbersIsUnreadableAndTheRestIsKept) {
    const ScanHeader h = header_facts(" 2 20.0 10000 0003501 abc 280 32", kBound);
    EXPECT_EQ(states(h), (std::array{K, K, K, K, U, K}));
    EXPECT_EQ(h[HeaderFact::wavelength], 280.0);
}

TEST(HeaderFacts, ALineEndingAfterTheTimeLeavesTheLaterFactsAbsent) {
    const ScanHeader h = header_facts(" 1 20.0 12000 7200", kBound);
    EXPECT_TRUE(h.time_line);
    EXPECT_EQ(states(h), (std::array{K, K, K, K, A, A}));
}

TEST(HeaderFacts, NumbersNoInstrumentWritesAreUnreadable) {
    // Cell 1.5, speed 0, a negative omega^2 t, a wavelength of -280.
    EXPECT_EQ(states(header_facts(" 1.5 20 0 60 -1 -280", kBound)), (std::array{U, K, U, K, U, U}));
    // A temperature below absolute zero, a time beyond the reader's bound.
    EXPECT_EQ(states(header_facts(" 1 -300 1000 1e31 1e9 280", kBound)),
              (std::array{K, U, K, U, K, K}));
    // An empty item between two commas is no number.
    EXPECT_EQ(states(header_facts(" 1,,12000,60", kBound))[1], U);
}

TEST(HeaderFacts, AnInstrumentLineGivesEverySix) {
    const ScanHeader h = header_facts(" 2 20.0 10000 0003501 3.3160E09 280 32", kBound);
    EXPECT_EQ(states(h), (std::array{K, K, K, K, K, K}));
    EXPECT_EQ(h[HeaderFact::cell], 2.0);
    EXPECT_EQ(h[HeaderFact::temperature], 20.0);
    EXPECT_EQ(h[HeaderFact::speed], 10000.0);
    EXPECT_EQ(h[HeaderFact::time], 3501.0);
    EXPECT_EQ(h[HeaderFact::omega2t], 3.316e9);
    EXPECT_EQ(h[HeaderFact::wavelength], 280.0);
    // Commas and the D exponent as free-format lines allow them.
    EXPECT_EQ(header_facts(" 2,20.0,1.4D4,60,1D9,260", kBound)[HeaderFact::speed], 14000.0);
}

// The reader and the header-only parse take the same line by the same rule.
struct HeaderFile {
    const char *what;
    const char *text;
    int status;  // 1 time line, 0 none
    double speed;
};

void PrintTo(const HeaderFile &f, std::ostream *os) {
    *os << f.what;
}

class ScanHeaderFile : public ::testing::TestWithParam<HeaderFile> {};

TEST_P(ScanHeaderFile, TheReaderAndTheHeaderParseAgree) {
    const HeaderFile &c = GetParam();
    Fixture f;
    const std::string path = f.dir.write("scan.RA2", c.text);
    std::string error;
    const ScanHeader alone = read_scan_header(path, error);
    EXPECT_EQ(error, "");
    EXPECT_EQ(alone.time_line, c.status == 1);
    EXPECT_EQ(alone.known(HeaderFact::speed) ? alone[HeaderFact::speed] : 0.0, c.speed);
    read_scan_file(f.s(), path, 1);
    const ScanHeader &kept = f.s().set_header[1];
    EXPECT_EQ(kept.time_line, alone.time_line);
    EXPECT_EQ(kept.state, alone.state);
    EXPECT_EQ(kept.value, alone.value);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ScanHeaderFile,
    ::testing::Values(HeaderFile{"second line",
                                 "d\r\nR 2 20.0 10000 3501 3.3E9 280 1\r\n6.0 0.1\r\n", 1, 10000},
                      HeaderFile{"third line after a dropped one",
                                 "d\nX\n\nCell 2\nP 1 20 9000 60 1e9 675\n6.0 1\n", 1, 9000},
                      HeaderFile{"R without four numbers", "d\nR 1 2 3\n6.0 0.1\n6.1 0.2\n", 0, 0},
                      HeaderFile{"no time line", "d\n6.0 0.1\n6.1 0.2\n6.2 0.3\n", 0, 0},
                      HeaderFile{"lower-case r", "d\nr 1 20 9000 60\n6.0 0.1\n", 0, 0},
                      HeaderFile{"description only", "d\n", 0, 0}),
    [](const ::testing::TestParamInfo<HeaderFile> &info) {
        std::string name = info.param.what;
        for (char &ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name;
    });

TEST(ScanHeaderFile, AFileThatCannotBeOpenedSaysWhyAndGivesNoFacts) {
    Fixture f;
    std::string error;
    const ScanHeader h = read_scan_header(f.dir.file("absent.RA2"), error);
    EXPECT_FALSE(h.time_line);
    EXPECT_EQ(error,
              "Cannot open scan file " + f.dir.file("absent.RA2") + ": No such file or directory");
    read_scan_header(f.dir.path().string(), error);
    EXPECT_NE(error.find("it is a folder"), std::string::npos);
}

TEST(ScanHeaderFile, ReadingASetAgainForgetsTheHeaderItHadBefore) {
    Fixture f;
    read_scan_file(f.s(), f.dir.write("a.RA2", "d\nR 2 20 10000 60 1e9 280\n6.0 1\n"), 1);
    ASSERT_TRUE(f.s().set_header[1].time_line);
    read_scan_file(f.s(), f.dir.write("b.RA2", "d\n6.0 1\n6.1 2\n"), 1);
    EXPECT_FALSE(f.s().set_header[1].time_line);
    EXPECT_EQ(f.s().set_header[1].state, (std::array{A, A, A, A, A, A}));
}

}  // namespace
}  // namespace quillane
