// SPDX-License-Identifier: MIT
// The figure as the runner draws it from a plot file: the key of named
// series and the answer in words beside the plot, a time axis in hours, and
// headings that wrap or end at a whole word rather than inside one.
#include <QFile>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QRegularExpression>
#include <QTest>

#include "figure.h"
#include "plot_export.h"
#include "plot_file.h"
#include "plot_heading.h"
#include "plot_style.h"
#include "qt_support.h"
#include "tick_rounding.h"

using namespace quillane::viewer;

namespace {

const QSize kImageSize(1200, 900);
// The key strip is white; the surface around the plot is not.
const QRgb kWhite = qRgb(255, 255, 255);
// A figure fitted to a width may fall short of it by this share (the key's
// text size changes in steps with the plot's size).
constexpr double kWidthSlack = 0.02;

TickRounder tickRounder() {
    return [](float lo, float hi, float &out_lo, float &out_hi, int32_t &n) {
        quillane::tick_round_float(lo, hi, out_lo, out_hi, n);
    };
}

// An approach to equilibrium over 20 hours, in the library's own layout.
void writeTimePlot(const QString &path) {
    quillane::PlotState plot;
    plot.plot_heading = "Outfile: /home/someone/run/report.txt Equilibrium:";
    plot.plot_heading2 = "equilibrium reached by scan 10 (t = 20.000 h); foreca";
    plot.plot_xlabel = "Time";
    plot.plot_ylabel = "RMS Devs from the latest scan";
    for (int i = 1; i <= 10; ++i)
        plot.plot_points.push_back(
            {7200.0f * static_cast<float>(i), 0.25f / static_cast<float>(i), 0.0f, 1});
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromStdString(
        quillane::format_plot_file(plot, false, "16:52:01 ON 12/09/2026")));
}

RenderSettings answered() {
    RenderSettings settings;
    settings.report = QStringLiteral("/home/someone/run/report.txt");
    settings.names.title = QStringLiteral("Approach to equilibrium");
    settings.names.names[1] = QStringLiteral("RMS from the latest scan");
    settings.answer.text = QStringLiteral("Equilibrium reached by scan 10");
    settings.answer.lines.push_back(
        {PlotLineLabel::Kind::vertical, 72000.0, QStringLiteral("forecast: 20.0 h")});
    settings.hours = true;
    return settings;
}

QString drawnSvg(const QString &plot, const RenderSettings &settings) {
    QString error;
    const QString out = QStringLiteral("figure.svg");
    if (!renderPlotFile(plot, out, kImageSize, tickRounder(), settings, &error)) return error;
    QFile file(out);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

// Every blank-separated word of `line` (an ellipsis at its end aside) is a
// whole word of `text`.
bool wholeWordsOf(const QString &line, const QString &text) {
    QString words = line;
    if (words.endsWith(QChar(0x2026))) words.chop(1);
    const QStringList of = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &word : words.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        if (!of.contains(word)) return false;
    return true;
}

}  // namespace

class FigureTest : public QObject {
    Q_OBJECT
  private slots:
    void theRunnersImageCarriesTheKeyAndTheAnswer() {
        quillane::test_support::CurrentFolder folder;
        writeTimePlot(QStringLiteral("plot.dat"));
        QString error;
        QVERIFY2(renderPlotFile(QStringLiteral("plot.dat"), QStringLiteral("keyed.png"), kImageSize,
                                tickRounder(), answered(), &error),
                 qPrintable(error));
        RenderSettings unnamed = answered();
        unnamed.names = {};
        unnamed.answer = {};
        QVERIFY2(renderPlotFile(QStringLiteral("plot.dat"), QStringLiteral("bare.png"), kImageSize,
                                tickRounder(), unnamed, &error),
                 qPrintable(error));
        const QImage keyed(QStringLiteral("keyed.png"));
        const QImage bare(QStringLiteral("bare.png"));
        QCOMPARE(keyed.size(), kImageSize);
        QCOMPARE(bare.size(), kImageSize);
        // The key strip at the right is white, where the
        // plot alone has only its surface.
        const QRect strip(kImageSize.width() - 20, kImageSize.height() / 2, 10, 10);
        QCOMPARE(keyed.pixel(strip.center()), kWhite);
        QVERIFY(bare.pixel(strip.center()) != kWhite);
        QVERIFY(keyed != bare);

        const QString svg = drawnSvg(QStringLiteral("plot.dat"), answered());
        QVERIFY2(svg.contains(QStringLiteral("RMS from the latest scan")), qPrintable(svg));
        // Wrapped to the strip: the words of the answer, maybe on lines of their own.
        QVERIFY(svg.contains(QStringLiteral("Equilibrium reached")));
        QVERIFY(svg.contains(QStringLiteral("forecast: 20.0 h")));
        // The answer is told in words: the second heading keeps the time
        // stamp only, not the verdict cut inside a word.
        QVERIFY(svg.contains(QStringLiteral("Assessed at 16:52:01 ON 12/09/2026")));
        QVERIFY(!svg.contains(QStringLiteral("(t = 20.000 h)")));
        QVERIFY(!svg.contains(QStringLiteral("/home/someone")));
    }

