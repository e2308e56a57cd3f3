// SPDX-License-Identifier: MIT
// A whole session against the real analysis library, as a user works through
// it: start with an output file, read the twelve example scans as a
// sequence, keep the plot files, mark the data limits with Ctrl and Alt
// clicks on the raw-data plot, fit against the last scan, then show every
// data plot and result graph.  The slots run in order and build on each
// other; each checks what the user would see (the report, the menus, the
// viewer) and the plot files left in the working folder.
#include <cmath>
#include <fstream>

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSlider>
#include <QStatusBar>
#include <QtTest>

#include "ChooseRefSetDialog.h"
#include "DataFilesDialog.h"
#include "DataSetChooserDialog.h"
#include "LibraryBinding.h"
#include "MainWindow.h"
#include "ResultGraphDialogs.h"
#include "StartUp.h"
#include "ViewerBridge.h"
#include "plot_file_reader.h"
#include "plot_renderer.h"
#include "plot_window.h"
#include "test_support.h"

using namespace quillane::frontend;
using namespace quillane::frontend::testing;
using quillane::plotfile::PlotData;
using quillane::viewer::Plotit;
using quillane::viewer::PlotScale;

namespace {

constexpr int kScans = 12;
constexpr int kActivePairs = kScans * (kScans - 1);
// The examples carry Gaussian noise of this size on every value.
constexpr double kScanNoise = 0.005;
// Two noisy scans differ by the noise of both.
const double kPairNoise = std::sqrt(2.0) * kScanNoise;
// The limits a user marks on the raw-data plot.
constexpr double kLowLimit = 17.9;
constexpr double kHighLimit = 25.4;

QString scanName(int k) {
    return examplePath(QStringLiteral("%1.RA1").arg(k, 5, 10, QLatin1Char('0')));
}

int countOf(const QByteArray &text, const QByteArray &what) {
    return text.count(what);
}

// The y values of the symbol records of one series, in file order.
QList<double> seriesY(const PlotData &plot, int series) {
    QList<double> ys;
    for (int i = 0; i < plot.count; ++i)
        if (plot.points[static_cast<size_t>(i)].code == series)
            ys << plot.points[static_cast<size_t>(i)].y;
    return ys;
}

QList<double> seriesX(const PlotData &plot, int series) {
    QList<double> xs;
    for (int i = 0; i < plot.count; ++i)
        if (plot.points[static_cast<size_t>(i)].code == series)
            xs << plot.points[static_cast<size_t>(i)].x;
    return xs;
}

// Plot files hold six significant digits, and the deviations and the sums
// formed from them are single precision: graphs of the same fit agree to
// this relative error.
constexpr double kAcrossGraphs = 1e-3;

double relativeError(double actual, double expected) {
    return std::fabs(actual - expected) / std::fabs(expected);
}

QString joined(const QList<double> &values) {
    QStringList parts;
    for (double v : values)
        parts << QString::number(v, 'g', 4);
    return parts.join(QStringLiteral(", "));
}

// Whether the column at device x (one pixel either way) is drawn in the limit
// line's colour over most of the plot's height.
bool limitLineAt(const QImage &image, const PlotScale &scale, double x) {
    const int column = static_cast<int>(std::lround(scale.toDevice(scale.plotX(float(x)), 0).x()));
    const int top = static_cast<int>(scale.toDevice(0, 90).y());
    const int bottom = static_cast<int>(scale.toDevice(0, 10).y());
    const QRgb limit = quillane::viewer::kLimitColour.rgb();
    for (int c = column - 1; c <= column + 1; ++c) {
        if (c < 0 || c >= image.width()) continue;
        int hits = 0;
        for (int y = top; y <= bottom; ++y)
            if ((image.pixel(c, y) & 0xffffff) == (limit & 0xffffff)) ++hits;
        if (hits > (bottom - top) / 2) return true;
    }
    return false;
}

}  // namespace

class WorkflowTest : public WholeProgramTest {
    Q_OBJECT

  private:
    int nextPlot_ = 0;

