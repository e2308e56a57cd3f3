// SPDX-License-Identifier: MIT
// Finding the solution columns of a scan series on constructed cells: one
// channel or three side by side, each with its air, reference solvent,
// menisci, profile and base, window regions between them, noise from a
// printed seed.  The columns found lie within 0.01 cm of the true menisci
// and bases; what is no column (air, reference solvent, noise, a
// detector's limit) is not taken for one.
#include <gtest/gtest.h>

#include <cmath>

#include "column_search.h"
#include "columns.h"
#include "fit_test_support.h"
#include "scanfile.h"
#include "test_support.h"

namespace quillane {
namespace {

using testing::noise;

// What a user needs: limits set 0.02 cm inside the meniscus and base stay
// in the solution.  (A column rising 30-fold to 4.5 OD, as the third one
// here, has its last 0.01 cm taken for the rise into its base.)
constexpr double kTruth = 0.02;

struct Channel {
    double top;           // cm: where the channel begins (window region below)
    double ref_meniscus;  // cm; 0 = no reference solvent in view
    double meniscus;
    double base;
    double loading;  // value at the meniscus
    double sigma;    // cm^-2: steepness of the profile in xi
};

struct Cell {
    std::vector<Channel> channels;
    double start = 5.79;   // cm
    double end = 7.20;     // cm
    double step = 0.003;   // cm
    double noise = 0.005;  // deviation of the noise
    int scans = 8;
    unsigned seed = 1;
    double spike_half_width = 0.004;
    // A fixed feature of every scan: a scratch on the window at this radius.
    double scratch = 0.0;
};

// The signal of channel c at radius r in scan k, without noise; `rough`
// tells that the point lies in a region of blocked light.
double signal(const Channel &c, double r, int k, double w, bool &rough) {
    rough = false;
    if (c.ref_meniscus > 0.0 && std::fabs(r - c.ref_meniscus) <= w) return -0.5;
    if (c.ref_meniscus > 0.0 && r < c.ref_meniscus) return 0.01;  // air in both sectors
    if (std::fabs(r - c.meniscus) <= w) return 0.8;
    if (r < c.meniscus) return c.ref_meniscus > 0.0 ? -0.03 : 0.01;  // solvent, or air
    if (r < c.base) {
        const double approach = 1.0 + 0.03 * (8 - k);  // scans still approaching equilibrium
        return c.loading * std::exp(c.sigma * (r * r - c.meniscus * c.meniscus) / 2.0) * approach;
    }
    rough = true;
    return 2.0;
}

std::vector<std::vector<RadialPoint>> scans_of(const Cell &cell) {
    std::vector<std::vector<RadialPoint>> scans;
    for (int k = 0; k < cell.scans; ++k) {
        const unsigned seed = cell.seed * 1000 + static_cast<unsigned>(k);
        const int n = static_cast<int>((cell.end - cell.start) / cell.step);
        const std::vector<double> jitter = noise(n + 1, seed);
        const std::vector<double> garbage = noise(n + 1, seed + 500);
        std::vector<RadialPoint> scan;
        const double start = cell.start + cell.step * 0.37 * (k % 3);  // each scan its own grid
        for (int i = 0; i < n; ++i) {
            const double r = start + cell.step * i;
            double v = 2.0;  // window region unless a channel says otherwise
            bool rough = true;
            for (const Channel &c : cell.channels)  // a channel reaches to the next one's top
                if (r >= c.top) v = signal(c, r, k, cell.spike_half_width, rough);
            if (cell.scratch > 0.0 && std::fabs(r - cell.scratch) <= 0.002) v += 0.3;
            v += rough ? 1.5 * garbage[static_cast<size_t>(i)]
                       : cell.noise * std::sqrt(3.0) * jitter[static_cast<size_t>(i)];
            scan.push_back({r, v});
        }
        scans.push_back(scan);
    }
    return scans;
}

// The three columns of a six-channel equilibrium centerpiece.
Cell six_channel(unsigned seed) {
    Cell cell;
    cell.seed = seed;
    cell.channels = {{5.78, 5.83, 5.86, 6.08, 0.20, 1.0},
                     {6.26, 6.34, 6.37, 6.59, 0.30, 1.0},
                     {6.78, 6.86, 6.89, 7.13, 0.15, 2.0}};
    return cell;
}

Cell single_channel(unsigned seed) {
    Cell cell;
    cell.seed = seed;
    cell.start = 5.85;
    cell.end = 7.25;
    cell.channels = {{5.80, 0.0, 5.95, 7.15, 0.3, 0.1}};
    return cell;
}

void expect_columns(const std::vector<SolutionColumn> &found, const std::vector<Channel> &truth) {
    ASSERT_EQ(found.size(), truth.size());
    for (size_t i = 0; i < truth.size(); ++i) {
        SCOPED_TRACE("column " + std::to_string(i + 1));
        EXPECT_NEAR(found[i].meniscus, truth[i].meniscus, kTruth);
        EXPECT_NEAR(found[i].base, truth[i].base, kTruth);
        EXPECT_TRUE(found[i].meniscus_seen);
        EXPECT_TRUE(found[i].base_seen);
    }
}

TEST(SolutionColumns, NoScanWithThreePointsGivesNone) {
    EXPECT_TRUE(find_solution_columns({}).empty());
    EXPECT_TRUE(find_solution_columns({{{6.0, 1.0}, {6.1, 1.0}}}).empty());
}

TEST(SolutionColumns, SignalsWithoutNoiseOrAboveZeroHoldNone) {
    // One value throughout: a detector at its limit.
    std::vector<RadialPoint> flat;
    for (int i = 0; i < 300; ++i)
        flat.push_back({5.9 + 0.003 * i, 3.5});
    EXPECT_TRUE(find_solution_columns({flat, flat}).empty());
    // Noise around zero: air and solvent only.
    Cell empty;
    empty.channels = {{5.78, 0.0, 5.95, 7.15, 0.0, 0.0}};
    EXPECT_TRUE(find_solution_columns(scans_of(empty)).empty());
}

class SixChannel : public ::testing::TestWithParam<unsigned> {};

TEST_P(SixChannel, ThreeColumnsAreFoundAtTheirMenisciAndBases) {
    SCOPED_TRACE("seed " + std::to_string(GetParam()));
    const Cell cell = six_channel(GetParam());
    expect_columns(find_solution_columns(scans_of(cell)), cell.channels);
}

INSTANTIATE_TEST_SUITE_P(Seeds, SixChannel, ::testing::Values(1u, 2u, 3u, 4u, 5u));

TEST(SolutionColumns, ASingleChannelCellGivesOneColumn) {
    const Cell cell = single_channel(7);
    SCOPED_TRACE("seed 7");
    expect_columns(find_solution_columns(scans_of(cell)), cell.channels);
}

TEST(SolutionColumns, AColumnDepletedAtItsMeniscusStartsThere) {
    // High speed: the profile rises from 0.004 at the meniscus, within the
    // noise of the solvent beside it, to 0.2 .. 0.6 at the base.
    Cell cell = six_channel(11);
    SCOPED_TRACE("seed 11");
    for (Channel &c : cell.channels) {
        c.loading = 0.004;
        c.sigma = 3.0;
    }
    expect_columns(find_solution_columns(scans_of(cell)), cell.channels);
}

TEST(SolutionColumns, AScratchOnTheWindowDoesNotSplitAColumn) {
    Cell cell = six_channel(13);
    SCOPED_TRACE("seed 13");
    cell.scratch = 6.47;
    expect_columns(find_solution_columns(scans_of(cell)), cell.channels);
}

TEST(SolutionColumns, ASpikeInOneScanDoesNotMoveAnything) {
    Cell cell = six_channel(17);
    SCOPED_TRACE("seed 17");
    auto scans = scans_of(cell);
    for (RadialPoint &p : scans[2])
        if (std::fabs(p.radius - 6.0) < 0.01) p.value += 1.0;  // dust in one scan
    expect_columns(find_solution_columns(scans), cell.channels);
}

// Without its meniscus in view a stretch cannot be told from a shelf
// between channels: it is not offered, and the reason says why.
TEST(SolutionColumns, DataThatBeginInsideAColumnOfferNoneAndSayWhy) {
    Cell cell = single_channel(19);
    SCOPED_TRACE("seed 19");
    cell.start = 5.97;
    cell.end = 7.14;
    std::vector<ColumnStretch> stretches;
    EXPECT_TRUE(find_solution_columns(scans_of(cell), &stretches).empty());
    ASSERT_FALSE(stretches.empty());
    EXPECT_EQ(stretches[0].reason, "no meniscus before it: the data begin inside it");
}

TEST(SolutionColumns, DataThatEndInsideAColumnEndItThere) {
    Cell cell = single_channel(19);
    SCOPED_TRACE("seed 19");
    cell.end = 7.14;
    const auto found = find_solution_columns(scans_of(cell));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_TRUE(found[0].meniscus_seen);
    EXPECT_FALSE(found[0].base_seen);
    EXPECT_NEAR(found[0].base, 7.14, kTruth);
}

TEST(SolutionColumns, ASaturatedPlateauBeyondTheBaseIsNoColumn) {
    Cell cell = single_channel(23);
    SCOPED_TRACE("seed 23");
    auto scans = scans_of(cell);
    for (auto &scan : scans)
        for (RadialPoint &p : scan)
            if (p.radius > 7.16) p.value = 3.0;  // the detector's limit, no noise
    expect_columns(find_solution_columns(scans), cell.channels);
}

// The columns of data sets in the store, as limits in the position variable.
class ColumnLimitsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const Cell cell = six_channel(29);
        int n = 0;
        for (const auto &scan : scans_of(cell)) {
            std::string text =
                "six-channel\r\nR 2 20.0 10000 " + std::to_string(3600 * ++n) + " 1e9 280 1\r\n";
            for (const RadialPoint &p : scan)
                text += std::to_string(p.radius) + " " + std::to_string(p.value) + "\r\n";
            read_scan_file(f.s(), f.dir.write("s" + std::to_string(n) + ".RA2", text), n);
        }
    }
    std::vector<ColumnLimits> find(double margin) {
        std::array<int32_t, 9> sets{8, 1, 2, 3, 4, 5, 6, 7, 8};
        return find_columns(f.s(), sets.data(), margin);
    }
    testing::Fixture f;
};

