// SPDX-License-Identifier: MIT
#include "plot_axes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quillane::viewer {

namespace {

// Beyond this a tick count cannot come from the rounding rule; it only
// guards the drawing loops against a broken rounder.
constexpr int kMaxTicks = 200;

AxisLayout layoutAxis(float &lo, float &hi, const TickRounder &round, bool *identical) {
    AxisLayout axis;
    *identical = lo == hi;
    int32_t n = 4;
    if (*identical && hi == 0.0f) {
        axis.lo = -2.0f;
        axis.hi = 2.0f;
    } else {
        if (*identical) {
            const float value = hi;
            lo = value > 0.0f ? value / 2.0f : 2.0f * value;
            hi = value > 0.0f ? 2.0f * value : value / 2.0f;
        }
        float out_lo = lo, out_hi = hi;
        n = 1;
        // The rounding rule has no answer for infinite or undefined values.
        if (round && std::isfinite(lo) && std::isfinite(hi) && hi > lo) {
            round(lo, hi, out_lo, out_hi, n);
        }
        axis.lo = out_lo;
        axis.hi = out_hi;
    }
    // Keep the drawing defined whatever the data (not-a-number values).
    if (!(axis.hi > axis.lo) || !std::isfinite(axis.lo) || !std::isfinite(axis.hi)) {
        axis.lo = std::isfinite(lo) ? lo - 1.0f : -1.0f;
        axis.hi = std::isfinite(hi) ? hi + 1.0f : 1.0f;
        if (!(axis.hi > axis.lo)) axis.hi = axis.lo + 1.0f;
        n = 1;
    }
    axis.ticks = std::clamp(n, 1, kMaxTicks - 1) + 1;
    axis.exponent = ExponentOf(axis.lo, axis.hi);
    axis.power = std::pow(10.0, axis.exponent.toInt());
    return axis;
}

}  // namespace

PlotAxes computeAxes(ViewerState &state, const TickRounder &round, std::vector<Notice> *notices) {
    PlotAxes axes;
    bool identical = false;
    axes.x = layoutAxis(state.XMin, state.XMax, round, &identical);
    if (identical && notices) {
        notices->push_back({QStringLiteral("WARNING:  All X values are identical."),
                            QStringLiteral("Data Error")});
    }
    if (axes.x.power != 1.0) axes.x_suffix = "  (10^" + axes.x.exponent + ")";
    axes.y = layoutAxis(state.YMin, state.YMax, round, &identical);
    if (identical && notices) {
        notices->push_back({QStringLiteral("WARNING:  All Y values are identical."),
                            QStringLiteral("Data Error")});
    }
    if (axes.y.power != 1.0) axes.y_suffix = " (10^" + axes.y.exponent + ")";
    return axes;
}

QString ExponentOf(float lo, float hi) {
    float v = lo;
    if (std::fabs(hi) < std::fabs(lo)) v = hi;
    if (lo == 0.0f) {
        v = hi;
    } else if (hi == 0.0f) {
        v = lo;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%+.2E", static_cast<double>(v));
    // "+2.50E+05": the exponent starts at the seventh character.
    QString exponent = QString::fromLatin1(text).mid(6);
    if (exponent == QLatin1String("+01") || exponent == QLatin1String("-01")) {
        exponent = QStringLiteral("+00");
    }
    return exponent;
}

QString tickLabel(float value, double power) {
    double shown = static_cast<double>(value) / power;
    // A tick at zero reached by adding steps may be a hair below it.
    if (std::fabs(shown) < 0.0005) shown = 0.0;
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", shown);
    return QString::fromLatin1(text);
}

QString scientific(double value, int decimals) {
    if (value == 0.0) value = 0.0;  // no "-0.0000E+00"
    char text[64];
    std::snprintf(text, sizeof text, "%.*E", decimals, value);
    return QString::fromLatin1(text);
}

QString coordinateReadout(float x, float y) {
    return " X= " + scientific(x, 4) + ", Y= " + scientific(y, 3);
}

}  // namespace quillane::viewer
