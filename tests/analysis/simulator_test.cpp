// SPDX-License-Identifier: MIT
// The instrument simulator writes what the reader takes, the same for the
// same seed, and a truth that follows from its model.
#include <gtest/gtest.h>

#include <cmath>

#include "instrument_sim.h"
#include "scanfile.h"
#include "test_support.h"

namespace quillane {
namespace {

TEST(Simulator, SameSeedGivesTheSameFilesAndAnotherSeedOthers) {
    sim::SeriesSetup setup;
    setup.scans = 2;
    setup.seed = 11;
    const std::string first = sim::scan_text(sim::simulate_series(setup).scans[1]);
    EXPECT_EQ(first, sim::scan_text(sim::simulate_series(setup).scans[1]));
    setup.seed = 12;
    EXPECT_NE(first, sim::scan_text(sim::simulate_series(setup).scans[1]));
}

TEST(Simulator, ReaderTakesEveryPointTimeAndHeaderFact) {
    testing::Fixture f;
    sim::SeriesSetup setup;
    setup.scans = 3;
    setup.rpm = 14000.0;
    setup.wavelength_nm = 260.0;
    const sim::Series series = sim::simulate_series(setup);
    std::string error;
    const std::string path = f.dir.file("00003.RA2");
    ASSERT_TRUE(sim::write_scan(path, series.scans[2], error)) << error;
    read_scan_file(f.s(), path, 1);
    EXPECT_EQ(f.s().set_point_count[1], static_cast<int32_t>(series.scans[2].points.size()));
    EXPECT_NEAR(f.s().set_time[1], series.scans[2].time_s, 0.5);
    EXPECT_EQ(f.s().set_header[1][HeaderFact::speed], 14000.0);
    EXPECT_EQ(f.s().set_header[1][HeaderFact::wavelength], 260.0);
    EXPECT_EQ(f.s().set_header[1][HeaderFact::cell], 2.0);
    // The third column is kept as the replicate SD (written to 5 decimals);
    // a file of two columns has none.
    EXPECT_NEAR(f.s().raw_points[1].sd, series.scans[2].points[0].sd, 0.5e-5);
    sim::Scan two_columns = series.scans[1];
    two_columns.has_sd = false;
    ASSERT_TRUE(sim::write_scan(path, two_columns, error)) << error;
    read_scan_file(f.s(), path, 2);
    EXPECT_EQ(f.s().raw_points[static_cast<size_t>(first_raw_index(f.s(), 2))].sd, kNoDeviation);
}

TEST(Simulator, PointsAreUnevenlySpacedWithinTheStatedSteps) {
    sim::SeriesSetup setup;
    setup.scans = 1;
    const sim::Scan scan = sim::simulate_series(setup).scans[0];
    double smallest = 1.0, largest = 0.0;
    for (size_t i = 1; i < scan.points.size(); ++i) {
        const double d = scan.points[i].r - scan.points[i - 1].r;
        smallest = std::min(smallest, d);
        largest = std::max(largest, d);
    }
    EXPECT_GE(smallest, setup.min_step_cm - 1e-12);
    EXPECT_LE(largest, setup.max_step_cm + 1e-12);
    EXPECT_GT(largest, 3.0 * smallest);
}

// At the truth's t_eq the model's worst radius lies the tolerance from its
// final profile, by construction of the tolerance rule.
TEST(Simulator, TruthEquilibriumTimeIsWhereTheApproachFallsToTheTolerance) {
    sim::SeriesSetup setup;
    setup.tau_h = 5.0;
    setup.speed_start_h = 10.0;
    const sim::SeriesTruth truth = sim::series_truth(setup);
    double worst = 0.0;
    for (size_t c = 0; c < truth.channels.size(); ++c)
        for (double r : truth.channels[c].radii)
            worst = std::max(
                worst, std::fabs(sim::model_value(setup, static_cast<int>(c), r, truth.t_eq_h) -
                                 sim::model_value(setup, static_cast<int>(c), r, 1e6)));
    EXPECT_NEAR(worst, truth.tolerance_od, 1e-9);
    EXPECT_GT(truth.t_eq_h, setup.speed_start_h);
}

TEST(Simulator, ChunkedAndHeaderFirstWritesEndInTheWholeFile) {
    testing::ScratchDir dir;
    sim::SeriesSetup setup;
    setup.scans = 1;
    const sim::Scan scan = sim::simulate_series(setup).scans[0];
    std::string error;
    ASSERT_TRUE(sim::write_header_only(dir.file("a"), scan, error));
    EXPECT_EQ(test_support::read_file(dir.file("a")), sim::header_text(scan));
    ASSERT_TRUE(sim::write_in_chunks(dir.file("a"), sim::scan_text(scan), 4, 1, error));
    EXPECT_EQ(test_support::read_file(dir.file("a")), sim::scan_text(scan));
}

TEST(Simulator, RunFolderHoldsEverySeriesFileAndTheLogs) {
    testing::ScratchDir dir;
    sim::RunSpec setup;
    setup.speeds = {{10000.0, 2, 1.0, 3.0}, {14000.0, 2, 6.0, 3.0}};
    std::string error;
    const sim::RunTruth truth = sim::write_run(dir.path(), setup, {}, error);
    ASSERT_TRUE(error.empty()) << error;
    EXPECT_EQ(truth.series.size(), 2u * 2u * 3u);  // speeds x cells x wavelengths
    EXPECT_EQ(truth.files.size(), 24u);
    for (const sim::RunFile &file : truth.files)
        EXPECT_TRUE(std::filesystem::exists(dir.path() / file.name)) << file.name;
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "CELL1ABS.LOG"));
    EXPECT_NE(sim::truth_json(truth).find("\"t_eq_h\""), std::string::npos);
}

