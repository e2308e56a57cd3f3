// SPDX-License-Identifier: MIT
// quillane-batch --watch --each-series on a simulated run of two speeds:
// once every series at the speed the rotor runs at has reached
// equilibrium, the watch says once that the speed can be changed.
#include "batch_support.h"
#include "instrument_sim.h"

namespace {

using namespace batch_test;

TEST_F(BatchRun, AWatchOfEverySeriesSaysOnceWhenTheSpeedCanBeChanged) {
    // A two-channel cell at two wavelengths, twelve scans 3 h apart at each
    // speed: long enough for every series to settle (t_eq 27-30 h after
    // each speed is reached, the last scan at 35 h).
    quillane::sim::RunSpec plan;
    plan.cells = {{2, quillane::sim::Centerpiece::two_channel, {}}};
    plan.speeds = {{10000.0, 12, 3.0, 6.0}, {14000.0, 12, 3.0, 6.0}};
    plan.wavelengths_nm = {280.0, 260.0};
    std::string error;
    quillane::sim::write_run(dir / "run", plan, {}, error);
    ASSERT_TRUE(error.empty()) << error;

    const Outcome r = run({"--watch", "run", "--each-series", "--column", "1", "--interval", "0.1",
                           "--until-equilibrium"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::string line =
        "\nall 2 series at 14,000 rpm reached equilibrium: the speed can be changed\n";
    EXPECT_CONTAINS(r.out, line);
    EXPECT_EQ(r.out.find(line), r.out.rfind(line)) << r.out;
    // The rotor has left the first speed: nothing is said of it.
    EXPECT_EQ(r.out.find("10,000 rpm reached equilibrium"), std::string::npos) << r.out;
}

}  // namespace