TEST_F(ColumnLimitsTest, AListOrMarginThatCannotBeUsedIsRefusedWithTheReason) {
    EXPECT_TRUE(find(-0.01).empty());
    EXPECT_EQ(f.s().last_error, "Solution columns not searched: the margin must be 0 cm or more");
    f.s().last_error.clear();
    std::array<int32_t, 2> unread{1, 9};
    EXPECT_TRUE(find_columns(f.s(), unread.data(), 0.02).empty());
    EXPECT_EQ(f.s().last_error, "Solution columns not searched: data set 9 has not been read");
    EXPECT_EQ(f.box.trimmed().back(),
              " Solution columns not searched: data set 9 has not been read");
}

TEST_F(ColumnLimitsTest, LimitsLieTheMarginInsideAndAreRoundedInward) {
    f.s().xi_mode = false;
    const auto found = find(0.02);
    ASSERT_EQ(found.size(), 3u);
    for (const ColumnLimits &c : found) {
        EXPECT_GE(c.low, c.column.meniscus + 0.02);
        EXPECT_LT(c.low, c.column.meniscus + 0.02 + kColumnLimitStep);
        EXPECT_LE(c.high, c.column.base - 0.02);
        EXPECT_GT(c.high, c.column.base - 0.02 - kColumnLimitStep);
        EXPECT_NEAR(c.low * 1000.0, std::round(c.low * 1000.0), 1e-6);
    }
}

TEST_F(ColumnLimitsTest, InXiModeTheLimitsAreTheInsetRadiiSquaredOverTwo) {
    const auto found = find(0.05);
    ASSERT_EQ(found.size(), 3u);
    for (const ColumnLimits &c : found) {
        const double low = (c.column.meniscus + 0.05) * (c.column.meniscus + 0.05) / 2.0;
        EXPECT_NEAR(c.low, low, kColumnLimitStep);
        EXPECT_GE(c.low, low);
    }
}

TEST_F(ColumnLimitsTest, AMarginWiderThanHalfAColumnLeavesItOut) {
    EXPECT_TRUE(find(0.2).empty());  // every column is shorter than 0.4 cm
    EXPECT_EQ(f.s().last_error, "");
}

}  // namespace
}  // namespace quillane
