// SPDX-License-Identifier: MIT
// Drawing a plot: tick rounding, the symbol of each series code, the axis
// factor and labels, the coordinate mappings, the rendered pixels, the
// legend and the pictures saved or printed.
#include <QPdfWriter>
#include <QTest>
#include <cmath>
#include <limits>

#include "plot_axes.h"
#include "plot_export.h"
#include "plot_file_control.h"
#include "plot_legend.h"
#include "plot_renderer.h"
#include "plot_scale.h"
#include "plot_style.h"
#include "plot_symbols.h"
#include "viewer_test_support.h"

using namespace quillane::viewer;
using namespace viewer_test;

namespace {

// A surface of 1350 x 1450 pixels gives exactly 10 pixels per plot unit:
// plot (px, py) lies at device (10 px + 250, 1200 - 10 py).
const QSize kTenPixelsPerUnit(1350, 1450);
QPoint device(double px, double py) {
    return QPoint(static_cast<int>(std::lround(10 * px + 250)),
                  static_cast<int>(std::lround(1200 - 10 * py)));
}

// Axes 0..10 on both sides, so a data unit is 10 plot units.
PlotAxes tenByTen() {
    PlotAxes axes;
    axes.x.lo = axes.y.lo = 0.0f;
    axes.x.hi = axes.y.hi = 10.0f;
    axes.x.ticks = axes.y.ticks = 6;
    axes.x.exponent = axes.y.exponent = "+00";
    return axes;
}

ViewerState withPoints(std::vector<quillane::plotfile::PlotPoint> points) {
    ViewerState state;
    state.data.points = std::move(points);
    state.data.count = static_cast<int32_t>(state.data.points.size());
    state.data.heading = "Heading";
    state.data.heading2 = "Second heading";
    state.data.x_label = "X";
    state.data.y_label = "Y";
    state.DataLoaded = true;
    return state;
}

QImage render(const ViewerState &state, const PlotAxes &axes, const PlotStyle &style,
              LimitLines limits = {}) {
    const PlotRenderer renderer(state, axes, style, limits);
    return renderPicture(QSizeF(kTenPixelsPerUnit),
                         [&](QPainter &painter, QSizeF size) { renderer.paint(painter, size); });
}

bool isWhite(QRgb pixel) {
    return sameColour(pixel, qRgb(255, 255, 255));
}
bool isDark(QRgb pixel) {
    return qRed(pixel) < 90 && qGreen(pixel) < 90 && qBlue(pixel) < 90;
}

void checkRounding(float lo, float hi, float want_lo, float want_hi, int want_n) {
    float out_lo = 0, out_hi = 0;
    int32_t n = 0;
    tickRound(lo, hi, out_lo, out_hi, n);
    QVERIFY2(out_lo == want_lo && out_hi == want_hi && n == want_n,
             qPrintable(QString("%1..%2 gave %3..%4 n=%5, wanted %6..%7 n=%8")
                            .arg(lo)
                            .arg(hi)
                            .arg(out_lo)
                            .arg(out_hi)
                            .arg(n)
                            .arg(want_lo)
                            .arg(want_hi)
                            .arg(want_n)));
}

}  // namespace

class PlotDrawingTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { quietOffscreenNotes(); }

    // The test double must follow the library's rule for the other tests
    // to mean anything.
    void theTickRoundingDoubleGivesTheWorkedResults() {
        checkRounding(0, 1, 0, 1.25f, 5);
        checkRounding(0.1f, 0.9f, 0, 1.0f, 8);
        checkRounding(6.5f, 7.2f, 6.375f, 7.25f, 7);
        checkRounding(-3, 17, -4, 20, 6);
        checkRounding(1, 1000, 0, 1200, 6);
        checkRounding(43.0f, 48.3f, 42, 49, 7);
        checkRounding(-14.52f, 3.47f, -16, 4, 10);
        checkRounding(-7.33f, 1.16f, -8, 2, 10);
        checkRounding(1.1f, 4.3f, 1.0f, 4.5f, 7);
        checkRounding(1.0001f, 4.3f, 0.5f, 4.5f, 8);
        checkRounding(0, 4.3f, 0, 5, 5);
        checkRounding(-5, -1, -6, -1, 5);
        checkRounding(100, 101, 99.75f, 101.25f, 6);
        checkRounding(0.2f, 0.5f, 0.1f, 0.6f, 5);
    }

    // ---- symbols ----
    void codeFifteenWithColoursFirstIsADarkBlueCircleAndSixteenABlackBox() {
        const Palette palette = InitColours();
        const SymbolLook fifteen = symbolFor(15, true);
        QCOMPARE(fifteen.shape, SymbolShape::circle);
        QCOMPARE(colourOf(palette, fifteen.colour_index), QColor(0, 63, 159));
        const SymbolLook sixteen = symbolFor(16, true);
        QCOMPARE(sixteen.shape, SymbolShape::box);
        QCOMPARE(colourOf(palette, sixteen.colour_index), QColor(0, 0, 0));
        QCOMPARE(symbolFor(31, true).shape, SymbolShape::triangle);
        QCOMPARE(symbolFor(46, true).shape, SymbolShape::diamond);
        QCOMPARE(symbolFor(90, true).shape, SymbolShape::diamond);
    }

    void symbolsFirstGivesFourShapesPerColour() {
        const Palette palette = InitColours();
        const SymbolShape shapes[] = {SymbolShape::circle, SymbolShape::box, SymbolShape::triangle,
                                      SymbolShape::diamond};
        for (int code = 1; code <= 8; ++code) {
            const SymbolLook look = symbolFor(code, false);
            QCOMPARE(look.shape, shapes[(code - 1) % 4]);
            QCOMPARE(colourOf(palette, look.colour_index),
                     code <= 4 ? QColor(0, 0, 0) : QColor(255, 0, 0));
        }
        QCOMPARE(colourOf(palette, symbolFor(60, false).colour_index), QColor(0, 63, 159));
    }

    void codesPastThePaletteWithSymbolsFirstTakeTheFixedOverflowColour() {
        const Palette palette = InitColours();
        for (int code : {61, 64, 65, 127}) {
            QCOMPARE(colourOf(palette, symbolFor(code, false).colour_index), kOverflowColour);
        }
        for (const QColor &entry : palette)
            QVERIFY(entry != kOverflowColour);
    }

    // ---- axis factor and labels ----
    void theExponentComesFromTheLimitOfSmallerMagnitude() {
        QCOMPARE(ExponentOf(0.0f, 250000.0f), QString("+05"));
        QCOMPARE(ExponentOf(-20.0f, 80.0f), QString("+00"));  // +01 is not shown
        QCOMPARE(ExponentOf(0.0f, 0.1f), QString("+00"));     // -01 is not shown
        QCOMPARE(ExponentOf(0.001f, 0.002f), QString("-03"));
        QCOMPARE(ExponentOf(-4000.0f, 0.0f), QString("+03"));
        QCOMPARE(ExponentOf(300.0f, -50000.0f), QString("+02"));
        QCOMPARE(ExponentOf(0.0f, 0.0f), QString("+00"));
    }

    void anAxisToTwoHundredFiftyThousandIsLabelledInUnitsOfTenToTheFifth() {
        ViewerState state = withPoints({{0.0f, 0.0f, 1}, {250000.0f, 1.0f, 1}});
        FindPlotRange(state);
        // Axis limits 0 and 250 000 in 5 intervals.
        const TickRounder fixed = [](float, float, float &lo, float &hi, int32_t &n) {
            lo = 0.0f;
            hi = 250000.0f;
            n = 5;
        };
        const PlotAxes axes = computeAxes(state, fixed, nullptr);
        QCOMPARE(axes.x.exponent, QString("+05"));
        QCOMPARE(axes.x_suffix, QString("  (10^+05)"));
        QStringList labels;
        for (int i = 0; i < axes.x.ticks; ++i)
            labels << tickLabel(axes.x.tickValue(i), axes.x.power);
        QCOMPARE(labels, QStringList({"0.000", "0.500", "1.000", "1.500", "2.000", "2.500"}));
        // The rounding rule itself widens 0..250 000 to 0..280 000, same factor.
        const PlotAxes rounded = computeAxes(state, tickRounder(), nullptr);
        QCOMPARE(rounded.x.hi, 280000.0f);
        QCOMPARE(rounded.x_suffix, QString("  (10^+05)"));
        QCOMPARE(rounded.y_suffix, QString());
    }

    void aYFactorHasOneLeadingBlank() {
        ViewerState state = withPoints({{0.0f, 0.001f, 1}, {1.0f, 0.002f, 1}});
        FindPlotRange(state);
        const PlotAxes axes = computeAxes(state, tickRounder(), nullptr);
        QCOMPARE(axes.y_suffix, " (10^" + axes.y.exponent + ")");
        QVERIFY(axes.y.exponent.startsWith('-'));
    }

    void tickLabelsHaveThreeDecimalsAndNoNegativeZero() {
        QCOMPARE(tickLabel(-0.5f, 1.0), QString("-0.500"));
        QCOMPARE(tickLabel(-1.0e-7f, 1.0), QString("0.000"));
        QCOMPARE(tickLabel(150000.0f, 1.0e5), QString("1.500"));
    }

    void identicalValuesAreWidenedWithAWarning() {
        ViewerState state = withPoints({{0.0f, 4.0f, 1}, {0.0f, 4.0f, 1}});
        FindPlotRange(state);
        std::vector<Notice> notices;
        const PlotAxes axes = computeAxes(state, tickRounder(), &notices);
        QCOMPARE(axes.x.lo, -2.0f);
        QCOMPARE(axes.x.hi, 2.0f);
        QCOMPARE(axes.x.ticks, 5);
        QCOMPARE(state.YMin, 2.0f);
        QCOMPARE(state.YMax, 8.0f);
        QVERIFY(axes.y.lo <= 2.0f && axes.y.hi >= 8.0f);
        QCOMPARE(notices.size(), size_t(2));
        QCOMPARE(notices[0].text, QString("WARNING:  All X values are identical."));
        QCOMPARE(notices[1].text, QString("WARNING:  All Y values are identical."));
        QCOMPARE(notices[1].title, QString("Data Error"));

        ViewerState negative = withPoints({{-3.0f, 1.0f, 1}, {-3.0f, 2.0f, 1}});
        FindPlotRange(negative);
        computeAxes(negative, tickRounder(), nullptr);
        QCOMPARE(negative.XMin, -6.0f);
        QCOMPARE(negative.XMax, -1.5f);
    }

    void theCoordinateReadoutHasFourAndThreeDecimals() {
        QCOMPARE(coordinateReadout(1234.5f, -0.5f), QString(" X= 1.2345E+03, Y= -5.000E-01"));
        QCOMPARE(coordinateReadout(0.0f, -0.0f), QString(" X= 0.0000E+00, Y= 0.000E+00"));
    }

    // ---- mappings ----
    void plotScaleMapsDataToPlotUnitsAndBack() {
        const PlotScale scale(0.0f, 250.0f, -1.0f, 1.0f, QSizeF(kTenPixelsPerUnit));
        QCOMPARE(scale.XScale(), 0.4f);
        QCOMPARE(scale.YScale(), 50.0f);
        QCOMPARE(scale.plotX(125.0f), 50.0f);
        QCOMPARE(scale.plotY(-1.0f), 0.0f);
        QCOMPARE(scale.plotY(0.5f), 75.0f);
        QCOMPARE(scale.dataX(50.0f), 125.0f);
        QCOMPARE(scale.dataY(25.0f), -0.5f);
    }

    void plotScaleMapsTheFrameOntoTheWholeSurface() {
        const PlotScale scale(0.0f, 1.0f, 0.0f, 1.0f, QSizeF(kTenPixelsPerUnit));
        QCOMPARE(scale.toDevice(-25, 120), QPointF(0, 0));
        QCOMPARE(scale.toDevice(110, -25), QPointF(1350, 1450));
        QCOMPARE(scale.toDevice(0, 0), QPointF(250, 1200));
        QCOMPARE(scale.toDevice(100, 100), QPointF(1250, 200));
        QCOMPARE(scale.toPlot(QPointF(750, 700)), QPointF(50, 50));
        QCOMPARE(scale.pixelsX(1.0), 10.0);
        QCOMPARE(scale.pixelsY(2.0), 20.0);
    }

    // ---- pixels ----
    void aFilledPointIsDrawnInItsColourAtItsPlace() {
        const ViewerState state = withPoints({{5.0f, 5.0f, 2}, {2.0f, 8.0f, 16}, {8.0f, 3.0f, 15}});
        PlotStyle style;
        style.FilledSymbols = true;
        const QImage image = render(state, tenByTen(), style);
        QVERIFY(sameColour(image.pixel(device(50, 50)), qRgb(255, 0, 0)));
        QVERIFY(sameColour(image.pixel(device(20, 80)), qRgb(0, 0, 0)));
        QVERIFY(sameColour(image.pixel(device(80, 30)), qRgb(0, 63, 159)));
        QVERIFY(isWhite(image.pixel(device(65, 65))));
    }

    void anOpenSymbolLeavesItsMiddleWhite() {
        const ViewerState state = withPoints({{5.0f, 5.0f, 2}});
        const QImage image = render(state, tenByTen(), PlotStyle{});
        QVERIFY(isWhite(image.pixel(device(50, 50))));
        // The outline of the circle of radius 0.65 units lies 6.5 pixels out.
        QVERIFY(countPixels(image, QRect(device(50, 50) + QPoint(5, -2), QSize(4, 5)),
                            qRgb(255, 255, 255)) < 20);
    }

    void smallSymbolsAreHalfTheSize() {
        const ViewerState state = withPoints({{5.0f, 5.0f, 2}});
        PlotStyle style;
        style.FilledSymbols = true;
        const int large = countPixels(render(state, tenByTen(), style),
                                      QRect(device(45, 55), device(55, 45)), qRgb(255, 0, 0));
        style.SymbolSize = 0.5;
        const int small = countPixels(render(state, tenByTen(), style),
                                      QRect(device(45, 55), device(55, 45)), qRgb(255, 0, 0));
        QVERIFY2(small * 3 < large && small > 0,
                 qPrintable(QString("%1 %2").arg(small).arg(large)));
    }

    void nothingIsDrawnForPointsOnTheAxisLimits() {
        const ViewerState state =
            withPoints({{0.0f, 5.0f, 2}, {10.0f, 5.0f, 2}, {5.0f, 0.0f, 2}, {5.0f, 10.0f, 2}});
        PlotStyle style;
        style.FilledSymbols = true;
        const QImage image = render(state, tenByTen(), style);
        // Just inside the frame, where half of each symbol would show.
        for (const QRect &inside :
             {QRect(device(0.3, 52), device(0.6, 48)), QRect(device(99.4, 52), device(99.7, 48)),
              QRect(device(48, 0.6), device(52, 0.3)), QRect(device(48, 99.7), device(52, 99.4))}) {
            QCOMPARE(countPixels(image, inside, qRgb(255, 0, 0)), 0);
        }
    }

    void lineCodesDrawABlackLineHeldToTheFrame() {
        // From (0, 5) towards (10, -100): y is held to the bottom edge.
        const ViewerState state = withPoints({{0.0f, 5.0f, -58}, {10.0f, -100.0f, -57}});
        const QImage image = render(state, tenByTen(), PlotStyle{});
        QVERIFY(isDark(image.pixel(device(50, 25))));
        QVERIFY(isWhite(image.pixel(device(50, 40))));
        PlotStyle omit;
        omit.OmitLines = true;
        QVERIFY(isWhite(render(state, tenByTen(), omit).pixel(device(50, 25))));
    }

    void aZeroLineRunsAcrossTheXRangeAtYZero() {
        PlotAxes axes = tenByTen();
        axes.y.lo = -5.0f;
        axes.y.hi = 5.0f;
        const ViewerState state =
            withPoints({{3.0f, 1.0f, 1}, {0.0f, 0.0f, -58}, {10.0f, 0.0f, -57}});
        const QImage image = render(state, axes, PlotStyle{});
        for (double px : {10.0, 50.0, 90.0})
            QVERIFY(isDark(image.pixel(device(px, 50))));
    }

    void aLineStartLeftOfTheAxisWaitsForAPointInside() {
        PlotAxes axes = tenByTen();
        axes.x.lo = 5.0f;  // the first line point lies left of the axis
        const ViewerState state =
            withPoints({{0.0f, 2.0f, -58}, {7.5f, 2.0f, -57}, {10.0f, 8.0f, -57}});
        const QImage image = render(state, axes, PlotStyle{});
        QVERIFY(isWhite(image.pixel(device(25, 20))));  // no segment to the first point
        QVERIFY(isDark(image.pixel(device(75, 50))));   // the segment from the second
    }

    void limitsModeDrawsTheLimitsAsBlueLines() {
        const ViewerState state = withPoints({{5.0f, 5.0f, 1}});
        LimitLines limits{true, 2.0, 7.0};
        const QImage image = render(state, tenByTen(), PlotStyle{}, limits);
        for (double px : {20.0, 70.0}) {
            bool blue = false;
            for (int dx = -1; dx <= 1; ++dx) {
                const QRgb pixel = image.pixel(device(px, 50) + QPoint(dx, 0));
                blue = blue || (qBlue(pixel) > 100 && qRed(pixel) < 128 && qGreen(pixel) < 128);
            }
            QVERIFY(blue);
        }
        QVERIFY(isWhite(render(state, tenByTen(), PlotStyle{}).pixel(device(20, 50))));
    }

    void anEmptyViewerDrawsOnlyTheSurface() {
        ViewerState state;
        const QImage image = render(state, tenByTen(), PlotStyle{});
        QCOMPARE(countPixels(image, image.rect(), kSurfaceColour.rgb()),
                 image.width() * image.height());
    }

    void theRendererSurvivesTheMaximumNumberOfPoints() {
        std::vector<quillane::plotfile::PlotPoint> points;
        for (int i = 0; i < quillane::plotfile::kMaxViewerPoints; ++i) {
            points.push_back({static_cast<float>(i % 1000) / 100.0f,
                              static_cast<float>(i / 1000) / 21.0f,
                              static_cast<int16_t>(i % 50 + 1)});
        }
        const ViewerState state = withPoints(std::move(points));
        const QImage image = render(state, tenByTen(), PlotStyle{});
        QVERIFY(!image.isNull());
    }

    void undefinedAndInfiniteValuesNeitherHangNorBreakTheDrawing() {
        const float inf = std::numeric_limits<float>::infinity();
        const float nan = std::numeric_limits<float>::quiet_NaN();
        for (const auto &points :
             {std::vector<quillane::plotfile::PlotPoint>{{nan, 1, 1}, {2, nan, 1}},
              std::vector<quillane::plotfile::PlotPoint>{{1, 1, 1}, {inf, 2, 1}},
              std::vector<quillane::plotfile::PlotPoint>{{-inf, 1, -58}, {inf, nan, -57}}}) {
            ViewerState state = withPoints(points);
            FindPlotRange(state);
            const PlotAxes axes = computeAxes(state, tickRounder(), nullptr);
            QVERIFY(std::isfinite(axes.x.lo) && std::isfinite(axes.x.hi) && axes.x.hi > axes.x.lo);
            QVERIFY(std::isfinite(axes.y.lo) && std::isfinite(axes.y.hi) && axes.y.hi > axes.y.lo);
            QVERIFY(!render(state, axes, PlotStyle{}).isNull());
        }
    }

    // ---- symbols stamped on pixels ----
    // Symbols on a picture of pixels are stamped from masks; the shapes the
    // painter draws one by one (as for a printer, or with a clip) are the
    // reference.  Centres agree to an eighth of a pixel, so only the
    // antialiased rims may differ.
    void stampedSymbolsLookAsWhenDrawnOneByOne() {
        // Rim pixels shaded for a centre up to an eighth of a pixel away
        // rarely change by more than kRimShading (under 1 % of the inked
        // pixels do); symbols stamped half a pixel off change 13 % of them.
        constexpr int kRimShading = 40;
        constexpr double kRimShare = 0.1;
        std::vector<quillane::plotfile::PlotPoint> points;
        for (int code = 1; code <= 60; ++code)
            points.push_back({0.3f + 0.157f * code, 1.0f + 0.131f * (code % 60), int16_t(code)});
        const ViewerState state = withPoints(points);
        const PlotAxes axes = tenByTen();
        for (const bool filled : {false, true}) {
            for (const double size : {1.0, 0.5}) {
                PlotStyle style;
                style.FilledSymbols = filled;
                style.SymbolSize = size;
                const PlotRenderer renderer(state, axes, style);
                QImage stamped(kTenPixelsPerUnit, QImage::Format_RGB32);
                QImage drawn = stamped;
                {
                    QPainter painter(&stamped);
                    QVERIFY(SymbolLayer::suits(painter));
                    renderer.paint(painter, QSizeF(kTenPixelsPerUnit));
                }
                {
                    QPainter painter(&drawn);
                    painter.setClipRect(drawn.rect());
                    QVERIFY(!SymbolLayer::suits(painter));
                    renderer.paint(painter, QSizeF(kTenPixelsPerUnit));
                }
                int differing = 0, inked = 0;
                for (int y = 0; y < drawn.height(); ++y) {
                    for (int x = 0; x < drawn.width(); ++x) {
                        const QRgb a = stamped.pixel(x, y), b = drawn.pixel(x, y);
                        const int d =
                            std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                      std::abs(qBlue(a) - qBlue(b))});
                        differing += d > kRimShading ? 1 : 0;
                        inked += isWhite(b) || sameColour(b, kSurfaceColour.rgb()) ? 0 : 1;
                    }
                }
                QVERIFY2(differing < kRimShare * inked,
                         qPrintable(QString("filled %1, size %2: %3 of %4 inked pixels differ")
                                        .arg(filled)
                                        .arg(size)
                                        .arg(differing)
                                        .arg(inked)));
                if (filled) {
                    for (const auto &p : points) {
                        const QPoint centre = device(10 * p.x, 10 * p.y);
                        QVERIFY(sameColour(stamped.pixel(centre), drawn.pixel(centre)));
                    }
                }
            }
        }
    }

    void aLineBetweenSymbolsLiesOverTheSymbolsBeforeItAndUnderThoseAfterIt() {
        // A black line across the plot at y = 5, a red filled symbol on it
        // before the line and a green one after it.
        const ViewerState state =
            withPoints({{3.0f, 5.0f, 2}, {0.0f, 5.0f, -58}, {10.0f, 5.0f, -57}, {7.0f, 5.0f, 3}});
        PlotStyle style;
        style.FilledSymbols = true;
        const QImage image = render(state, tenByTen(), style);
        QVERIFY(isDark(image.pixel(device(30, 50))));
        QVERIFY(sameColour(image.pixel(device(70, 50)), qRgb(0, 255, 0)));
        QVERIFY(sameColour(image.pixel(device(30, 50.4)), qRgb(255, 0, 0)));
    }

    void aPictureOfTwicePixelsPerUnitGetsItsSymbolsAtTheSamePlaces() {
        const ViewerState state = withPoints({{5.0f, 5.0f, 2}, {2.0f, 8.0f, 16}});
        const PlotAxes axes = tenByTen();
        PlotStyle style;
        style.FilledSymbols = true;
        const PlotRenderer renderer(state, axes, style);
        QImage image(kTenPixelsPerUnit * 2, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(2.0);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            QVERIFY(SymbolLayer::suits(painter));
            renderer.paint(painter, QSizeF(kTenPixelsPerUnit));
        }
        QVERIFY(sameColour(image.pixel(device(50, 50) * 2), qRgb(255, 0, 0)));
        QVERIFY(sameColour(image.pixel(device(20, 80) * 2), qRgb(0, 0, 0)));
        QVERIFY(isWhite(image.pixel(device(35, 65) * 2)));
    }

    void symbolsPartlyOffThePictureAreCutAtItsEdges() {
        // Moved so that the symbol at (5, 5) straddles the picture's corner.
        const ViewerState state = withPoints({{5.0f, 5.0f, 2}, {0.5f, 9.5f, 2}});
        const PlotAxes axes = tenByTen();
        PlotStyle style;
        style.FilledSymbols = true;
        const PlotRenderer renderer(state, axes, style);
        QImage image(kTenPixelsPerUnit, QImage::Format_RGB32);
        const QPoint corner = device(50, 50);
        {
            QPainter painter(&image);
            painter.translate(-corner.x(), -corner.y());
            QVERIFY(SymbolLayer::suits(painter));
            renderer.paint(painter, QSizeF(kTenPixelsPerUnit));
        }
        QVERIFY(sameColour(image.pixel(0, 0), qRgb(255, 0, 0)));
        QVERIFY(sameColour(image.pixel(3, 3), qRgb(255, 0, 0)));
    }

    void onlyPicturesOfPixelsGetStampedSymbols() {
        QImage image(100, 100, QImage::Format_RGB32);
        QPainter painter(&image);
        QVERIFY(SymbolLayer::suits(painter));
        painter.rotate(10);
        QVERIFY(!SymbolLayer::suits(painter));
        painter.resetTransform();
        painter.setOpacity(0.5);
        QVERIFY(!SymbolLayer::suits(painter));
        painter.end();
        ScratchFolder folder;
        QPdfWriter pdf(folder.file("p.pdf"));
        QPainter on_page(&pdf);
        QVERIFY(!SymbolLayer::suits(on_page));
    }

    // ---- legend ----
    void legendEntriesStandInColumnsOfShapes() {
        QCOMPARE(legendEntryPosition(1, true), QPointF(104, 98));
        QCOMPARE(legendEntryPosition(15, true), QPointF(104, 14));
        QCOMPARE(legendEntryPosition(16, true), QPointF(113, 98));
        QCOMPARE(legendEntryPosition(31, true), QPointF(122, 98));
        QCOMPARE(legendEntryPosition(50, true), QPointF(131, 74));
        QCOMPARE(legendEntryPosition(1, false), QPointF(104, 98));
        QCOMPARE(legendEntryPosition(4, false), QPointF(131, 98));
        QCOMPARE(legendEntryPosition(5, false), QPointF(104, 92));
        QCOMPARE(legendEntryPosition(50, false), QPointF(113, 26));
    }

    void theLegendFollowsTheStyle() {
        PlotStyle style;
        style.FilledSymbols = true;
        const SeriesNames numbered;  // no names: the key of the fifty codes
        PlotLegend legend(style, numbered, {});
        legend.resize(400, 1100);
        QImage image = legend.grab().toImage();
        const QPoint fifteen = legend.toDevice(legendEntryPosition(15, true)).toPoint();
        QVERIFY(sameColour(image.pixel(fifteen), qRgb(0, 63, 159)));
        style.CycleColorsFirst = false;
        image = legend.grab().toImage();
        const QPoint five = legend.toDevice(legendEntryPosition(5, false)).toPoint();
        QVERIFY(sameColour(image.pixel(five), qRgb(255, 0, 0)));
        style.FilledSymbols = false;
        image = legend.grab().toImage();
        QVERIFY(isWhite(image.pixel(five)));
    }

    // ---- pictures ----
    void aPictureFitsIntoEightTenthsOfThePageCentred() {
        const QRectF wide = fitToPage(QSizeF(800, 400), QRectF(0, 0, 1000, 1000));
        QCOMPARE(wide, QRectF(100, 300, 800, 400));
        const QRectF tall = fitToPage(QSizeF(100, 400), QRectF(0, 0, 1000, 1000));
        QCOMPARE(tall.height(), 800.0);
        QCOMPARE(tall.width(), 200.0);
        QCOMPARE(tall.center(), QPointF(500, 500));
    }

    void printingToAPagedDeviceDrawsThePlot() {
        ScratchFolder folder;
        const ViewerState state = withPoints({{5.0f, 5.0f, 2}});
        const PlotAxes axes = tenByTen();
        const PlotStyle style;
        const PlotRenderer renderer(state, axes, style);
        QPdfWriter pdf(folder.file("page.pdf"));
        QVERIFY(PrintPictureToFitPage(pdf, QSizeF(800, 500), [&](QPainter &painter, QSizeF size) {
            renderer.paint(painter, size);
        }));
        QVERIFY(readFile(folder.file("page.pdf")).startsWith("%PDF"));
    }

    void aPlotFileIsRenderedToEveryPictureKindWithoutAWindow() {
        ScratchFolder folder;
        PlotFileContent content;
        content.points = boundaryProfile(1, 50, 6.0f, 7.2f, 0.0f);
        writePlotFile(folder.file("plot.dat"), content);
        QString error;
        for (const char *name : {"p.png", "p.bmp", "p.svg", "p.pdf"}) {
            QVERIFY2(renderPlotFile(folder.file("plot.dat"), folder.file(name), QSize(640, 480),
                                    tickRounder(), RenderSettings{}, &error),
                     qPrintable(error));
        }
        QCOMPARE(QImage(folder.file("p.png")).size(), QSize(640, 480));
        QCOMPARE(QImage(folder.file("p.bmp")).size(), QSize(640, 480));
        QVERIFY(readFile(folder.file("p.svg")).contains("<svg"));
        QVERIFY(readFile(folder.file("p.pdf")).startsWith("%PDF"));
    }

    void renderingAFileWithoutDataOrToAMissingFolderFailsWithAReason() {
        ScratchFolder folder;
        writePlotFile(folder.file("empty.dat"), PlotFileContent{});
        QString error;
        std::vector<Notice> notices;
        QVERIFY(!renderPlotFile(folder.file("empty.dat"), folder.file("e.png"), QSize(100, 100),
                                tickRounder(), RenderSettings{}, &error, &notices));
        QVERIFY(error.contains("no data"));
        QCOMPARE(notices.size(), size_t(1));
        QVERIFY(notices[0].text.startsWith("The Current File Contained No Data!"));

        PlotFileContent content;
        content.points = boundaryProfile(1, 10, 6.0f, 7.2f, 0.0f);
        writePlotFile(folder.file("plot.dat"), content);
        QVERIFY(!renderPlotFile(folder.file("plot.dat"), folder.file("no/such/dir/p.png"),
                                QSize(100, 100), tickRounder(), RenderSettings{}, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!renderPlotFile(folder.file("absent.dat"), folder.file("a.png"), QSize(100, 100),
                                tickRounder(), RenderSettings{}, &error));
        QVERIFY(error.contains("absent.dat"));
    }

    // Renders sample plots for a person to look at, into the folder named by
    // QUILLANE_VIEWER_GALLERY; skipped otherwise.
    void aGalleryOfSamplePlotsIsRenderedWhenAsked() {
        const QString out = qEnvironmentVariable("QUILLANE_VIEWER_GALLERY");
        if (out.isEmpty()) QSKIP("QUILLANE_VIEWER_GALLERY is not set");
        QDir().mkpath(out);
        ScratchFolder folder;
        QString error;

        PlotFileContent raw;
        raw.heading = "Raw Data Used For Setting Limits";
        raw.heading2 = "Data sets:  1,  2,  3,  4,  5,  6,  7,  8,  9, 10, 11, 12";
        for (int k = 1; k <= 12; ++k) {
            const auto series = boundaryProfile(k, 120, 6.0f, 7.2f, 0.025f * static_cast<float>(k));
            raw.points.insert(raw.points.end(), series.begin(), series.end());
        }
        writePlotFile(folder.file("raw.dat"), raw);
        RenderSettings limits;
        limits.limits = {true, 6.2, 7.05};
        QVERIFY2(renderPlotFile(folder.file("raw.dat"), out + "/raw_limits.png", QSize(1248, 702),
                                tickRounder(), limits, &error),
                 qPrintable(error));
        RenderSettings filled;
        filled.style.FilledSymbols = true;
        filled.style.CycleColorsFirst = false;
        QVERIFY2(renderPlotFile(folder.file("raw.dat"), out + "/raw_symbols_first.png",
                                QSize(1248, 702), tickRounder(), filled, &error),
                 qPrintable(error));

        PlotFileContent slope;
        slope.heading = "Gradient of the data";
        slope.heading2 = "Data sets:  1,  2,  3,  4,  5";
        slope.x_label = "XI = R^2/2 (cm^2)";
        slope.y_label = "Gradient, dC/dX";
        float lo = 1e30f, hi = -1e30f;
        for (int k = 1; k <= 5; ++k) {
            const auto series = boundaryProfile(k, 80, 6.0f, 7.2f, 0.04f * static_cast<float>(k));
            for (size_t i = 1; i + 1 < series.size(); ++i) {
                const float d =
                    (series[i + 1].y - series[i - 1].y) / (series[i + 1].x - series[i - 1].x);
                slope.points.push_back({series[i].x, d - 2.0f, k});
                lo = std::min(lo, series[i].x);
                hi = std::max(hi, series[i].x);
            }
        }
        float zero_lo = 0, zero_hi = 0;
        int32_t n = 0;
        tickRound(lo, hi, zero_lo, zero_hi, n);
        slope.points.push_back({zero_lo, 0.0f, -58});
        slope.points.push_back({zero_hi, 0.0f, -57});
        writePlotFile(folder.file("slope.dat"), slope);
        QVERIFY2(renderPlotFile(folder.file("slope.dat"), out + "/derivative.png", QSize(1248, 702),
                                tickRounder(), RenderSettings{}, &error),
                 qPrintable(error));

        PlotFileContent result;
        result.heading = "RMS Deviations vs Time";
        result.heading2 = "Fit kinds 1, 2 and 3";
        result.x_label = "Time (s)";
        result.y_label = "RMS Deviation";
        for (int kind = 1; kind <= 3; ++kind) {
            std::vector<FilePoint> curve;
            for (int t = 0; t < 12; ++t) {
                const float time = 600.0f + 1200.0f * static_cast<float>(t);
                const float rms = 0.004f * static_cast<float>(kind) *
                                  (1.0f + 0.3f * std::sin(0.7f * static_cast<float>(t))) * 1e-3f;
                result.points.push_back({time, rms, kind});
                curve.push_back({time, rms, t == 0 ? -58 : -57});
            }
            result.points.insert(result.points.end(), curve.begin(), curve.end());
        }
        writePlotFile(folder.file("result.dat"), result);
        RenderSettings large_filled;
        large_filled.style.FilledSymbols = true;
        QVERIFY2(renderPlotFile(folder.file("result.dat"), out + "/result.png", QSize(1248, 702),
                                tickRounder(), large_filled, &error),
                 qPrintable(error));
        QVERIFY2(renderPlotFile(folder.file("result.dat"), out + "/result.svg", QSize(1248, 702),
                                tickRounder(), large_filled, &error),
                 qPrintable(error));

        PlotStyle legend_style;
        const SeriesNames numbered;
        PlotLegend legend(legend_style, numbered, {});
        legend.resize(240, 420);
        legend.grab().save(out + "/legend_colours_first.png");
        legend_style.CycleColorsFirst = false;
        legend_style.FilledSymbols = true;
        legend.grab().save(out + "/legend_symbols_first.png");
    }
};

QTEST_MAIN(PlotDrawingTest)
#include "plot_drawing_test.moc"
