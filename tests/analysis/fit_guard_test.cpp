// SPDX-License-Identifier: MIT
// What the fit does with too little to compare, and the checked result
// tables.
#include <dlfcn.h>

#include <cmath>
#include <stdexcept>

#include "fit_match.h"
#include "fit_test_support.h"
#include "test_support.h"

namespace quillane::testing {
namespace {

class FitGuard : public ::testing::Test {
  protected:
    Fixture f;
    State &s() { return f.s(); }
    FitResults &r() { return f.s().fit; }

    void load(const std::vector<SetPoints> &sets) {
        s().differ_span = 2;
        s().differ_terms = 1;
        load_active_sets(s(), sets);
        f.new_out_lines();
        f.box.lines.clear();
    }

    // No number of the report may be undefined or overflow its field.
    void expect_only_finite_numbers() {
        for (const auto &line : f.out_lines()) {
            EXPECT_EQ(line.find("NaN"), std::string::npos) << line;
            EXPECT_EQ(line.find("Inf"), std::string::npos) << line;
            EXPECT_EQ(line.find('*'), std::string::npos) << line;
        }
        for (int k = 1; k <= 3; ++k) {
            EXPECT_TRUE(std::isfinite(r().fit_avg_var[k]));
            EXPECT_TRUE(std::isfinite(r().fit_avg_rms[k]));
        }
    }
};

SetPoints ramp(int n, double shift) {
    SetPoints p;
    for (int m = 1; m <= n; ++m) {
        p.x.push_back(17.0 + 0.1 * m);
        p.y.push_back(0.01 * m * m + shift);
    }
    return p;
}

TEST_F(FitGuard, AReferenceSetOfThreePointsIsNotComparedAndSaysWhy) {
    load({ramp(3, 0.0), ramp(10, 0.5)});
    r().pair_rss(1, 1, 2) = r().pair_x_offset(1, 2) = 5.0;  // left by an earlier fit
    fit_all(s(), 1);
    expect_only_finite_numbers();
    const auto file = f.out_lines();
    EXPECT_EQ(lines_with(file,
                         " Ref  1 DS  2 not compared: the reference set has     3 points, "
                         "at least 4 are needed")
                  .size(),
              1u);
    EXPECT_EQ(lines_with(file, " F(NDF,NDF,1-P)").size(), 1u) << "only the pair that was compared";
    EXPECT_EQ(lines_with(file, " Ref  2 DS  1 VAR:").size(), 3u);
    EXPECT_EQ(r().pair_rss(1, 1, 2), 0.0);
    EXPECT_EQ(r().pair_x_offset(1, 2), 0.0);
    for (int m = 1; m <= 3; ++m)
        EXPECT_EQ(r().ref_deviations(1, 2, m), 0.0f);
    EXPECT_EQ(r().averaged_pairs, 1);
    EXPECT_EQ(r().fit_avg_var[1], r().pair_rss(1, 2, 1));
    const std::string note =
        " Averaged over    1 of    2 pairs: the others could not be compared (see the output file)";
    EXPECT_EQ(lines_with(file, note).size(), 1u);
    EXPECT_EQ(lines_with(f.box.trimmed(), note).size(), 1u);
}

TEST_F(FitGuard, FourPointsAreEnoughForEveryFitKind) {
    load({ramp(4, 0.0), ramp(4, 0.25)});
    fit_all(s(), 1);
    expect_only_finite_numbers();
    EXPECT_EQ(r().averaged_pairs, 2);
    EXPECT_TRUE(lines_with(f.out_lines(), "not compared").empty());
}

TEST_F(FitGuard, AComparedSetWithoutPointsIsNotCompared) {
    load({ramp(10, 0.0), SetPoints{}});
    fit_all(s(), 1);
    expect_only_finite_numbers();
    const auto file = f.out_lines();
    EXPECT_EQ(lines_with(file, " Ref  1 DS  2 not compared: the compared set has no points").size(),
              1u);
    EXPECT_EQ(
        lines_with(file, " Ref  2 DS  1 not compared: the reference set has     0 points").size(),
        1u);
    const std::string none = " No pair of active data sets could be compared: no averages";
    EXPECT_EQ(lines_with(file, none).size(), 1u);
    EXPECT_EQ(lines_with(f.box.trimmed(), none).size(), 1u);
    EXPECT_EQ(r().averaged_pairs, 0);
}

TEST_F(FitGuard, OneActiveSetGivesNoAveragesInsteadOfDividingByZero) {
    load({ramp(10, 0.0)});
    r().fit_avg_var[1] = 9.0;
    fit_all(s(), 1);
    expect_only_finite_numbers();
    const std::string why = " A fit needs at least two active data sets: no averages";
    EXPECT_EQ(f.box.trimmed(),
              (std::vector<std::string>{
                  "  Indices of data points for all channels",
                  " Data set:  1 from    1 to   10    Original Data Set:  1",
                  " Differentiated data set # 1 with span of   2 using a polynomial "
                  "with 1 terms",
                  " Average values of variance and RMS:", why, ""}));
    EXPECT_EQ(lines_with(f.out_lines(), why).size(), 1u);
    EXPECT_EQ(r().fit_avg_var[1], 0.0);
}

TEST_F(FitGuard, NoActiveSetAtAllIsReportedTheSameWay) {
    load({});
    fit_all(s(), 1);
    expect_only_finite_numbers();
    EXPECT_EQ(lines_with(f.out_lines(), " A fit needs at least two active data sets").size(), 1u);
}

TEST(FitExport, RunsTheFitOnTheLibrarysOwnState) {
    void *lib = dlopen(QUILLANE_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    auto init_namwr = reinterpret_cast<void (*)(const char *, int32_t)>(dlsym(lib, "init_namwr"));
    auto initcommons = reinterpret_cast<void (*)(const int32_t *)>(dlsym(lib, "initcommons"));
    auto fit_allB = reinterpret_cast<void (*)(const int32_t *)>(dlsym(lib, "fit_allB"));
    ASSERT_TRUE(init_namwr && initcommons && fit_allB);
    ScratchDir dir;
    const std::string out = dir.file("report.txt");
    init_namwr(out.c_str(), static_cast<int32_t>(out.size()));
    const int32_t no_echo = 0, ref = 1;
    initcommons(&no_echo);
    fit_allB(&ref);  // no active set: the fit says so instead of dividing by zero
    EXPECT_NE(read_file(out).find(" A fit needs at least two active data sets"), std::string::npos)
        << read_file(out);
    dlclose(lib);
}

TEST(FitTables, RefuseIndicesOutsideTheirRange) {
    FitResults r;
    EXPECT_THROW(r.pair_rss(0, 1, 1), std::out_of_range);
    EXPECT_THROW(r.pair_rms(4, 1, 1), std::out_of_range);
    EXPECT_THROW(r.pair_y_offset(1, 51, 1), std::out_of_range);
    EXPECT_THROW(r.pair_x_offset(1, 0), std::out_of_range);
    EXPECT_NO_THROW(r.pair_rss(3, 50, 50));
    r.ref_deviations.resize(5);
    EXPECT_THROW(r.ref_deviations(1, 1, 0), std::out_of_range);
    EXPECT_THROW(r.ref_deviations(1, 1, 6), std::out_of_range);
    EXPECT_THROW(r.ref_deviations(0, 1, 1), std::out_of_range);
    EXPECT_THROW(r.ref_deviations(1, 51, 1), std::out_of_range);
    EXPECT_NO_THROW(r.ref_deviations(3, 50, 5));
}

TEST(FitTables, DeviationsKeepTheirPlacesWhenTheTableChangesLength) {
    DeviationTable t;
    EXPECT_EQ(t.points(), 0);
    EXPECT_TRUE(t.row(2, 7).empty());
    t.resize(4);
    for (int m = 1; m <= 4; ++m)
        t(2, 7, m) = static_cast<float>(m);
    t(3, 50, 4) = -1.0f;
    t.resize(6);
    for (int m = 1; m <= 4; ++m)
        EXPECT_EQ(t(2, 7, m), static_cast<float>(m));
    EXPECT_EQ(t(2, 7, 5), 0.0f);
    EXPECT_EQ(t(3, 50, 4), -1.0f);
    t.resize(2);
    EXPECT_EQ(t(2, 7, 2), 2.0f);
    EXPECT_EQ(t.row(2, 7).size(), 2u);
    EXPECT_EQ(t.row(2, 7)[1], 2.0f);
}

}  // namespace
}  // namespace quillane::testing
