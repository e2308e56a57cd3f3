// SPDX-License-Identifier: MIT
// Every menu and every dialog of the program can be worked from the
// keyboard: each command, button, tick box and labelled field has one
// access key, and no two share one within a menu or a dialog.  The program
// runs on the real library over the bundled examples; each dialog is
// checked as a command opens it, then answered.
#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

#include "ChooseRefSetDialog.h"
#include "DataFilesDialog.h"
#include "DataSetChooserDialog.h"
#include "DataSetTimesDialog.h"
#include "DifferParmsDialog.h"
#include "ReportWindow.h"
#include "ResultGraphDialogs.h"
#include "SeriesDialog.h"
#include "plot_window.h"
#include "test_support.h"

using namespace quillane::frontend;
using namespace quillane::frontend::testing;

namespace {

// The access keys of a caption: each letter after a single '&'.
QList<QChar> accessKeys(const QString &text) {
    QList<QChar> keys;
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != QLatin1Char('&')) continue;
        if (text[i + 1] != QLatin1Char('&')) keys << text[i + 1].toLower();
        ++i;  // "&&" is a plain ampersand
    }
    return keys;
}

// Notes each problem of one caption in one menu or dialog: no key, more
// than one, or one already taken there.
void checkCaption(const QString &where, const QString &caption, QHash<QChar, QString> &taken,
                  QStringList &problems) {
    const QList<QChar> keys = accessKeys(caption);
    if (keys.size() != 1) {
        problems
            << QStringLiteral("%1: \"%2\" has %3 access keys").arg(where, caption).arg(keys.size());
        return;
    }
    if (taken.contains(keys.front()))
        problems << QStringLiteral("%1: \"%2\" and \"%3\" share %4")
                        .arg(where, caption, taken.value(keys.front()), keys.front());
    taken.insert(keys.front(), caption);
}

// Rows of one kind (a tick box per data set, a column's button) are a
// list walked with Tab and the arrows, not each given a key of its own.
bool isListRow(const QWidget *w) {
    static const QRegularExpression row(
        QStringLiteral("^(Check|Column|IncludeInFit|FileInfo|FileName)_\\d+$"));
    return row.match(w->objectName()).hasMatch();
}

QStringList menuProblems(const QString &where, const QList<QAction *> &actions) {
    QStringList problems;
    QHash<QChar, QString> taken;
    for (QAction *a : actions) {
        if (a->isSeparator() || !a->isVisible() || a->text().isEmpty()) continue;
        // Printers are listed as the system names them.
        if (a->objectName().startsWith(QStringLiteral("Prn2Array")) ||
            a->objectName() == QStringLiteral("PrnArray"))
            continue;
        checkCaption(where, a->text(), taken, problems);
        if (QMenu *sub = a->menu())
            problems << menuProblems(where + " > " + a->text(), sub->actions());
    }
    return problems;
}

QStringList menuBarProblems(QMenuBar *bar, const QString &where) {
    return menuProblems(where, bar->actions());
}

// The controls a dialog shows on opening (and its tab bars) with their keys.
QStringList dialogProblems(QWidget &dialog) {
    QStringList problems;
    QHash<QChar, QString> taken;
    const QString where = dialog.objectName();
    for (QWidget *w : dialog.findChildren<QWidget *>()) {
        if (!w->isVisibleTo(&dialog) || isListRow(w)) continue;
        if (auto *button = qobject_cast<QAbstractButton *>(w)) {
            if (qobject_cast<QToolButton *>(w)) continue;  // arrows and icons
            // A button without a word ("?", arrows) is one of a row's.
            if (!button->text().contains(QRegularExpression(QStringLiteral("[A-Za-z]{2}"))))
                continue;
            if (qobject_cast<QTabBar *>(w->parentWidget())) continue;  // the tab bar's scrollers
            checkCaption(where, button->text(), taken, problems);
        } else if (auto *label = qobject_cast<QLabel *>(w)) {
            if (label->buddy()) checkCaption(where, label->text(), taken, problems);
        } else if (auto *group = qobject_cast<QGroupBox *>(w)) {
            if (group->isCheckable()) checkCaption(where, group->title(), taken, problems);
        } else if (auto *tabs = qobject_cast<QTabBar *>(w)) {
            // Pages are also reached with Ctrl+Tab: a key, when given, is
            // the page's own.
            for (int i = 0; i < tabs->count(); ++i)
                if (tabs->isTabVisible(i) && !accessKeys(tabs->tabText(i)).isEmpty())
                    checkCaption(where, tabs->tabText(i), taken, problems);
        }
    }
    return problems;
}

}  // namespace