    // How the scripted user answers each dialog.
    int refSetToChoose_ = kScans;
    QStringList dialogsShown_;
    std::array<bool, 3> rmsKinds_{true, true, true};
    QStringList positions_;
    QList<int> excludedRows_;  // data-file rows left out on a later pass
    // Series of the RMS and variance graphs, for comparing graphs.
    QList<double> rmsNone_, rmsBoth_, varNone_;

    AppState &state() { return startUp_->state(); }
    QByteArray report() const { return readFile(reportPath()); }

    bool enabled(const char *name) { return window().item(QString::fromLatin1(name))->isEnabled(); }

    void answerDialog(QDialog &dialog) override {
        dialogsShown_ << dialog.objectName();
        if (auto *files = qobject_cast<DataFilesDialog *>(&dialog)) {
            if (files->loadMode()) {
                prompts_.openNames.push_back(scanName(1));
                files->loadSequence();
            } else {
                for (int row = 0; row < kScans; ++row)
                    files->includeBox(row)->setChecked(!excludedRows_.contains(row));
            }
            files->accept();
        } else if (auto *chooser = qobject_cast<DataSetChooserDialog *>(&dialog)) {
            chooser->plotAll();
        } else if (auto *ref = qobject_cast<ChooseRefSetDialog *>(&dialog)) {
            ref->slider()->setValue(refSetToChoose_);
            ref->accept();
        } else if (auto *rms = qobject_cast<RmsVsTimeDialog *>(&dialog)) {
            rms->slider()->setValue(refSetToChoose_);
            for (int i = 0; i < 3; ++i)
                rms->rchoice(i)->setChecked(rmsKinds_[size_t(i)]);
            rms->accept();
        } else if (auto *devs = qobject_cast<DevVsPosDialog *>(&dialog)) {
            devs->accept();
        } else if (auto *devsTime = qobject_cast<DevsVsTimeDialog *>(&dialog)) {
            for (int i = 0; i < positions_.size(); ++i)
                devsTime->position(i)->setText(positions_[i]);
            devsTime->accept();
        } else {
            QFAIL(qPrintable("unexpected dialog " + dialog.objectName()));
        }
    }

    // A click with `keys` on the plot's canvas at position `x`, half-way up.
    void clickOnThePlot(Qt::KeyboardModifier keys, double x) {
        const PlotScale scale = viewer()->currentScale();
        const QPoint at = scale.toDevice(scale.plotX(float(x)), 50.0).toPoint();
        QTest::mouseClick(viewer()->canvas(), Qt::LeftButton, keys, at);
    }

    // A click lands on a whole pixel: a limit set by a click is within this
    // of the aim.
    double pixelWidth() {
        const PlotScale scale = viewer()->currentScale();
        return 1.0 / scale.XScale() * (100.0 / scale.pixelsX(100.0));
    }

    // The plot just shown was kept as the next numbered file, the viewer
    // holds its points, and no plot.dat is left behind.  Returns the file.
    PlotData expectKept(const QString &what) {
        PlotData plot;
        const QString name = QStringLiteral("plot_%1.dat").arg(nextPlot_, 3, 10, QLatin1Char('0'));
        ++nextPlot_;
        [&] {
            QVERIFY2(!QFile::exists(state().PlotFileName), qPrintable(what + ": plot.dat left"));
            QVERIFY2(QFile::exists(name), qPrintable(what + ": no " + name));
            QVERIFY2(!QFile::exists(
                         QStringLiteral("plot_%1.dat").arg(nextPlot_, 3, 10, QLatin1Char('0'))),
                     qPrintable(what + ": more than one plot kept"));
            QVERIFY(viewer());
            QVERIFY2(viewer()->isVisible(), qPrintable(what));
            QVERIFY2(viewer()->state().DataLoaded, qPrintable(what));
            QCOMPARE(viewer()->outFileLabel()->text(), QDir::current().filePath(name));
            std::ifstream in(QFile::encodeName(name).constData(), std::ios::binary);
            QVERIFY(quillane::plotfile::read_plot_file(in, plot) ==
                    quillane::plotfile::ReadStatus::ok);
            QCOMPARE(viewer()->state().pointCount(), plot.count);
            QVERIFY2(prompts_.warnings.isEmpty(),
                     qPrintable(what + ": " + prompts_.warnings.value(0).text));
        }();
        return plot;
    }

