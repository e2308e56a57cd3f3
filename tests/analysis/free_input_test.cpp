// SPDX-License-Identifier: MIT
// Numbers read from scan lines: short numbers take a quicker way to the
// double than long ones; both must give the double nearest to the text,
// which std::from_chars gives.
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "free_input.h"
#include "test_support.h"

namespace quillane::testing {
namespace {

// The double std::from_chars reads from `text` (letter D read as E, no
// leading '+').
double nearest(std::string text) {
    for (char &c : text)
        if (c == 'D' || c == 'd') c = 'e';
    const size_t from = text[0] == '+' ? 1 : 0;
    double v = 0.0;
    std::from_chars(text.data() + from, text.data() + text.size(), v);
    return v;
}

// Random numbers as scan files hold them: up to 18 digits, a point
// anywhere, signs, and exponents with E or D, mostly small, some far out.
std::string random_number(std::mt19937_64 &random) {
    std::string s;
    if (random() % 3 == 0) s += random() % 2 ? "-" : "+";
    const int digits = 1 + static_cast<int>(random() % 18);
    const int point = static_cast<int>(random() % (digits + 2));
    for (int d = 0; d < digits; ++d) {
        if (d == point) s += '.';
        s += static_cast<char>('0' + random() % 10);
    }
    if (random() % 2) {
        s += "EeDd"[random() % 4];
        const int exponent = random() % 8 == 0 ? static_cast<int>(random() % 600) - 300
                                               : static_cast<int>(random() % 61) - 30;
        s += std::to_string(exponent);
    }
    return s;
}

class ScanNumbers : public ::testing::TestWithParam<unsigned> {};

TEST_P(ScanNumbers, AreTheDoublesNearestToTheirText) {
    std::mt19937_64 random(GetParam());
    for (int i = 0; i < 200000; ++i) {
        const std::string text = random_number(random);
        double v[1] = {0.0};
        const FreeRead r = read_free_numbers(text, v);
        const double want = nearest(text);
        if (r != FreeRead::ok) {
            // Only what a double cannot hold is refused.
            ASSERT_TRUE(std::fabs(want) == 0.0 || !std::isfinite(want) ||
                        std::fabs(want) >= std::numeric_limits<double>::max() ||
                        std::fabs(want) < std::numeric_limits<double>::min())
                << text;
            continue;
        }
        ASSERT_EQ(std::memcmp(&v[0], &want, sizeof want), 0)
            << text << " read as " << v[0] << ", nearest " << want;
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, ScanNumbers, ::testing::Values(21u, 22u, 23u));

TEST(ScanNumbersExact, KeepTheSignOfZeroAndTheLastDigitOfFifteen) {
    double v[3] = {};
    ASSERT_EQ(read_free_numbers("-0.000 123456789012345 0.000000000000000000001D1", v),
              FreeRead::ok);
    EXPECT_TRUE(std::signbit(v[0]));
    EXPECT_EQ(v[1], 123456789012345.0);
    EXPECT_EQ(v[2], 1e-20);
}

}  // namespace
}  // namespace quillane::testing
