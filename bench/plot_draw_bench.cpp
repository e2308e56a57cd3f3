// SPDX-License-Identifier: MIT
// Timing of the plot viewer's drawing at its capacity: 204,800 points (50
// series of 4,096) on a 1200 x 900 picture, the size the runner draws and a
// common window size.  One figure for open and one for filled symbols; the
// series codes 1..50 with colours cycled first give every shape.
//
// Runs without a display (the offscreen platform is chosen when none is set).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "bench_support.h"
#include "plot_axes.h"
#include "plot_renderer.h"
#include "plot_style.h"
#include "viewer_state.h"

namespace {

using namespace quillane::viewer;

constexpr int kSeries = 50;
constexpr int kPointsPerSeries = quillane::plotfile::kMaxViewerPoints / kSeries;
const QSize kPictureSize(1200, 900);

// Sedimentation boundaries, one series per scan, moving outward from scan
// to scan across the x range 16..26 and rising from 0 to 1.
ViewerState capacityPlot() {
    ViewerState state;
    auto &points = state.data.points;
    points.reserve(quillane::plotfile::kMaxViewerPoints);
    for (int series = 1; series <= kSeries; ++series) {
        const float centre = 17.0f + 8.0f * static_cast<float>(series) / kSeries;
        for (int m = 0; m < kPointsPerSeries; ++m) {
            const float x = 16.0f + 10.0f * static_cast<float>(m) / kPointsPerSeries;
            const float y = 1.0f / (1.0f + std::exp(-4.0f * (x - centre)));
            points.push_back({x, y, static_cast<int16_t>(series)});
        }
    }
    state.data.count = static_cast<int32_t>(points.size());
    state.data.heading = "Raw data";
    state.data.heading2 = "Data sets:  1 to 50";
    state.data.x_label = "XI = R^2/2 (cm^2)";
    state.data.y_label = "Concentration";
    state.XMin = 16.0f;
    state.XMax = 26.0f;
    state.YMin = 0.0f;
    state.YMax = 1.0f;
    state.DataLoaded = true;
    return state;
}

PlotAxes capacityAxes() {
    PlotAxes axes;
    axes.x = {15.0f, 27.0f, 7, QStringLiteral("+01"), 1.0};
    axes.y = {-0.2f, 1.2f, 8, QStringLiteral("+00"), 1.0};
    return axes;
}

void drawCapacityPlot(benchmark::State &bench, bool filled) {
    const ViewerState state = capacityPlot();
    const PlotAxes axes = capacityAxes();
    PlotStyle style;
    style.FilledSymbols = filled;
    const PlotRenderer renderer(state, axes, style);
    // The window draws into a picture of the screen's format and keeps it.
    QImage picture(kPictureSize, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : bench) {
        QPainter painter(&picture);
        renderer.paint(painter, QSizeF(kPictureSize));
        painter.end();
        benchmark::DoNotOptimize(picture.constBits());
    }
    bench.counters["points"] = static_cast<double>(state.data.count);
}

void BM_DrawCapacityOpenSymbols(benchmark::State &bench) {
    drawCapacityPlot(bench, false);
}
void BM_DrawCapacityFilledSymbols(benchmark::State &bench) {
    drawCapacityPlot(bench, true);
}

BENCHMARK(BM_DrawCapacityOpenSymbols)->Apply(quillane::bench::with_spread);
BENCHMARK(BM_DrawCapacityFilledSymbols)->Apply(quillane::bench::with_spread);

}  // namespace

int main(int argc, char **argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    return quillane::bench::run_benchmarks(argc, argv);
}