    void theFigureTakesTheWidthAskedFor() {
        ViewerState state;
        state.DataLoaded = true;
        const PlotAxes axes;
        const PlotStyle style;
        Figure figure{state, axes, style};
        figure.names = answered().names;
        figure.names.title = QStringLiteral("Fits against 12: 00012.RA1");
        for (const QSizeF total :
             {QSizeF(1200, 900), QSizeF(960, 720), QSizeF(400, 300), QSizeF(1600, 500)}) {
            const double width = figureSize(figure, plotSizeWithin(figure, total)).width();
            QVERIFY2(width <= total.width(), qPrintable(QString::number(width)));
            QVERIFY2(width >= total.width() * (1.0 - kWidthSlack),
                     qPrintable(QString::number(width)));
        }
    }

    void aTimeAxisIsDrawnInHours() {
        quillane::test_support::CurrentFolder folder;
        writeTimePlot(QStringLiteral("plot.dat"));
        const QString hours = drawnSvg(QStringLiteral("plot.dat"), answered());
        QVERIFY(hours.contains(QStringLiteral("Time (hours)")));
        // The last scan at 20 h: the axis ends at a tick of about 20, not
        // at 72,000 s (drawn as 7.2 with a power of ten).
        QVERIFY(hours.contains(QRegularExpression(QStringLiteral(">\\s*2[0-9]\\.000\\s*<"))));
        QVERIFY(!hours.contains(QStringLiteral("10^")));

        RenderSettings seconds = answered();
        seconds.hours = false;
        const QString raw = drawnSvg(QStringLiteral("plot.dat"), seconds);
        QVERIFY(!raw.contains(QStringLiteral("Time (hours)")));
        QVERIFY(raw.contains(QStringLiteral("10^")));
    }

    void aLongHeadingWrapsWithoutCuttingAWord() {
        const QFontMetricsF metrics(plotFont(14));
        const QString title = QStringLiteral(
            "Outfile: report.txt Equilibrium: equilibrium reached by scan 10 (t = 20.000 h); "
            "forecast: equilibrium at 19.82 h with a margin of a good many words");
        const double room = metrics.horizontalAdvance(title) * 0.6;

        // Room for it on two lines: wrapped at a blank, nothing left out.
        const QStringList wrapped = fitHeadingLines(title, QString(), metrics, room);
        QCOMPARE(wrapped.size(), 2);
        QCOMPARE(wrapped[0] + QLatin1Char(' ') + wrapped[1], title);
        for (const QString &line : wrapped)
            QVERIFY2(metrics.horizontalAdvance(line) <= room, qPrintable(line));

        // Too long for two lines: the second ends at a whole word.
        const double narrow = room * 0.6;
        const QStringList cut = fitHeadingLines(QString(), title, metrics, narrow);
        QVERIFY(title.startsWith(cut[0] + QLatin1Char(' ')));
        QVERIFY(cut[1].endsWith(QChar(0x2026)));
        QVERIFY(wholeWordsOf(cut[1], title));
        for (const QString &line : cut)
            QVERIFY2(metrics.horizontalAdvance(line) <= narrow, qPrintable(line));

        // Two headings, each too long: each ends at a whole word.
        const QStringList both = fitHeadingLines(title, title, metrics, room);
        for (const QString &line : both) {
            QVERIFY(line.endsWith(QChar(0x2026)));
            QVERIFY(wholeWordsOf(line, title));
            QVERIFY(metrics.horizontalAdvance(line) <= room);
        }

        // Headings that fit stay as they are.
        QCOMPARE(fitHeadingLines(QStringLiteral("Raw data"), QStringLiteral("Data sets: 1"),
                                 metrics, room),
                 QStringList({QStringLiteral("Raw data"), QStringLiteral("Data sets: 1")}));
    }
};

QTEST_MAIN(FigureTest)
#include "figure_test.moc"
