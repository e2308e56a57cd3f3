// SPDX-License-Identifier: MIT
// The data-file window: picking files, sequence loads, clearing, the option
// fields, file information, ticking many rows at once, and the choice of
// active sets on OK.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "AppState.h"
#include "CommentsWindow.h"
#include "DataFileSequence.h"
#include "DataFilesDialog.h"
#include "test_support.h"

using namespace quillane::frontend;
using namespace quillane::frontend::testing;

class DataFilesDialogTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<QTemporaryDir> dir_;
    AppState state_;
    std::unique_ptr<RecordingPrompts> prompts_;
    std::unique_ptr<DataFilesDialog> form_;

    QString scan(int number, const QString &stem = QStringLiteral("SCAN"),
                 const QString &ext = QStringLiteral(".IP1")) {
        return dir_->filePath(stem + QStringLiteral("%1").arg(number, 5, 10, QLatin1Char('0')) +
                              ext);
    }

    QString makeScan(int number) { return writeFile(scan(number), scanFileContent(number)); }

    void pick(int row, const QString &name) {
        prompts_->openNames.push_back(name);
        form_->pickFile(row);
    }

    QStringList names() const {
        QStringList result;
        for (int n = 1; n <= form_->choice().numFilesRead; ++n)
            result << form_->choice().names[n];
        return result;
    }

  private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        state_ = AppState{};
        prompts_ = std::make_unique<RecordingPrompts>();
        form_ = std::make_unique<DataFilesDialog>(state_, *prompts_);
    }

    void aFreshDialogShowsOneEmptyIncludedRow() {
        QCOMPARE(form_->windowTitle(), QStringLiteral("DataFiles For Fitting"));
        QCOMPARE(form_->objectName(), QStringLiteral("Form1"));
        QVERIFY(form_->rowShown(0));
        QVERIFY(!form_->rowShown(1));
        QVERIFY(form_->includeBox(0)->isChecked());
        QCOMPARE(form_->tabs()->count(), 5);
        QCOMPARE(form_->tabs()->tabText(4), QStringLiteral("Page &5"));
        QVERIFY(!form_->tabs()->isTabEnabled(1));
        QCOMPARE(form_->maxFilesField()->text(), QStringLiteral("50"));
        QCOMPARE(form_->incrementField()->text(), QStringLiteral("1"));
        QVERIFY(
            form_->hintText().startsWith(QStringLiteral("Click on filename boxes to load files")));
    }

    void pickingAFileUsesTheDataFilterAndOpensTheNextRow() {
        pick(0, makeScan(1));
        QCOMPARE(prompts_->openTitles, QStringList{QStringLiteral("Get Data Files")});
        QVERIFY(prompts_->openFilters[0].contains(QStringLiteral("*.[Ii][Pp]*")));
        QVERIFY(prompts_->openFilters[0].contains(QStringLiteral("*.[Rr][Aa]*")));
        QVERIFY(prompts_->openFilters[0].contains(QStringLiteral("(*)")));
        QCOMPARE(form_->choice().numFilesRead, 1);
        QVERIFY(form_->rowShown(1));
        QVERIFY(form_->includeBox(1)->isChecked());
        prompts_->openNames.clear();
        form_->pickFile(1);  // cancelled: nothing changes
        QCOMPARE(form_->choice().numFilesRead, 1);
    }

    void pickingAFileForANamedRowReplacesItsName() {
        for (int i = 1; i <= 5; ++i)
            pick(i - 1, makeScan(i));
        const QString other = writeFile(dir_->filePath(QStringLiteral("other.RA2")), "x\n");
        pick(2, other);
        QCOMPARE(form_->choice().numFilesRead, 5);
        QCOMPARE(form_->choice().names[3], other);
    }

    void theFiftiethFilePickedByHandIsCounted() {
        for (int i = 1; i <= 49; ++i)
            pick(i - 1, makeScan(i));
        QCOMPARE(form_->choice().numFilesRead, 49);
        pick(49, makeScan(50));
        QCOMPARE(form_->choice().numFilesRead, 50);
    }

    void aLongNameIsKeptWhole() {
        const QString name = dir_->filePath(QString(140, QLatin1Char('x')) + ".RA1");
        pick(0, writeFile(name, "x\n"));
        QCOMPARE(form_->choice().numFilesRead, 1);
        QCOMPARE(form_->choice().names[1], name);
        QVERIFY(prompts_->warnings.isEmpty());
    }

    void longNamesAreShownByTheirLastCharacters() {
        const QString name =
            dir_->filePath(QStringLiteral("ABCDEFGHIJ") + QStringLiteral("0123456789") + "X.RA1");
        pick(0, writeFile(name, "x\n"));
        QCOMPARE(form_->nameBox(0)->text(), QStringLiteral("...") + name.right(21));
        const QString shortName =
            QStringLiteral("/a/b/S00001.RA1");  // 15 characters: shown in full
        pick(0, shortName);
        QCOMPARE(form_->nameBox(0)->text(), shortName);
    }

    void sequenceAfter00098ContinuesWith00099And00100AndStopsAtAGap() {
        makeScan(98);
        makeScan(99);
        makeScan(100);
        makeScan(102);  // 101 is missing
        pick(0, scan(98));
        form_->loadSequence();
        QVERIFY(sameLines(names(), {scan(98), scan(99), scan(100)}));
        QCOMPARE(prompts_->beeps, 1);
        QVERIFY(form_->rowShown(3));
        QVERIFY(form_->nameBox(3)->text().isEmpty());
        QVERIFY(!form_->rowShown(4));
    }

    void sequenceNumbersPast99999GetASixthDigit() {
        const SequenceName name = splitSequenceName(QStringLiteral("/data/SCAN99999.IP1"));
        QVERIFY(name.valid);
        QCOMPARE(name.number, 99999LL);
        QCOMPARE(sequenceFileName(name, name.number + 1), QStringLiteral("/data/SCAN100000.IP1"));
        QCOMPARE(sequenceFileName(splitSequenceName(QStringLiteral("/d/00012.RA1")), 14),
                 QStringLiteral("/d/00014.RA1"));
    }

    void sequenceNamesIgnoreDotsInFolderNames() {
        const SequenceName name = splitSequenceName(QStringLiteral("/home/u/run.2024/S00007.RA3"));
        QVERIFY(name.valid);
        QCOMPARE(name.prefix, QStringLiteral("/home/u/run.2024/S"));
        QCOMPARE(name.number, 7LL);
        QCOMPARE(name.extension, QStringLiteral(".RA3"));
        QVERIFY(!splitSequenceName(QStringLiteral("/data.d/ab.RA1")).valid);
        QVERIFY(!splitSequenceName(QStringLiteral("/data.d/noextension")).valid);
    }

    void aNameWithoutANumberOnlyBeeps() {
        pick(0, writeFile(dir_->filePath(QStringLiteral("ab.RA1")), "x\n"));
        form_->loadSequence();
        QCOMPARE(form_->choice().numFilesRead, 1);
        QCOMPARE(prompts_->beeps, 1);
    }

    void sequenceWithAStepTakesEveryNthFile() {
        for (int i = 12; i <= 20; ++i)
            makeScan(i);
        pick(0, scan(12));
        form_->useIncrementBox()->setChecked(true);
        form_->incrementField()->setText(QStringLiteral("2"));
        form_->loadSequence();
        QVERIFY(sameLines(names(), {scan(12), scan(14), scan(16), scan(18), scan(20)}));
    }

    void theMaximumLimitsTheSequenceAndBeepsWhenReached() {
        for (int i = 1; i <= 10; ++i)
            makeScan(i);
        for (int i = 1; i <= 3; ++i)
            pick(i - 1, scan(i));
        form_->useMaxFilesBox()->setChecked(true);
        form_->maxFilesField()->setText(QStringLiteral("5"));
        form_->loadSequence();
        QCOMPARE(form_->choice().numFilesRead, 5);
        QCOMPARE(prompts_->beeps, 0);
        form_->loadSequence();
        QCOMPARE(form_->choice().numFilesRead, 5);
        QCOMPARE(prompts_->beeps, 1);
    }

    void aSequenceWithNoFileYetAsksForTheFirst() {
        makeScan(1);
        makeScan(2);
        form_->loadSequence();  // cancelled: nothing happens
        QCOMPARE(form_->choice().numFilesRead, 0);
        prompts_->openNames.push_back(scan(1));
        form_->loadSequence();
        QVERIFY(sameLines(names(), {scan(1), scan(2)}));
        QCOMPARE(form_->tabs()->currentIndex(), 0);
    }

    void aSequenceGoingOnPastFiftyIsToldWhatWasNotLoaded() {
        for (int i = 1; i <= 51; ++i)
            makeScan(i);
        pick(0, scan(1));
        form_->loadSequence();
        QCOMPARE(form_->choice().numFilesRead, 50);
        QVERIFY(form_->tabs()->isTabEnabled(4));
        QCOMPARE(prompts_->warnings.size(), 1);
        QVERIFY(prompts_->warnings[0].text.contains(
            QStringLiteral("SCAN00051.IP1 and the files after it were not loaded")));
        QCOMPARE(prompts_->beeps, 0);
        form_->loadSequence();
        QCOMPARE(prompts_->beeps, 1);
    }

    void severalFilesPickedAtOnceFillTheRowsInNameOrder() {
        for (int i = 1; i <= 3; ++i)
            makeScan(i);
        prompts_->openNameLists.push_back({scan(3), scan(1), scan(2)});
        form_->pickFile(0);
        QVERIFY(sameLines(names(), {scan(1), scan(2), scan(3)}));
        QVERIFY(form_->rowShown(3));
        QCOMPARE(prompts_->multipleOpens, 1);
    }

    void clearAllFilesKeepsOnlyTheFirstRow() {
        for (int i = 1; i <= 12; ++i)
            pick(i - 1, makeScan(i));
        QVERIFY(form_->tabs()->isTabEnabled(1));
        form_->clearAllFiles();
        QCOMPARE(form_->choice().numFilesRead, 0);
        QVERIFY(form_->rowShown(0));
        QVERIFY(!form_->rowShown(1));
        QVERIFY(!form_->rowShown(12));
        QVERIFY(!form_->nameBox(0)->text().isEmpty());
        QVERIFY(form_->choice().names[2].isEmpty());
        QVERIFY(!form_->tabs()->isTabEnabled(1));
        QCOMPARE(form_->highlightedRow(), 0);
        pick(0, scan(5));  // starts the list again
        QCOMPARE(form_->choice().numFilesRead, 1);
        QCOMPARE(form_->choice().names[1], scan(5));
    }

    void okWithRows2And4ClearedGivesActiveSets1_3_5() {
        for (int i = 1; i <= 5; ++i)
            pick(i - 1, makeScan(i));
        form_->includeBox(1)->setChecked(false);
        form_->includeBox(3)->setChecked(false);
        form_->includeBox(5)->setChecked(false);  // the empty row does not count
        form_->accept();
        QCOMPARE(form_->result(), int(QDialog::Accepted));
        const DataFileChoice &choice = form_->choice();
        QCOMPARE(choice.numActive, 3);
        QCOMPARE(choice.activeSetTable[1], 1);
        QCOMPARE(choice.activeSetTable[2], 3);
        QCOMPARE(choice.activeSetTable[3], 5);
        QCOMPARE(choice.activeFlags[2], kFalse);
        QCOMPARE(choice.activeFlags[3], kTrue);

        AppState state;
        applyDataFileChoice(state, choice, true);
        QCOMPARE(state.ActiveFlags[2], kFalse);
        QCOMPARE(state.ActiveFlags[3], kTrue);
        QCOMPARE(state.NumFilesRead, 5);
        QCOMPARE(state.DataFileNames[5], scan(5));
        AppState kept;
        applyDataFileChoice(kept, choice, false);
        QCOMPARE(kept.ActiveFlags[3], kFalse);
        QCOMPARE(kept.NumFilesRead, 5);
    }

    void selectionModeHidesTheLoadControlsAndIgnoresNameClicks() {
        for (int i = 1; i <= 12; ++i)
            pick(i - 1, makeScan(i));
        form_->tabs()->setCurrentIndex(1);
        form_->prepare(false);
        QCOMPARE(form_->tabs()->currentIndex(), 0);
        QCOMPARE(form_->hintText(),
                 QStringLiteral(
                     " Use CheckBoxes to Include or Exclude Individual DataSets From the Fitting "
                     "Process.  Click on OK when Finished Selecting."));
        QVERIFY(form_->findChild<QWidget *>(QStringLiteral("SequenceOptions"))->isHidden());
        QVERIFY(form_->findChild<QWidget *>(QStringLiteral("FileButtons"))->isHidden());
        form_->show();
        QTest::mouseClick(form_->nameBox(0), Qt::LeftButton);
        QVERIFY(prompts_->openTitles.size() == 12);  // no new file dialog
        form_->prepare(true);
        QTest::mouseClick(form_->nameBox(0), Qt::LeftButton);
        QCOMPARE(prompts_->openTitles.size(), 13);
        form_->hide();
    }

    void theFocusedRowIsHighlightedReadablyAndRememberedForTheButtons_data() {
        QTest::addColumn<QPalette>("palette");
        QTest::newRow("light") << QApplication::palette();
        QTest::newRow("dark") << darkPalette();
    }

    void theFocusedRowIsHighlightedReadablyAndRememberedForTheButtons() {
        QFETCH(QPalette, palette);
        form_->setPalette(palette);
        for (int i = 1; i <= 3; ++i)
            pick(i - 1, makeScan(i));
        form_->show();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
        form_->includeBox(2)->setFocus();
        QTRY_COMPARE(form_->setLabel(2)->palette().color(QPalette::WindowText),
                     palette.color(QPalette::HighlightedText));
        QVERIFY(form_->setLabel(2)->autoFillBackground());
        const QPalette shown = form_->setLabel(2)->palette();
        QVERIFY(contrastRatio(shown.color(QPalette::WindowText), shown.color(QPalette::Window)) >=
                kReadableContrast);
        const QPalette name = form_->nameBox(2)->palette();
        QVERIFY(contrastRatio(name.color(QPalette::Text), name.color(QPalette::Base)) >=
                kReadableContrast);
        form_->includeBox(0)->setFocus();
        QTRY_COMPARE(form_->highlightedRow(), 2);
        QCOMPARE(form_->setLabel(2)->palette().color(QPalette::WindowText),
                 palette.color(QPalette::WindowText));
        const QString other = writeFile(dir_->filePath(QStringLiteral("other.RA1")), "x\n");
        prompts_->openNames.push_back(other);
        form_->enterAlterFileName();
        QCOMPARE(form_->choice().names[3], other);
        form_->tabs()->setCurrentIndex(0);
        form_->hide();
    }

    void theIncludeBoxesCanBeTickedAllNoneOrEveryNth() {
        for (int i = 1; i <= 7; ++i)
            pick(i - 1, makeScan(i));
        auto click = [this](const char *name) {
            QTest::mouseClick(form_->findChild<QPushButton *>(QString::fromLatin1(name)),
                              Qt::LeftButton);
        };
        auto ticked = [this] {
            QList<int> rows;
            for (int row = 0; row < 7; ++row)
                if (form_->includeBox(row)->isChecked()) rows << row;
            return rows;
        };
        click("TickNone");
        QCOMPARE(ticked(), QList<int>{});
        QVERIFY(form_->includeBox(7)->isChecked());  // the empty row is not a data set
        click("TickAll");
        QCOMPARE(ticked(), (QList<int>{0, 1, 2, 3, 4, 5, 6}));
        prompts_->numbers.push_back(3);
        click("TickEveryNth");
        QCOMPARE(ticked(), (QList<int>{0, 3, 6}));
        click("TickEveryNth");  // cancelled: nothing changes
        QCOMPARE(ticked(), (QList<int>{0, 3, 6}));
        form_->accept();
        QCOMPARE(form_->choice().numActive, 3);
        QCOMPARE(form_->choice().activeSetTable[2], 4);
    }

    void withFiftyFilesEveryPageIsInView() {
        for (int i = 1; i <= 50; ++i)
            pick(i - 1, makeScan(i));
        form_->prepare(false);
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
        QVERIFY(everyTabInView(*form_->tabs()));
        form_->hide();
    }

    void theNextFileIsPickedInTheFolderOfTheLast() {
        pick(0, makeScan(1));
        DataFilesDialog next(state_, *prompts_);
        prompts_->openNames.push_back(makeScan(2));
        next.pickFile(0);
        QCOMPARE(prompts_->openFolders.last(), dir_->path());
    }

    void optionFieldsCorrectValuesOutOfRangeWithABeep() {
        form_->maxFilesField()->setText(QStringLiteral("0"));
        QCOMPARE(form_->maxFilesField()->text(), QStringLiteral("1"));
        QCOMPARE(form_->choice().maxFiles, int16_t(1));
        form_->maxFilesField()->setText(QStringLiteral("77"));
        QCOMPARE(form_->maxFilesField()->text(), QStringLiteral("50"));
        QCOMPARE(prompts_->beeps, 2);
        form_->useMaxFilesBox()->setChecked(true);
        form_->stepMaxFiles(+1);
        QCOMPARE(prompts_->beeps, 3);
        form_->stepMaxFiles(-1);
        QCOMPARE(form_->maxFilesField()->text(), QStringLiteral("49"));
        form_->incrementField()->setText(QStringLiteral(""));
        QCOMPARE(form_->incrementField()->text(), QStringLiteral("1"));
        form_->stepIncrement(-1);
        QCOMPARE(prompts_->beeps, 5);
        form_->incrementField()->setText(QStringLiteral("99"));
        form_->stepIncrement(+1);
        QCOMPARE(prompts_->beeps, 6);
        QCOMPARE(form_->choice().fileIncrement, int16_t(99));
    }

    void optionFieldsTakeOnlyDigits() {
        QLineEdit *field = form_->maxFilesField();
        field->selectAll();
        QTest::keyClicks(field, QStringLiteral("a-2"));
        QCOMPARE(field->text(), QStringLiteral("2"));
        QTest::keyClick(field, Qt::Key_Backspace);
        QCOMPARE(field->text(), QStringLiteral("2"));
        QTest::keyClicks(field, QStringLiteral("5"));
        QCOMPARE(field->text(), QStringLiteral("25"));
        QCOMPARE(form_->choice().maxFiles, int16_t(25));
    }

    void fileInfoShowsTheFirstTwoLinesOfTheFile() {
        pick(0, writeFile(dir_->filePath(QStringLiteral("S00001.RA1")),
                          "Cell 2, 40000 rpm\r\nR 1 2 3 1800\r\n6.1 0.2\r\n"));
        QString first, second, caption;
        prompts_->onDialog = [&](QDialog &dialog) {
            auto *comments = qobject_cast<CommentsWindow *>(&dialog);
            QVERIFY(comments);
            first = comments->firstLine();
            second = comments->secondLine();
            caption = comments->windowTitle();
        };
        form_->showFileInfo(0);
        QCOMPARE(first, QStringLiteral("Cell 2, 40000 rpm"));
        QCOMPARE(second, QStringLiteral("R 1 2 3 1800"));
        QCOMPARE(caption, QDir::toNativeSeparators(form_->choice().names[1]));
    }

    void fileInfoForAFileThatCannotBeReadNamesTheFile() {
        const QString name = makeScan(1);
        pick(0, name);
        QFile::remove(name);
        form_->showFileInfo(0);
        QCOMPARE(prompts_->warnings.size(), 1);
        QVERIFY(prompts_->warnings[0].text.contains(QDir::toNativeSeparators(name)));
        form_->showFileInfo(1);  // the empty row
        QCOMPARE(prompts_->warnings.size(), 2);
    }
};

QTEST_MAIN(DataFilesDialogTest)
#include "data_files_dialog_test.moc"