  private slots:
    void initTestCase() { prepare(); }

    void cleanupTestCase() { finish(); }

    void startsWithTheGivenOutputFileAndNoDialog() {
        QVERIFY(start());
        QVERIFY(prompts_.saveTitles.isEmpty());
        QVERIFY(prompts_.warnings.isEmpty());
        QVERIFY(window().isVisible());
        QVERIFY(report().startsWith(" Quillane V0.99  \r\n Current Revision V0.99.0039 \r\n"));
        QVERIFY(QFileInfo(state().PlotFileName).absolutePath() != QDir::currentPath());
        QVERIFY(!enabled("SetLimits"));
        QVERIFY(!enabled("FitIt"));
    }

    void readingTheExamplesAsASequenceReadsAllTwelve() {
        trigger("GetDataFiles");
        QCOMPARE(dialogsShown_, QStringList{QStringLiteral("Form1")});
        QCOMPARE(prompts_.openTitles, QStringList{QStringLiteral("Get Data Files")});
        QCOMPARE(prompts_.beeps, 1);  // the sequence ends at the missing 00013.RA1
        QVERIFY(prompts_.warnings.isEmpty());
        QCOMPARE(state().NumFilesRead, kScans);
        QCOMPARE(session().active_count(), kScans);
        QCOMPARE(session().suggested_reference(), kScans);

        const QByteArray text = report();
        QCOMPARE(countOf(text, " This was file "), kScans);
        QCOMPARE(countOf(text, " DATA POINTS READ\r\n"), kScans);
        for (int k = 1; k <= kScans; ++k) {
            const QByteArray name = QFile::encodeName(scanName(k));
            QVERIFY2(text.contains(" This was file " + name), name.constData());
            QVERIFY2(text.contains(" Orig.DS# " + QByteArray::number(k) + " :: " + name +
                                   " is active DS#" + QByteArray::number(k) + ".\r\n"),
                     name.constData());
        }
        QVERIFY(text.contains("  Number of Selected Data sets is:          12"));
        // The full range found over all scans.
        QVERIFY(session().full_range().low < kLowLimit && session().full_range().high > kHighLimit);
        for (const char *name : {"SetLimits", "PlotDummy1", "GetNewTimes", "SetupDiffer"})
            QVERIFY2(enabled(name), name);
        for (const char *name : {"FitIt", "PlotdCdX_X", "PlotDummy2"})
            QVERIFY2(!enabled(name), name);
        QCOMPARE(window().item(QStringLiteral("GetDataFiles"))->text(),
                 QStringLiteral("Select &Active Data Files"));
    }

    void savePlotFilesKeepsThePlotsFromNowOn() {
        trigger("SavePlots");
        QCOMPARE(window().item(QStringLiteral("SavePlots"))->text(),
                 QStringLiteral("Discard Plot Files"));
        QVERIFY(report().contains("Plot files will now be saved after plotting"));
    }

