// SPDX-License-Identifier: MIT
// The exact F quantile beside the approximation: published table values, the
// approximation's known error, the shared argument checks, and the switch
// that makes the fit's F lines use it.
#include "fit_fquantile.h"
#include "fit_fstat.h"
#include "fit_match.h"
#include "fit_test_support.h"
#include "test_support.h"

namespace quillane::testing {
namespace {

// Printed tables give three decimals.
constexpr double kThreeDecimals = 5e-4;

TEST(ExactFQuantile, MatchesTheTabulatedUpperFivePercentPoints) {
    EXPECT_TRUE(close_to(fstat_exact(4, 4, 0.95), 6.388, kThreeDecimals));
    EXPECT_TRUE(close_to(fstat_exact(10, 10, 0.95), 2.978, kThreeDecimals));
    EXPECT_TRUE(close_to(fstat_exact(20, 10, 0.95), 2.774, kThreeDecimals));
    EXPECT_TRUE(close_to(fstat_exact(1, 1, 0.95), 161.448, kThreeDecimals));
    EXPECT_TRUE(close_to(fstat_exact(5, 5, 0.99), 10.967, kThreeDecimals));
}

TEST(ExactFQuantile, ShowsTheApproximationTwoAndAHalfPercentHighAtFourDegreesOfFreedom) {
    const double error = fstat(4, 4, 0.95) / fstat_exact(4, 4, 0.95) - 1.0;
    EXPECT_TRUE(close_to(error, 0.0254, 5e-4));
    // With many degrees of freedom the two agree to a few parts in 10^5.
    EXPECT_TRUE(close_to(fstat(382, 707, 0.95) / fstat_exact(382, 707, 0.95), 1.0, 1e-4));
}

TEST(ExactFQuantile, RefusesTheSameArgumentsWithTheSameMessages) {
    for (const auto &[n, m, P] :
         {std::tuple{10, 10, 0.5}, {10, 10, 1.0}, {0, 5, 0.95}, {5, -1, 0.95}}) {
        std::string approximate, exact;
        EXPECT_EQ(fstat(n, m, P, &approximate), 0.0);
        EXPECT_EQ(fstat_exact(n, m, P, &exact), 0.0);
        EXPECT_FALSE(exact.empty());
        EXPECT_EQ(exact, approximate) << n << " " << m << " " << P;
    }
}

TEST(ExactFQuantile, TheStateChoosesTheMethod) {
    Fixture f;
    EXPECT_EQ(critical_f(f.s(), 4, 4, 0.95), fstat(4, 4, 0.95)) << "the approximation by default";
    f.s().exact_f = true;
    EXPECT_EQ(critical_f(f.s(), 4, 4, 0.95), fstat_exact(4, 4, 0.95));
}

TEST(StudentTQuantile, GivesTheTabulatedTwoSidedPoints) {
    EXPECT_TRUE(close_to(student_t_two_sided(3, 0.95), 3.182, kThreeDecimals));
    EXPECT_TRUE(close_to(student_t_two_sided(10, 0.95), 2.228, kThreeDecimals));
    EXPECT_EQ(student_t_two_sided(0, 0.95), 0.0);
    EXPECT_EQ(student_t_two_sided(5, 1.0), 0.0);
}

TEST(ExactFQuantile, TheFitsFLinesUseItWhenChosen) {
    // Five points per set: the F line is F(4, 4), where the methods differ
    // in the second decimal.
    Fixture f;
    f.s().differ_span = 5;
    const std::vector<double> x = uneven_grid(18.0, 0.1, 5, 2);
    load_active_sets(f.s(), {{x, values_at(x, [](double v) { return v; })},
                             {x, values_at(x, [](double v) { return v + 0.1; })}});
    auto f_lines = [&] {
        fit_all(f.s(), 1);
        return lines_with(f.new_out_lines(), " F(NDF,NDF,1-P) =");
    };
    f.new_out_lines();
    EXPECT_EQ(f_lines().front(), " F(NDF,NDF,1-P) =  6.551 at 95.00% confidence level");
    f.s().exact_f = true;
    EXPECT_EQ(f_lines().front(), " F(NDF,NDF,1-P) =  6.388 at 95.00% confidence level");
}

}  // namespace
}  // namespace quillane::testing
