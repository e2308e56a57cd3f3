// SPDX-License-Identifier: MIT
// Number layouts of the report and plot files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "ftn_format.h"

namespace quillane::ftn {
namespace {

TEST(IntField, RightAlignsAndShowsStarsWhenTheNumberDoesNotFit) {
    EXPECT_EQ(int_field(5, 3), "  5");
    EXPECT_EQ(int_field(-12, 3), "-12");
    EXPECT_EQ(int_field(1234, 3), "***");
    EXPECT_EQ(int_field(0, 1), "0");
}

TEST(Fixed, RoundsToTheDecimalsAndKeepsTheLeadingZeroWhenThereIsRoom) {
    EXPECT_EQ(fixed(2.98567, 7, 3), "  2.986");
    EXPECT_EQ(fixed(95.0, 5, 2), "95.00");
    EXPECT_EQ(fixed(0.5, 5, 3), "0.500");
    EXPECT_EQ(fixed(-0.5, 6, 3), "-0.500");
}

TEST(Fixed, DropsTheOptionalLeadingZeroBeforeGivingUp) {
    EXPECT_EQ(fixed(0.5, 4, 3), ".500");
    EXPECT_EQ(fixed(-0.5, 5, 3), "-.500");
    EXPECT_EQ(fixed(12345.0, 7, 3), "*******");
}

TEST(Fixed, NeverPrintsANegativeZero) {
    EXPECT_EQ(fixed(-0.0001, 7, 3), "  0.000");
}

TEST(Sci, WritesOneDigitBeforeThePointWithTheLetterD) {
    EXPECT_EQ(sci(1.2345e-3, 11, 4), " 1.2345D-03");
    EXPECT_EQ(sci(20.0, 11, 3), "  2.000D+01");
    EXPECT_EQ(sci(-4.5e7, 10, 3), "-4.500D+07");
    EXPECT_EQ(sci(0.0, 10, 3), " 0.000D+00");
}

TEST(Sci, WritesAMantissaBelowOneWhenAsked) {
    EXPECT_EQ(sci(0.5, 12, 4, 'D', 0), "  0.5000D+00");
    EXPECT_EQ(sci(0.05, 12, 4, 'D', 0), "  0.5000D-01");
    EXPECT_EQ(sci(1234.6, 12, 4, 'D', 0), "  0.1235D+04");
}

TEST(Sci, DropsTheLetterForThreeDigitExponents) {
    EXPECT_EQ(sci(1.5e100, 11, 3), "  1.500+100");
    EXPECT_EQ(sci(1.5e-120, 11, 3), "  1.500-120");
}

TEST(Sci, RoundingCarriesIntoTheExponent) {
    EXPECT_EQ(sci(9.99996, 10, 3), " 1.000D+01");
}

TEST(General, UsesFixedPointBetweenATenthAndAMillion) {
    EXPECT_EQ(general(3600.0), "   3600.00    ");
    EXPECT_EQ(general(6.5), "   6.50000    ");
    EXPECT_EQ(general(1234.5), "   1234.50    ");
    EXPECT_EQ(general(0.5), "  0.500000    ");
    EXPECT_EQ(general(123456.7), "   123457.    ");
    EXPECT_EQ(general(-2.5), "  -2.50000    ");
}

TEST(General, UsesScientificNotationOutsideThatRange) {
    EXPECT_EQ(general(0.05), "  5.000000E-02");
    EXPECT_EQ(general(-2.5e7), " -2.500000E+07");
    EXPECT_EQ(general(2.5e6), "  2.500000E+06");
}

TEST(General, JudgesTheRangeAfterRounding) {
    EXPECT_EQ(general(999999.7), "  1.000000E+06");
    EXPECT_EQ(general(static_cast<float>(999999.7)), "  1.000000E+06");
    EXPECT_EQ(general(1234567.0), "  1.234570E+06");
    EXPECT_EQ(general(0.09999996), "  0.100000    ");
}

TEST(General, WritesZeroAsFixedPoint) {
    EXPECT_EQ(general(0.0), "   0.00000    ");
}

TEST(General, NamesNumbersThatAreNotFinite) {
    EXPECT_EQ(general(std::numeric_limits<double>::quiet_NaN()), "           NaN");
    EXPECT_EQ(general(std::numeric_limits<double>::infinity()), "      Infinity");
}

// Random values over the whole range of magnitudes, replayable from the
// seed in the test's name.
std::vector<double> random_values(unsigned seed, int n) {
    std::mt19937_64 random(seed);
    std::vector<double> out;
    for (int i = 0; i < n; ++i) {
        const double mantissa = std::uniform_real_distribution<double>(-10.0, 10.0)(random);
        const int power = std::uniform_int_distribution<int>(-320, 310)(random);
        out.push_back(i % 3 == 0 ? std::ldexp(mantissa, power / 3)
                                 : mantissa * std::pow(10.0, power / 10));
    }
    return out;
}

// Dw.d from printf's %e, which rounds the same decimal digits the report shows.
std::string sci_by_printf(double v, int w, int d) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", d, std::fabs(v));
    std::string s = buf;
    const size_t e = s.find('e');
    const int exponent = std::atoi(s.c_str() + e + 1);
    s.resize(e);
    char tail[16];
    if (std::abs(exponent) <= 99) {
        std::snprintf(tail, sizeof tail, "D%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    } else {
        std::snprintf(tail, sizeof tail, "%c%03d", exponent < 0 ? '-' : '+', std::abs(exponent));
    }
    s = (v < 0 ? "-" : "") + s + tail;
    if (static_cast<int>(s.size()) > w) return std::string(static_cast<size_t>(w), '*');
    return std::string(static_cast<size_t>(w) - s.size(), ' ') + s;
}

class RandomValues : public ::testing::TestWithParam<unsigned> {};

TEST_P(RandomValues, AreWrittenInTheDLayoutAsPrintfRoundsThem) {
    for (double v : random_values(GetParam(), 20000)) {
        if (v == 0.0) continue;
        ASSERT_EQ(sci(v, 11, 4), sci_by_printf(v, 11, 4)) << v;
        ASSERT_EQ(sci(v, 10, 3), sci_by_printf(v, 10, 3)) << v;
    }
}

TEST_P(RandomValues, AreAppendedAsTheirOwnStringsWouldBe) {
    for (double v : random_values(GetParam(), 5000)) {
        std::string line = "x";
        append_sci(line, v, 11, 4);
        append_fixed(line, v, 7, 3);
        append_general(line, v);
        append_general(line, v, kFreeRealDigits, kFreeRealWidth);
        append_int(line, static_cast<long long>(std::fmod(v, 1e6)), 5);
        ASSERT_EQ(line, "x" + sci(v, 11, 4) + fixed(v, 7, 3) + general(v) + free_real(v) +
                            int_field(static_cast<long long>(std::fmod(v, 1e6)), 5))
            << v;
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomValues, ::testing::Values(11u, 12u, 13u));

TEST(FreeLine, StartsWithABlankAndKeepsEachTypeInAFixedWidth) {
    const std::string line = FreeLine() << "Value:" << 3 << 16.0;
    EXPECT_EQ(line, " Value:" + std::string(11, ' ') + "3" + "     16.0000000000000" +
                        std::string(4, ' '));
    EXPECT_EQ(free_int(-7).size(), static_cast<size_t>(kFreeIntWidth));
    EXPECT_EQ(free_real(1e-20).size(), static_cast<size_t>(kFreeRealWidth));
    EXPECT_EQ(free_real(0.1).size(), static_cast<size_t>(kFreeRealWidth));
}

TEST(FreeLine, WithoutItemsIsEmpty) {
    EXPECT_EQ((FreeLine()).str(), "");
}

TEST(TextHelpers, TrimAndPad) {
    EXPECT_EQ(trim_right("ab  "), "ab");
    EXPECT_EQ(trim("  ab  "), "ab");
    EXPECT_EQ(pad_right("abc", 5), "abc  ");
    EXPECT_EQ(pad_right("abcdef", 3), "abc");
    EXPECT_EQ(pad_left("7", 3), "  7");
}

}  // namespace
}  // namespace quillane::ftn