// ---- Velocity series ----------------------------------------------------

// The data cross half the plateau where the truth puts the half-height: a
// line through the points within kNearCm of it, less the scan's offset,
// crosses half the plateau within kCrossingToleranceCm (the time-invariant
// pattern, at most 0.024 fringes, over a boundary's slope of 15 fringes/cm
// or more).
constexpr double kNearCm = 0.003;
constexpr double kCrossingToleranceCm = 0.002;
// Beyond it the plateau: this many widths out the data, less the offset,
// are the truth's plateau within the pattern and the noise.
constexpr double kPlateauWidths = 3.0;
constexpr double kFringeTolerance = 0.03;
// Once the boundary is this many widths clear of the meniscus, its
// half-height is r_m exp(s omega^2 t) as the sedimentation equation says.
constexpr double kClearWidths = 3.0;
constexpr double kEquationToleranceCm = 1e-4;

double mean_between(const sim::Scan &scan, double from, double to) {
    double sum = 0.0;
    int n = 0;
    for (const sim::Point &p : scan.points)
        if (p.r >= from && p.r <= to) sum += p.value, ++n;
    return n > 0 ? sum / n : std::nan("");
}

// Where a least-squares line through the points within kNearCm of `at`
// reaches `level`.
double crossing(const sim::Scan &scan, double at, double level) {
    double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const sim::Point &p : scan.points)
        if (std::fabs(p.r - at) <= kNearCm) {
            const double x = p.r - at;
            n += 1, sx += x, sy += p.value, sxx += x * x, sxy += x * p.value;
        }
    const double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    const double intercept = (sy - slope * sx) / n;
    return at + (level - intercept) / slope;
}

class VelocitySimulation : public ::testing::TestWithParam<std::tuple<double, double>> {};

TEST_P(VelocitySimulation, BoundaryHalfHeightMovesAsTheTruthSays) {
    sim::VelocitySetup setup;
    setup.rpm = std::get<0>(GetParam());
    setup.s_svedberg = std::get<1>(GetParam());
    setup.scans = 30;
    setup.seed = 5;
    const sim::VelocitySeries series = sim::simulate_velocity_series(setup);
    ASSERT_EQ(series.scans.size(), 30u);
    double previous = setup.meniscus_cm;
    for (size_t k = 0; k < series.scans.size(); ++k) {
        SCOPED_TRACE("scan " + std::to_string(k + 1));
        const sim::Scan &scan = series.scans[k];
        const sim::VelocityScanTruth &t = series.truth.scans[k];
        EXPECT_TRUE(scan.interference);
        EXPECT_FALSE(scan.has_sd);
        EXPECT_GT(t.half_height_cm, previous);
        previous = t.half_height_cm;
        if (t.boundary_cm - setup.meniscus_cm > kClearWidths * t.width_cm) {
            EXPECT_NEAR(t.half_height_cm,
                        setup.meniscus_cm * std::exp(setup.s_svedberg * 1e-13 * t.omega2t),
                        kEquationToleranceCm);
        }
        const double h = t.half_height_cm;
        EXPECT_NEAR(crossing(scan, h, t.offset_fringes + 0.5 * t.plateau_fringes), h,
                    kCrossingToleranceCm);
        const double plateau = h + kPlateauWidths * t.width_cm;
        EXPECT_NEAR(mean_between(scan, plateau, plateau + 0.05) - t.offset_fringes,
                    t.plateau_fringes, kFringeTolerance);
    }
}

INSTANTIATE_TEST_SUITE_P(Speeds, VelocitySimulation,
                         ::testing::Combine(::testing::Values(40000.0, 50000.0),
                                            ::testing::Values(3.0, 10.0)));

TEST(VelocitySimulationFiles, ReaderTakesTheInterferenceFileAndItsTimeLine) {
    testing::Fixture f;
    sim::VelocitySetup setup;
    setup.scans = 2;
    const sim::VelocitySeries series = sim::simulate_velocity_series(setup);
    const std::string path = f.dir.file("00002.IP1");
    std::string error;
    ASSERT_TRUE(sim::write_scan(path, series.scans[1], error)) << error;
    EXPECT_EQ(sim::header_text(series.scans[1]).substr(series.scans[1].description.size() + 2, 2),
              "P ");
    read_scan_file(f.s(), path, 1);
    EXPECT_EQ(f.s().set_point_count[1], static_cast<int32_t>(series.scans[1].points.size()));
    EXPECT_NEAR(f.s().set_time[1], series.truth.scans[1].time_s, 0.5);
    EXPECT_EQ(f.s().set_header[1][HeaderFact::speed], setup.rpm);
    EXPECT_EQ(f.s().raw_points[1].sd, kNoDeviation);
}

}  // namespace
}  // namespace quillane