    void theLimitsAreMarkedWithCtrlAndAltClicksOnTheRawData() {
        dialogsShown_.clear();
        trigger("SetLimits");
        QCOMPARE(dialogsShown_, QStringList{QStringLiteral("NewDSToPlot")});
        const PlotData raw = expectKept(QStringLiteral("limits plot"));
        QCOMPARE(QString::fromStdString(raw.y_label), QStringLiteral("Concentration"));
        QVERIFY(QString::fromStdString(raw.heading2)
                    .startsWith(QStringLiteral("Data sets: 1, 2, 3, 4, 5, 6, 7, 8, 9,10,11,12")));
        QVERIFY(enabled("FitIt"));
        QVERIFY(session().limits_mode());

        Plotit &plot = *viewer();
        QCoreApplication::processEvents();
        const PlotScale scale = plot.currentScale();
        QVERIFY(scale.XAxisLo() < kLowLimit && scale.XAxisHi() > kHighLimit);
        // Before the clicks the lines stand at the full range.
        QVERIFY(!limitLineAt(plot.renderImage(), scale, kLowLimit));

        clickOnThePlot(Qt::ControlModifier, kLowLimit);
        clickOnThePlot(Qt::AltModifier, kHighLimit);
        QVERIFY2(prompts_.warnings.isEmpty(), qPrintable(prompts_.warnings.value(0).text));

        QVERIFY2(std::fabs(session().limits().low - kLowLimit) <= pixelWidth(),
                 qPrintable(QString::number(session().limits().low)));
        QVERIFY2(std::fabs(session().limits().high - kHighLimit) <= pixelWidth(),
                 qPrintable(QString::number(session().limits().high)));
        double libLow = 0, libHigh = 0;
        startUp_->library().exports().getxirange(&libLow, &libHigh);
        QCOMPARE(libLow, session().limits().low);
        QCOMPARE(libHigh, session().limits().high);

        const QImage image = plot.renderImage();
        QVERIFY(limitLineAt(image, scale, session().limits().low));
        QVERIFY(limitLineAt(image, scale, session().limits().high));
        QVERIFY(!limitLineAt(image, scale, session().full_range().low + 0.5));
        QVERIFY(!limitLineAt(image, scale, session().full_range().high - 0.5));
        QVERIFY(!limitLineAt(image, scale, (kLowLimit + kHighLimit) / 2));
    }

    void fittingAgainstTheLastScanWritesTheFullReport() {
        dialogsShown_.clear();
        refSetToChoose_ = kScans;
        const qsizetype before = report().size();
        trigger("FitIt");
        QCOMPARE(dialogsShown_, QStringList{QStringLiteral("ChooseRefSet")});
        QCOMPARE(session().fit_reference(), kScans);
        const QByteArray fit = report().mid(before);

        // The limits were applied and each set differentiated before matching.
        QCOMPARE(countOf(fit, " Differentiated data set #"), kScans);
        QCOMPARE(countOf(fit, "\r\n F(NDF,NDF,1-P) ="), kActivePairs);
        QCOMPARE(countOf(fit, "% confidence level\r\n"), kActivePairs);
        QCOMPARE(countOf(fit, "\r\n Ref"), 3 * kActivePairs / 2);
        QCOMPARE(countOf(fit, " y-Offset:"), 2 * kActivePairs / 2);
        QCOMPARE(countOf(fit, " /\\XI:"), kActivePairs / 2);
        QVERIFY(fit.contains(" Ref  2 DS  1 VAR:"));
        QVERIFY(fit.contains(" Ref 12 DS 11 VAR:"));
        QVERIFY(!fit.contains("Determinant vanishes"));
        for (const char *line :
             {"\r\n\r\n Average values of variance and RMS:\r\n\r\n Fits with NO offsets : VAR = ",
              " With only y-offsets  : VAR = ", " Both y- and X-offsets: VAR = "})
            QVERIFY2(fit.contains(line), line);

        QListWidget *list = window().outFileBox();
        QStringList listed;
        for (int i = 0; i < list->count(); ++i)
            listed << list->item(i)->text().trimmed();
        QVERIFY(listed.contains(QStringLiteral("Average values of variance and RMS:")));
        QVERIFY(listed.last().isEmpty());
        for (const char *name : {"PlotdCdX_X", "PlotdCdX_C", "PlotDummy2"})
            QVERIFY2(enabled(name), name);
        QVERIFY(prompts_.warnings.isEmpty());
    }

    void eachDataPlotIsShownAndKeptInTurn() {
        struct Plot {
            const char *command;
            const char *xLabel;
            const char *yLabel;
        };
        const Plot plots[] = {{"PlotRaw", "XI = R^2/2 (cm^2)", "Concentration"},
                              {"PlotdCdX_X", "XI = R^2/2 (cm^2)", "Gradient, dC/dX"},
                              {"PlotdCdX_C", "Concentration, C", "Gradient, dC/dX"}};
        for (const Plot &p : plots) {
            trigger(p.command);
            const PlotData plot = expectKept(QString::fromLatin1(p.command));
            QCOMPARE(QString::fromStdString(plot.x_label), QString::fromLatin1(p.xLabel));
            QCOMPARE(QString::fromStdString(plot.y_label), QString::fromLatin1(p.yLabel));
            QVERIFY(!session().limits_mode());
            // All twelve series are drawn, inside the limits just set.
            for (int series = 1; series <= kScans; ++series)
                QVERIFY2(!seriesY(plot, series).isEmpty(), p.command);
            if (QByteArray(p.command) != "PlotdCdX_C") {
                for (double x : seriesX(plot, 1)) {
                    QVERIFY2(
                        x >= session().limits().low - 0.01 && x <= session().limits().high + 0.01,
                        qPrintable(QString::number(x)));
                }
            }
        }
    }

