// SPDX-License-Identifier: MIT
// Numbers in reports and files do not depend on the locale of the program
// that loaded the library: a front end running under a decimal-comma locale
// must still get decimal points, and read them back.
#include <gtest/gtest.h>

#include <array>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "free_input.h"
#include "ftn_format.h"
#include "plot_file_reader.h"
#include "test_support.h"

namespace quillane {
namespace {

// Switches LC_NUMERIC to a German locale built in a scratch folder, and back.
class DecimalCommaLocale {
  public:
    DecimalCommaLocale() {
        const std::string make =
            "localedef -i de_DE -f UTF-8 " + dir_.file("de_DE.UTF-8") + " >/dev/null 2>&1";
        if (std::system(make.c_str()) != 0) return;
        setenv("LOCPATH", dir_.path().c_str(), 1);
        active_ = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
        char probe[16];
        std::snprintf(probe, sizeof probe, "%.1f", 2.5);
        active_ = active_ && std::string(probe) == "2,5";
    }
    ~DecimalCommaLocale() {
        std::setlocale(LC_NUMERIC, "C");
        unsetenv("LOCPATH");
    }
    bool active() const { return active_; }

  private:
    testing::ScratchDir dir_;
    bool active_ = false;
};

TEST(Locale, NumbersAreWrittenWithADecimalPointUnderADecimalCommaLocale) {
    DecimalCommaLocale locale;
    if (!locale.active()) GTEST_SKIP() << "no decimal-comma locale can be made here";
    EXPECT_EQ(ftn::general(2.5), "   2.50000    ");
    EXPECT_EQ(ftn::general(0.05), "  5.000000E-02");
    EXPECT_EQ(ftn::fixed(2.98567, 7, 3), "  2.986");
    EXPECT_EQ(ftn::sci(1.2345e-3, 11, 4), " 1.2345D-03");
    EXPECT_EQ(ftn::general(123456.7), "   123457.    ");
}

TEST(Locale, ScanAndPlotFilesAreReadWithADecimalPointUnderADecimalCommaLocale) {
    DecimalCommaLocale locale;
    if (!locale.active()) GTEST_SKIP() << "no decimal-comma locale can be made here";
    std::array<double, 3> v{};
    ASSERT_EQ(read_free_numbers("6.125 +0.25 1.5D-2", v), FreeRead::ok);
    EXPECT_EQ(v[0], 6.125);
    EXPECT_EQ(v[1], 0.25);
    EXPECT_EQ(v[2], 0.015);

    std::istringstream plot(
        " heading\r\n second\r\n x\r\n y\r\n              1\r\n"
        "     6.50000        0.500000        0.00000         3\r\n");
    plotfile::PlotData data;
    ASSERT_EQ(plotfile::read_plot_file(plot, data), plotfile::ReadStatus::ok);
    ASSERT_EQ(data.count, 1);
    EXPECT_EQ(data.points[0].x, 6.5f);
    EXPECT_EQ(data.points[0].y, 0.5f);
    EXPECT_EQ(data.points[0].code, 3);
}

}  // namespace
}  // namespace quillane
