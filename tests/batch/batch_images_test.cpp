// SPDX-License-Identifier: MIT
// quillane-batch --images: every kept plot file drawn as an image file
// beside it, the formats and sizes, the picture itself, and what happens
// when a plot cannot be drawn.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "batch_support.h"

#ifdef QUILLANE_BATCH_IMAGES
#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>
#endif

namespace {

using namespace batch_test;

// Scan files and kept plots of the runs below: four sets give three data
// plots and five result graphs.
constexpr int kScans = 4;
[[maybe_unused]] constexpr int kKeptPlots = 8;  // only the image tests count them

std::vector<std::string> with_scans(std::vector<std::string> args,
                                    const std::vector<std::string> &scans) {
    args.insert(args.end(), scans.begin(), scans.end());
    return args;
}

class BatchImages : public BatchRun {
  protected:
    std::vector<std::string> scans() {
        std::vector<std::string> names;
        for (int k = 1; k <= kScans; ++k)
            names.push_back(scan(k));
        return names;
    }
};

#ifndef QUILLANE_BATCH_IMAGES

TEST_F(BatchImages, ImagesAreRefusedByARunnerBuiltWithoutTheFrontEnd) {
    for (const char *option : {"--images", "--image-size"}) {
        const Outcome r = run(with_scans({option, "png"}, scans()));
        EXPECT_EQ(r.exit_code, 2) << option;
        EXPECT_CONTAINS(r.err, std::string(option) + " is not available");
        EXPECT_CONTAINS(r.err, "built without the plot drawing (QUILLANE_BUILD_RENDER=OFF");
    }
    EXPECT_FALSE(fs::exists(dir / "quillane-report.txt"));
    EXPECT_CONTAINS(run({"--help"}).out, "(--images and --image-size are not available");
}

#else

std::string numbered(int i, const char *suffix) {
    char name[32];
    std::snprintf(name, sizeof name, "plot_%03d.%s", i, suffix);
    return name;
}

int count_files(const fs::path &folder, const std::string &suffix) {
    int n = 0;
    for (const auto &entry : fs::directory_iterator(folder))
        if (entry.path().extension() == suffix) ++n;
    return n;
}

// ---- the command line: refused before any work ----

TEST_F(BatchImages, AnUnknownImageFormatIsRefusedBeforeAnyWork) {
    const Outcome r = run(with_scans({"--images", "jpg"}, scans()));
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_CONTAINS(r.err, "quillane-batch: --images must be png, bmp, svg or pdf, not \"jpg\"");
    EXPECT_CONTAINS(r.err, "Try --help");
    EXPECT_FALSE(fs::exists(dir / "quillane-report.txt"));
    EXPECT_FALSE(fs::exists(dir / "plots"));

    EXPECT_CONTAINS(run({"--images"}).err, "--images needs a value");
}

TEST_F(BatchImages, AnImageSizeMustBeTwoWholeNumbersInRangeAndComesWithImages) {
    for (const char *size :
         {"1200", "1200x", "x900", "1200x900x2", "12.5x900", "99x900", "1200x10001", "-1200x900"}) {
        const Outcome r = run(with_scans({"--images", "png", "--image-size", size}, {}));
        EXPECT_EQ(r.exit_code, 2) << size;
        EXPECT_CONTAINS(r.err,
                        "--image-size needs WIDTHxHEIGHT, such as 1200x900, each 100 to "
                        "10000");
    }
    const Outcome r = run(with_scans({"--image-size", "640x480"}, scans()));
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_CONTAINS(r.err, "--image-size needs --images");
    EXPECT_CONTAINS(run({"--help"}).out, "--images FORMAT");
}

// ---- a whole run ----

TEST_F(BatchImages, EveryKeptPlotGetsAPngOfTheDefaultSizeBesideItWithoutADisplay) {
    // No display and no platform chosen: the runner must still draw.
    const Outcome r = run(with_scans({"--plots", "plots", "--images", "PNG"}, scans()),
                          {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(count_files(dir / "plots", ".dat"), kKeptPlots);
    EXPECT_EQ(count_files(dir / "plots", ".png"), kKeptPlots);
    for (int i = 0; i < kKeptPlots; ++i) {
        const QImage image(QString::fromStdString((dir / "plots" / numbered(i, "png")).string()));
        ASSERT_FALSE(image.isNull()) << numbered(i, "png");
        EXPECT_EQ(image.width(), 1200) << numbered(i, "png");
        EXPECT_EQ(image.height(), 900) << numbered(i, "png");
    }
    EXPECT_CONTAINS(r.out, "quillane-batch: image plots/plot_000.png\n");
    EXPECT_CONTAINS(r.out, "quillane-batch: image plots/plot_007.png\n");
    EXPECT_CONTAINS(r.out, "quillane-batch: 8 png images written beside them");
    EXPECT_EQ(r.err.find("warning"), std::string::npos) << r.err;
}

TEST_F(BatchImages, ADisplayThatCannotBeReachedDoesNotStopTheDrawing) {
    // Nothing is shown, so no display is asked for; a display platform
    // would end the process here.
    const Outcome r = run(with_scans({"--images", "png"}, scans()),
                          {"DISPLAY=:97531", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(count_files(dir / "plots", ".png"), kKeptPlots);
}

// The plot area is the one white rectangle of the picture (the surface
// around it is light grey, text and frame black): returns its bounds.
QRect whiteArea(const QImage &image) {
    int left = image.width(), right = -1, top = image.height(), bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != qRgb(255, 255, 255)) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

TEST_F(BatchImages, TheRawDataPictureShowsEverySetInItsOwnColourOnAWhitePlotArea) {
    // Sets 30 % apart, so the symbols of one do not hide those of another.
    std::vector<std::string> apart;
    for (int k = 1; k <= kScans; ++k)
        apart.push_back(scan(k, 120, 0.3));
    const Outcome r = run(with_scans({"--images", "png"}, apart));
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const QImage image(QString::fromStdString((dir / "plots" / "plot_000.png").string()));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(QColor(image.pixel(0, 0)), QColor(240, 240, 240));  // the surface

    const QRect area = whiteArea(image);
    ASSERT_FALSE(area.isEmpty());
    EXPECT_GT(area.width(), image.width() / 2);
    EXPECT_GT(area.height(), image.height() / 2);
    // Sets 2, 3 and 4 are drawn in red, green and blue (set 1 in black,
    // which the tick marks share).  Symbols are smoothed into the paper, so
    // a pixel counts by its dominant channel.
    constexpr int kDominance = 60;
    auto dominant = [](int c, int other1, int other2) {
        return c > other1 + kDominance && c > other2 + kDominance;
    };
    int white = 0, red = 0, green = 0, blue = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            const int r = qRed(p), g = qGreen(p), b = qBlue(p);
            white += p == qRgb(255, 255, 255);
            red += dominant(r, g, b);
            green += dominant(g, r, b);
            blue += dominant(b, r, g);
        }
    }
    const int pixels = area.width() * area.height();
    EXPECT_GT(white, pixels / 2) << "the plot area is mostly empty paper";
    // Each set has 120 symbols of a dozen or more pixels each, many hidden
    // by the sets drawn over them; a few dozen pixels of each suffice.
    constexpr int kSomeSymbolPixels = 50;
    EXPECT_GT(red, kSomeSymbolPixels);
    EXPECT_GT(green, kSomeSymbolPixels);
    EXPECT_GT(blue, kSomeSymbolPixels);
}

TEST_F(BatchImages, SvgAndPdfPagesAreTenBySevenAndAHalfInches) {
    Outcome r = run(with_scans({"--plots", "svg", "--images", "svg"}, scans()));
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(count_files(dir / "svg", ".svg"), kKeptPlots);
    for (int i = 0; i < kKeptPlots; ++i) {
        const std::string svg = read_file(dir / "svg" / numbered(i, "svg"));
        EXPECT_TRUE(svg.rfind("<?xml", 0) == 0 || svg.find("<svg") != std::string::npos)
            << numbered(i, "svg");
        EXPECT_CONTAINS(svg, "<svg width=\"254mm\" height=\"190.5mm\"");
        EXPECT_CONTAINS(svg, "viewBox=\"0 0 960 720\"");
        EXPECT_CONTAINS(svg, "</svg>");
    }

    r = run(with_scans({"--plots", "pdf", "--images", "pdf"}, scans()));
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(count_files(dir / "pdf", ".pdf"), kKeptPlots);
    const std::string pdf = read_file(dir / "pdf" / "plot_003.pdf");
    EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
    EXPECT_CONTAINS(pdf, "/MediaBox [0 0 720");  // points: 10 inches wide
    EXPECT_CONTAINS(pdf, "540");
}

TEST_F(BatchImages, APictureNamesTheReportByItsFileNameWithoutTheFoldersOfTheMachine) {
    const std::string report = (dir / "report.txt").string();
    const Outcome r = run(with_scans({"--out", report, "--images", "svg"}, scans()));
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_CONTAINS(read_file(dir / "plots" / "plot_000.dat"), "Outfile: " + report);
    for (int i = 0; i < kKeptPlots; ++i) {
        const std::string svg = read_file(dir / "plots" / numbered(i, "svg"));
        EXPECT_EQ(svg.find(dir.string()), std::string::npos) << numbered(i, "svg");
    }
    EXPECT_CONTAINS(read_file(dir / "plots" / "plot_000.svg"), "Outfile: report.txt");
}

TEST_F(BatchImages, BitmapsTakeTheChosenSize) {
    const Outcome r = run(with_scans({"--images", "bmp", "--image-size", "640X480"}, scans()));
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(count_files(dir / "plots", ".bmp"), kKeptPlots);
    const QImage image(QString::fromStdString((dir / "plots" / "plot_005.bmp").string()));
    EXPECT_EQ(image.size(), QSize(640, 480));
    EXPECT_EQ(read_file(dir / "plots" / "plot_005.bmp").substr(0, 2), "BM");
}

// ---- trouble ----

TEST_F(BatchImages, APlotThatCannotBeDrawnIsNamedAndTheOthersAreStillDrawn) {
    // A folder in the way of one image file.
    fs::create_directories(dir / "plots" / "plot_003.png");
    const Outcome r = run(with_scans({"--images", "png"}, scans()));
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_CONTAINS(r.err,
                    "quillane-batch: cannot draw plots/plot_003.dat (result graph: RMS "
                    "deviations against time) as plots/plot_003.png: ");
    EXPECT_CONTAINS(r.err, "quillane-batch: 1 of 8 plot files could not be drawn");
    EXPECT_CONTAINS(r.out, "quillane-batch: 7 png images written beside them");
    for (int i = 0; i < kKeptPlots; ++i) {
        if (i == 3) continue;
        EXPECT_TRUE(fs::is_regular_file(dir / "plots" / numbered(i, "png"))) << i;
    }
    EXPECT_CONTAINS(r.out, "quillane-batch: report written to quillane-report.txt");
}

TEST_F(BatchImages, IdenticalValuesAreWarnedAboutAndStillDrawn) {
    // Three equal scans: every deviation, RMS value and offset is 0.
    const Outcome r =
        run({"--images", "png", scan(1, 120, 0.0), scan(2, 120, 0.0), scan(3, 120, 0.0)});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_CONTAINS(r.err,
                    "quillane-batch: warning: plots/plot_003.dat (result graph: RMS "
                    "deviations against time): All Y values are identical.");
    EXPECT_EQ(r.err.find("plots/plot_000.dat"), std::string::npos) << r.err;
    EXPECT_EQ(count_files(dir / "plots", ".png"), kKeptPlots);
}

TEST_F(BatchImages, PlotFilesAreReadWithADecimalPointWhateverTheUsersLocale) {
    // Qt hands the user's locale to the C library; a decimal comma would
    // cut every number of the plot files short.  The locale is built in the
    // scratch folder, where the system allows it.
    const fs::path locales = dir / "locales";
    fs::create_directories(locales);
    const std::string make =
        "localedef -i de_DE -f UTF-8 " + (locales / "de_DE.UTF-8").string() + " >/dev/null 2>&1";
    if (std::system(make.c_str()) != 0) GTEST_SKIP() << "no de_DE locale can be built here";

    const std::string locpath = "LOCPATH=" + locales.string();
    const Outcome r =
        run(with_scans({"--images", "png"}, scans()), {locpath, "LC_ALL=de_DE.UTF-8"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.err.find("identical"), std::string::npos) << r.err;
    const QImage image(QString::fromStdString((dir / "plots" / "plot_000.png").string()));
    ASSERT_FALSE(image.isNull());
    EXPECT_GT(whiteArea(image).width(), image.width() / 2);
}

#endif

}  // namespace