    void rmsAgainstTimeFallsToTheNoiseAsTheCellApproachesEquilibrium() {
        dialogsShown_.clear();
        trigger("PlotRMS");
        QCOMPARE(dialogsShown_, QStringList{QStringLiteral("RMSvsTime")});
        QCOMPARE(session().fit_reference(), kScans);
        const PlotData rms = expectKept(QStringLiteral("RMS vs Time"));
        QCOMPARE(QString::fromStdString(rms.y_label), QStringLiteral("RMS Devs"));
        QVERIFY(QString::fromStdString(rms.heading2).contains(QStringLiteral("Ref. set: 12")));

        // One point per scan other than the reference, at its time, in order.
        const QList<double> times = seriesX(rms, 1);
        QCOMPARE(times.size(), kScans - 1);
        for (int p = 1; p < times.size(); ++p)
            QVERIFY(times[p] > times[p - 1]);

        // Without offsets the early scans differ from the last by far more
        // than the noise, and the difference falls scan after scan until it
        // reaches the noise.
        const QList<double> none = seriesY(rms, 1);
        QVERIFY2(none.first() > 20 * kPairNoise, qPrintable(joined(none)));
        for (int p = 1; p < none.size(); ++p) {
            QVERIFY2(none[p] < none[p - 1] || none[p] < 1.2 * kPairNoise, qPrintable(joined(none)));
        }
        // The last scans are at equilibrium: only the noise of two scans is left.
        for (int p = none.size() - 3; p < none.size(); ++p) {
            QVERIFY2(none[p] > 0.7 * kPairNoise && none[p] < 1.5 * kPairNoise,
                     qPrintable(joined(none)));
        }
        // A y-offset helps little; y- and position offsets absorb most of the
        // drift, leaving little more than the noise at every time.  (Each
        // offset fitted costs a degree of freedom, which may raise the RMS of
        // a pair that had nothing to gain by a fraction of a percent.)
        const double dofMargin = 1.01;
        const QList<double> yOnly = seriesY(rms, 2);
        const QList<double> both = seriesY(rms, 3);
        rmsNone_ = none;
        rmsBoth_ = both;
        for (int p = 0; p < both.size(); ++p) {
            QVERIFY2(yOnly[p] <= none[p] * dofMargin, qPrintable(joined(yOnly)));
            QVERIFY2(both[p] <= yOnly[p] * dofMargin, qPrintable(joined(both)));
            QVERIFY2(both[p] > 0.7 * kPairNoise && both[p] < 2.5 * kPairNoise,
                     qPrintable(joined(both)));
        }
    }

    void varianceAgainstTimeFallsInStepWithTheRms() {
        trigger("PlotVar");
        const PlotData var = expectKept(QStringLiteral("Variance vs Time"));
        QCOMPARE(QString::fromStdString(var.y_label), QStringLiteral("Variance"));
        const QList<double> none = seriesY(var, 1);
        QCOMPARE(none.size(), kScans - 1);
        QVERIFY2(none.first() > 100 * none.last(), qPrintable(joined(none)));
        varNone_ = none;
    }