class AccessKeysTest : public WholeProgramTest {
    Q_OBJECT

  private:
    QStringList problems_;
    QStringList dialogsSeen_;

    void answerDialog(QDialog &dialog) override {
        dialogsSeen_ << dialog.objectName();
        problems_ << dialogProblems(dialog);
        if (auto *files = qobject_cast<DataFilesDialog *>(&dialog)) {
            if (!session().files_read()) {
                prompts_.openNames.push_back(examplePath(QStringLiteral("00001.RA1")));
                files->loadSequence();
            }
            files->accept();
        } else if (auto *chooser = qobject_cast<DataSetChooserDialog *>(&dialog)) {
            chooser->plotAll();
        } else if (auto *rms = qobject_cast<RmsVsTimeDialog *>(&dialog)) {
            rms->accept();
        } else if (auto *series = qobject_cast<SeriesDialog *>(&dialog)) {
            series->reject();
        } else {
            dialog.accept();
        }
    }

    void expectNoProblems() {
        QVERIFY2(problems_.isEmpty(), qPrintable(problems_.join(QLatin1Char('\n'))));
    }

  private slots:
    void initTestCase() {
        prepare();
        QVERIFY(start());
    }
    void cleanupTestCase() { finish(); }

    void theCheckFindsASharedKeyTwoKeysAndNone() {
        QDialog dialog;
        dialog.setObjectName(QStringLiteral("Sample"));
        for (const char *caption : {"&Open", "&Other", "Plain", "&Plot &Results"})
            new QPushButton(QString::fromLatin1(caption), &dialog);
        QCOMPARE(dialogProblems(dialog).size(), 3);
        QMenu menu;
        menu.addAction(QStringLiteral("&Read Data Files"));
        menu.addAction(QStringLiteral("Choose Se&ries..."));
        QCOMPARE(menuProblems(QStringLiteral("menu"), menu.actions()).size(), 1);
    }

    void theMenusGiveEveryCommandOneKeyOfItsOwnBeforeAndAfterReading() {
        problems_ << menuBarProblems(window().menuBar(), QStringLiteral("main"));
        trigger("GetDataFiles");
        QCOMPARE(window().actions().GetDataFiles->text(),
                 QStringLiteral("Select &Active Data Files"));
        problems_ << menuBarProblems(window().menuBar(), QStringLiteral("main, files read"));
        expectNoProblems();
    }

    void everyDialogGivesItsControlsOneKeyEach() {
        for (const char *command :
             {"GetDataFiles", "ChooseSeries", "SetLimits", "FitIt", "GetNewTimes", "SetupDiffer",
              "PlotRaw", "PlotRMS", "PlotDevs", "PlotDevvsT", "PlotPOffset"})
            trigger(command);
        for (const char *dialog :
             {"Form1", "ChooseSeries", "NewDSToPlot", "ChooseRefSet", "SetDSTimes", "DifferParms",
              "RMSvsTime", "DevvsPos", "DevsvsTime"})
            QVERIFY2(dialogsSeen_.contains(QString::fromLatin1(dialog)), dialog);
        expectNoProblems();
    }

    void thePlotAndReportWindowsToo() {
        QVERIFY(viewer());
        problems_ << menuBarProblems(viewer()->menuBar(), QStringLiteral("plot window"));
        trigger("ViewReport");
        problems_ << dialogProblems(*window().reportWindow());
        expectNoProblems();
    }
};

QTEST_MAIN(AccessKeysTest)
#include "access_keys_test.moc"