    void deviationsAgainstPositionShowEveryScanButTheReference() {
        dialogsShown_.clear();
        trigger("PlotDevs");
        QCOMPARE(dialogsShown_, (QStringList{"DevvsPos", "NewDSToPlot"}));
        const PlotData devs = expectKept(QStringLiteral("Deviations vs Position"));
        QCOMPARE(QString::fromStdString(devs.y_label), QStringLiteral("Deviations"));
        for (int series = 1; series < kScans; ++series)
            QVERIFY2(!seriesY(devs, series).isEmpty(), qPrintable(QString::number(series)));
        QVERIFY(seriesY(devs, kScans).isEmpty());
        // The x values are the reference scan's positions inside the limits.
        const QList<double> xs = seriesX(devs, 1);
        for (double x : xs)
            QVERIFY(x >= session().limits().low - 0.01 && x <= session().limits().high);

        // The graphs agree with each other: over the reference scan's N
        // points, the variance is the RMS squared times N - 1 (no offsets),
        // and the deviations of each scan (both offsets) square-sum to its
        // RMS squared times N - 3.
        const double n = xs.size();
        QCOMPARE(varNone_.size(), kScans - 1);
        QCOMPARE(rmsBoth_.size(), kScans - 1);
        for (int p = 0; p < kScans - 1; ++p) {
            const double fromRms = rmsNone_[p] * rmsNone_[p] * (n - 1);
            QVERIFY2(relativeError(varNone_[p], fromRms) < kAcrossGraphs,
                     qPrintable(QStringLiteral("scan %1: variance %2, from the RMS %3")
                                    .arg(p + 1)
                                    .arg(varNone_[p])
                                    .arg(fromRms)));
            double sum = 0;
            for (double y : seriesY(devs, p + 1))
                sum += y * y;
            const double rmsOfDeviations = std::sqrt(sum / (n - 3));
            QVERIFY2(relativeError(rmsOfDeviations, rmsBoth_[p]) < kAcrossGraphs,
                     qPrintable(QStringLiteral("scan %1: deviations give RMS %2, the graph %3")
                                    .arg(p + 1)
                                    .arg(rmsOfDeviations)
                                    .arg(rmsBoth_[p])));
        }
    }

    void deviationsAgainstTimeAtTwoPositions() {
        positions_ = {QStringLiteral("20"), QStringLiteral("18")};
        const qsizetype before = report().size();
        trigger("PlotDevvsT");
        const PlotData devs = expectKept(QStringLiteral("Deviations vs Time"));
        // The positions are graphed in ascending order (the long name of the
        // scratch folder leaves room in the heading for the first only).
        QVERIFY2(QString::fromStdString(devs.heading).contains(QStringLiteral("At X=  18.000")),
                 devs.heading.c_str());
        const QByteArray log = report().mid(before);
        const qsizetype at = log.indexOf(" Graphing at the following X values as f(time):");
        QVERIFY(at >= 0);
        const QList<QByteArray> values = log.mid(at).split('\n').value(1).simplified().split(' ');
        QCOMPARE(values.size(), 2);
        QCOMPARE(values[0].toDouble(), 18.0);
        QCOMPARE(values[1].toDouble(), 20.0);
        QCOMPARE(seriesY(devs, 1).size(), kScans - 1);
        QCOMPARE(seriesY(devs, 2).size(), kScans - 1);
        QVERIFY(seriesY(devs, 3).isEmpty());
    }

    void positionOffsetsAgainstTimeLeaveTheFitsReferenceSet() {
        refSetToChoose_ = 6;
        dialogsShown_.clear();
        trigger("PlotPOffset");
        QCOMPARE(dialogsShown_, QStringList{QStringLiteral("ChooseRefSet")});
        QCOMPARE(session().fit_reference(), kScans);
        const PlotData offsets = expectKept(QStringLiteral("Position Offsets vs Time"));
        QVERIFY(QString::fromStdString(offsets.heading2).contains(QStringLiteral("Ref. set:  6")));
        QCOMPARE(QString::fromStdString(offsets.y_label), QStringLiteral("XI Offset in cm^2"));
        const QList<double> dx = seriesY(offsets, 1);
        QCOMPARE(dx.size(), kScans - 1);
        // Earlier scans sit behind scan 6, later ones ahead of it; the shift
        // shrinks as the cell settles.
        QVERIFY2(dx.first() < 0 && dx.last() > 0, qPrintable(joined(dx)));
        QVERIFY2(std::fabs(dx.first()) > 5 * std::fabs(dx.last()), qPrintable(joined(dx)));
    }

    // The run report goes to the file named, and its figures touch neither
    // the fit nor the program's plot files (checked by the next slot).
    void theRunReportIsOnePdfAndTheFitStaysCurrent() {
        const QString pdf = dir_->file(QStringLiteral("run"));
        prompts_.saveNames.push_back(pdf);
        prompts_.warnings.clear();
        const QByteArray reportBefore = readFile(reportPath());
        trigger("ExportRunReport");
        QVERIFY(readFile(pdf + QStringLiteral(".pdf")).startsWith("%PDF-"));
        QVERIFY(prompts_.warnings.isEmpty());
        // The export is said, and drawing its figures adds nothing to the
        // user's record of the analysis.
        QVERIFY(window().statusBar()->currentMessage().startsWith(
            QStringLiteral("Run report written")));
        QCOMPARE(readFile(reportPath()), reportBefore);
        QVERIFY(session().fit_current());
        QVERIFY(window().item(QStringLiteral("ExportRunReport"))->isEnabled());
    }

    void theSessionLeavesOnlyTheNumberedPlots() {
        QStringList expected;
        for (int i = 0; i < nextPlot_; ++i)
            expected << QStringLiteral("plot_%1.dat").arg(i, 3, 10, QLatin1Char('0'));
        const QStringList plots =
            QDir::current().entryList({QStringLiteral("plot*")}, QDir::Files, QDir::Name);
        QVERIFY(sameLines(plots, expected));
        QVERIFY(!QFile::exists(state().TempPlotFileName));
        QCOMPARE(nextPlot_, 9);
    }

    void newLimitsMarkedAfterTheFitWaitForANewFit() {
        trigger("SetLimits");
        expectKept(QStringLiteral("second limits plot"));
        // The store was rebuilt: the fit's plots need a new fit.
        for (const char *name : {"PlotdCdX_X", "PlotdCdX_C", "PlotDummy2"})
            QVERIFY2(!enabled(name), name);
        QVERIFY(enabled("FitIt"));

        const double newLow = 20.0;
        clickOnThePlot(Qt::ControlModifier, newLow);
        QVERIFY(std::fabs(session().limits().low - newLow) <= pixelWidth());
        QVERIFY(!enabled("PlotDummy2"));

        trigger("FitIt");
        QVERIFY(enabled("PlotDummy2"));
        // The limits plot is still on show after the fit: a limit marked
        // now changes the points again.
        QVERIFY(session().limits_mode());
        const double newHigh = 25.0;
        clickOnThePlot(Qt::AltModifier, newHigh);
        QVERIFY(std::fabs(session().limits().high - newHigh) <= pixelWidth());
        for (const char *name : {"PlotdCdX_X", "PlotdCdX_C", "PlotDummy2"})
            QVERIFY2(!enabled(name), name);

        trigger("FitIt");
        trigger("PlotDevs");
        const PlotData devs = expectKept(QStringLiteral("Deviations after the new fit"));
        const QList<double> xs = seriesX(devs, 1);
        QVERIFY(!xs.isEmpty());
        QVERIFY2(xs.first() >= session().limits().low && xs.last() <= session().limits().high,
                 qPrintable(joined(xs)));
    }

    void slopePlotsStillWorkWithAScanLeftOut() {
        excludedRows_ = {0};  // the first scan, furthest from equilibrium
        trigger("GetDataFiles");
        QCOMPARE(session().active_count(), kScans - 1);
        QVERIFY(!enabled("PlotDummy2"));
        refSetToChoose_ = kScans - 1;
        trigger("FitIt");
        for (const char *command : {"PlotdCdX_X", "PlotdCdX_C"}) {
            trigger(command);
            const PlotData slopes = expectKept(QString::fromLatin1(command));
            QCOMPARE(QString::fromStdString(slopes.y_label), QStringLiteral("Gradient, dC/dX"));
            for (int series = 1; series < kScans; ++series)
                QVERIFY2(!seriesY(slopes, series).isEmpty(), command);
            QVERIFY(seriesY(slopes, kScans).isEmpty());
        }
        QVERIFY(!window()
                     .outFileBox()
                     ->findItems(QStringLiteral("No derivatives"), Qt::MatchContains)
                     .size());
    }
};

QTEST_MAIN(WorkflowTest)
#include "workflow_test.moc"
