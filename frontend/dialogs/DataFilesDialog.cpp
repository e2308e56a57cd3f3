// SPDX-License-Identifier: MIT
#include "DataFilesDialog.h"

#include <algorithm>
#include <numeric>
#include <vector>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "ActiveSetPages.h"
#include "CommentsWindow.h"
#include "DataFileSequence.h"
#include "FileNames.h"
#include "FileUtil.h"
#include "Prompts.h"
#include "Settings.h"
#include "TextFormat.h"
#include "regular_file.h"
#include "series.h"

namespace quillane::frontend {

namespace {

constexpr int kShownNameBound = 25;     // names shorter than this are shown in full
constexpr int kSequenceNameBound = 24;  // the same for names a sequence load makes
constexpr int kShownNameTail = 21;      // characters kept of a longer name

const char *const kLoadHint =
    "Click on filename boxes to load files, or use buttons on the right when set is "
    "highlighted.  Click on ? to see file info.";

QString selectionHint() {
    return QStringLiteral(" Use CheckBoxes to Include or Exclude ") +
           QStringLiteral("Individual DataSets From the Fitting Process.  ") +
           QStringLiteral("Click on OK when Finished Selecting.");
}

// Keys that edit nothing: moving about, leaving the field, closing the dialog.
bool isNavigationKey(int key) {
    switch (key) {
        case Qt::Key_Delete:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Home:
        case Qt::Key_End:
            return true;
        default:
            return false;
    }
}

QToolButton *arrowButton(QWidget *parent, const QString &name, Qt::ArrowType arrow) {
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFixedSize(18, 12);
    return button;
}

}  // namespace

DataFilesDialog::DataFilesDialog(const AppState &state, Prompts &prompts, QWidget *parent)
    : QDialog(parent), prompts_(prompts) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("DataFiles For Fitting"));
    choice_.names = state.DataFileNames;
    choice_.numFilesRead = qBound(0, state.NumFilesRead, kRows);
    choice_.activeFlags = state.ActiveFlags;
    choice_.fileIncrement = state.FileIncrement;
    choice_.useIncrement = state.UseIncrement;
    choice_.maxFiles = state.MaxFiles;
    choice_.useMaxFiles = state.UseMaxFiles;

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("TabStrip1"));
    for (int page = 0; page < kRows / kRowsPerPage; ++page)
        tabs_->addTab(buildPage(page), QStringLiteral("Page &%1").arg(page + 1));
    keepEveryTabInView(*tabs_);
    connect(tabs_, &QTabWidget::currentChanged, this,
            [this](int page) { highlightedRow_ = kRowsPerPage * page; });

    hint_ = new QLabel(this);
    hint_->setObjectName(QStringLiteral("HintPanel"));
    hint_->setWordWrap(true);
    hint_->setFrameShape(QFrame::Panel);
    hint_->setFrameShadow(QFrame::Sunken);

    optionsPanel_ = buildOptionsPanel();
    buttonsPanel_ = buildButtonsPanel();
    auto *ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &DataFilesDialog::accept);

    auto *right = new QVBoxLayout;
    right->addWidget(optionsPanel_);
    right->addWidget(buttonsPanel_);
    right->addStretch(1);
    right->addWidget(ok);
    auto *left = new QVBoxLayout;
    left->addWidget(tabs_, 1);
    left->addLayout(buildTickRow());
    auto *top = new QHBoxLayout;
    top->addLayout(left, 1);
    top->addLayout(right);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(hint_);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Named files plus one empty row below them, every one included.
    for (int row = 0; row < kRows; ++row) {
        const bool shown = row <= choice_.numFilesRead;
        showRow(row, shown);
        if (row < choice_.numFilesRead) showNameInRow(row, choice_.names[row + 1], kShownNameBound);
        if (shown) rows_[row].include->setChecked(true);
    }
    enablePages();
    prepare(true);
}

QWidget *DataFilesDialog::buildPage(int page) {
    auto *widget = new QWidget;
    widget->setObjectName(QStringLiteral("Page%1").arg(page + 1));
    auto *grid = new QGridLayout(widget);
    grid->setVerticalSpacing(2);
    const char *headings[] = {"Set #", "Include in Fit", "File Name", "File Info"};
    for (int column = 0; column < 4; ++column) {
        auto *heading = new QLabel(QString::fromLatin1(headings[column]), widget);
        heading->setAlignment(Qt::AlignCenter);
        grid->addWidget(heading, 0, column);
    }
    for (int i = 0; i < kRowsPerPage; ++i) {
        const int row = page * kRowsPerPage + i;
        Row &r = rows_[row];
        r.label = new QLabel(QString::number(row + 1), widget);
        r.label->setObjectName(QStringLiteral("SetNumber_%1").arg(row));
        r.label->setAlignment(Qt::AlignCenter);
        r.include = new QCheckBox(widget);
        r.include->setObjectName(QStringLiteral("IncludeInFit_%1").arg(row));
        r.name = new QLineEdit(widget);
        r.name->setObjectName(QStringLiteral("FileName_%1").arg(row));
        r.name->setReadOnly(true);
        r.name->setMinimumWidth(
            QFontMetrics(r.name->font()).horizontalAdvance(QString(27, QLatin1Char('M'))) * 2 / 3);
        r.info = new QPushButton(QStringLiteral("?"), widget);
        r.info->setObjectName(QStringLiteral("FileInfo_%1").arg(row));
        r.info->setFixedWidth(28);
        for (QObject *control :
             {static_cast<QObject *>(r.include), static_cast<QObject *>(r.name)}) {
            control->setProperty("row", row);
            control->installEventFilter(this);
        }
        connect(r.info, &QPushButton::clicked, this, [this, row] { showFileInfo(row); });
        grid->addWidget(r.label, i + 1, 0);
        grid->addWidget(r.include, i + 1, 1, Qt::AlignCenter);
        grid->addWidget(r.name, i + 1, 2);
        grid->addWidget(r.info, i + 1, 3);
    }
    grid->setRowStretch(kRowsPerPage + 1, 1);
    return widget;
}

QWidget *DataFilesDialog::buildOptionsPanel() {
    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("SequenceOptions"));
    auto *grid = new QGridLayout(panel);

    useMaxBox_ = new QCheckBox(panel);
    useMaxBox_->setObjectName(QStringLiteral("UseMaxFiles"));
    maxField_ = new QLineEdit(panel);
    maxField_->setObjectName(QStringLiteral("MaxFilesText"));
    maxUp_ = arrowButton(panel, QStringLiteral("MaxFilesUp"), Qt::UpArrow);
    maxDown_ = arrowButton(panel, QStringLiteral("MaxFilesDown"), Qt::DownArrow);
    useIncrementBox_ = new QCheckBox(panel);
    useIncrementBox_->setObjectName(QStringLiteral("UseIncrement"));
    incrementField_ = new QLineEdit(panel);
    incrementField_->setObjectName(QStringLiteral("IncrementText"));
    incrementUp_ = arrowButton(panel, QStringLiteral("IncrementUp"), Qt::UpArrow);
    incrementDown_ = arrowButton(panel, QStringLiteral("IncrementDown"), Qt::DownArrow);

    const QString captions[] = {
        QStringLiteral("For sequence loads &maximum number of files, I =  "),
        QStringLiteral("For sequence loads &use only every Nth scan, N=  ")};
    QCheckBox *boxes[] = {useMaxBox_, useIncrementBox_};
    QLineEdit *fields[] = {maxField_, incrementField_};
    QToolButton *ups[] = {maxUp_, incrementUp_};
    QToolButton *downs[] = {maxDown_, incrementDown_};
    for (int i = 0; i < 2; ++i) {
        auto *caption = new QLabel(captions[i], panel);
        caption->setWordWrap(true);
        caption->setMaximumWidth(260);
        caption->setBuddy(boxes[i]);
        // Two digits at most: the largest values the fields accept are 50 and 99.
        fields[i]->setMaxLength(2);
        fields[i]->setFixedWidth(
            QFontMetrics(fields[i]->font()).horizontalAdvance(QStringLiteral("000")) + 8);
        fields[i]->installEventFilter(this);
        auto *spin = new QVBoxLayout;
        spin->setSpacing(0);
        spin->addWidget(ups[i]);
        spin->addWidget(downs[i]);
        grid->addWidget(boxes[i], 2 * i, 0);
        grid->addWidget(caption, 2 * i, 1);
        grid->addWidget(fields[i], 2 * i, 2);
        grid->addLayout(spin, 2 * i, 3);
    }

    maxField_->setText(QString::number(choice_.maxFiles));
    incrementField_->setText(QString::number(choice_.fileIncrement));
    useMaxBox_->setChecked(choice_.useMaxFiles != kFalse);
    useIncrementBox_->setChecked(choice_.useIncrement != kFalse);
    maxUp_->setEnabled(useMaxBox_->isChecked());
    maxDown_->setEnabled(useMaxBox_->isChecked());
    incrementUp_->setEnabled(useIncrementBox_->isChecked());
    incrementDown_->setEnabled(useIncrementBox_->isChecked());

    connect(maxField_, &QLineEdit::textChanged, this, &DataFilesDialog::maxFieldEdited);
    connect(incrementField_, &QLineEdit::textChanged, this, &DataFilesDialog::incrementFieldEdited);
    connect(maxUp_, &QToolButton::clicked, this, [this] { stepMaxFiles(+1); });
    connect(maxDown_, &QToolButton::clicked, this, [this] { stepMaxFiles(-1); });
    connect(incrementUp_, &QToolButton::clicked, this, [this] { stepIncrement(+1); });
    connect(incrementDown_, &QToolButton::clicked, this, [this] { stepIncrement(-1); });
    connect(useMaxBox_, &QCheckBox::toggled, this, [this](bool on) {
        choice_.useMaxFiles = on ? kTrue : kFalse;
        maxUp_->setEnabled(on);
        maxDown_->setEnabled(on);
    });
    connect(useIncrementBox_, &QCheckBox::toggled, this, [this](bool on) {
        choice_.useIncrement = on ? kTrue : kFalse;
        incrementUp_->setEnabled(on);
        incrementDown_->setEnabled(on);
    });
    return panel;
}

QWidget *DataFilesDialog::buildButtonsPanel() {
    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("FileButtons"));
    auto *layout = new QVBoxLayout(panel);
    auto *clear = new QPushButton(QStringLiteral("&Clear All Files"), panel);
    clear->setObjectName(QStringLiteral("ClearAllFiles"));
    auto *sequence = new QPushButton(QStringLiteral("Load &Sequence"), panel);
    sequence->setObjectName(QStringLiteral("LoadSequence"));
    auto *enter = new QPushButton(QStringLiteral("Enter/Alter &FileName"), panel);
    enter->setObjectName(QStringLiteral("EnterAlterFileName"));
    for (QPushButton *button : {clear, sequence, enter}) {
        button->setAutoDefault(false);
        layout->addWidget(button);
    }
    connect(clear, &QPushButton::clicked, this, &DataFilesDialog::clearAllFiles);
    connect(sequence, &QPushButton::clicked, this, &DataFilesDialog::loadSequence);
    connect(enter, &QPushButton::clicked, this, &DataFilesDialog::enterAlterFileName);
    return panel;
}

// Ticking many rows at once: with 50 scans, one click per row is too many.
QHBoxLayout *DataFilesDialog::buildTickRow() {
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Include in Fit:"), this));
    const struct {
        const char *name;
        const char *caption;
        void (DataFilesDialog::*slot)();
    } buttons[] = {{"TickAll", "A&ll", &DataFilesDialog::tickAll},
                   {"TickNone", "&None", &DataFilesDialog::tickNone},
                   {"TickEveryNth", "&Every Nth...", &DataFilesDialog::tickEveryNth}};
    for (const auto &b : buttons) {
        auto *button = new QPushButton(QString::fromLatin1(b.caption), this);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, b.slot);
        row->addWidget(button);
    }
    row->addStretch(1);
    return row;
}

QString DataFilesDialog::hintText() const {
    return hint_->text();
}

void DataFilesDialog::prepare(bool loadMode) {
    loadMode_ = loadMode;
    optionsPanel_->setVisible(loadMode);
    buttonsPanel_->setVisible(loadMode);
    if (loadMode) {
        hint_->setText(QString::fromLatin1(kLoadHint));
    } else {
        tabs_->setCurrentIndex(0);
        hint_->setText(selectionHint());
    }
    adjustSize();
}

void DataFilesDialog::showRow(int row, bool shown) {
    rowShown_[row] = shown;
    const Row &r = rows_[row];
    for (QWidget *w : {static_cast<QWidget *>(r.label), static_cast<QWidget *>(r.include),
                       static_cast<QWidget *>(r.name), static_cast<QWidget *>(r.info)})
        w->setVisible(shown);
}

void DataFilesDialog::showNameInRow(int row, const QString &name, int bound) {
    rows_[row].name->setText(shortenedName(name, bound, kShownNameTail));
    rows_[row].name->setToolTip(QDir::toNativeSeparators(name));
}

void DataFilesDialog::enablePages() {
    const int lastPage = qMin(choice_.numFilesRead / kRowsPerPage, tabs_->count() - 1);
    for (int page = 0; page < tabs_->count(); ++page)
        tabs_->setTabEnabled(page, page <= lastPage);
}

// The row being worked on is drawn in the palette's highlight colours, which
// every theme keeps readable, light or dark.
void DataFilesDialog::setRowHighlight(int row, bool on) {
    const QPalette normal = palette();
    QPalette labelPalette = normal;
    QPalette namePalette = normal;
    if (on) {
        labelPalette.setColor(QPalette::Window, normal.color(QPalette::Highlight));
        labelPalette.setColor(QPalette::WindowText, normal.color(QPalette::HighlightedText));
        namePalette.setColor(QPalette::Base, normal.color(QPalette::Highlight));
        namePalette.setColor(QPalette::Text, normal.color(QPalette::HighlightedText));
    }
    rows_[row].label->setAutoFillBackground(on);
    rows_[row].label->setPalette(labelPalette);
    rows_[row].name->setPalette(namePalette);
}

int DataFilesDialog::rowOf(QObject *control) const {
    const QVariant row = control->property("row");
    return row.isValid() ? row.toInt() : -1;
}

bool DataFilesDialog::eventFilter(QObject *watched, QEvent *event) {
    if (watched == maxField_ || watched == incrementField_) {
        if (event->type() == QEvent::KeyPress) {
            auto *key = static_cast<QKeyEvent *>(event);
            if (isNavigationKey(key->key())) return false;
            const QString text = key->text();
            // Only digits may be typed; every other character, backspace
            // included, is dropped.
            if (key->key() == Qt::Key_Backspace || (!text.isEmpty() && !text.at(0).isDigit()))
                return true;
        }
        return QDialog::eventFilter(watched, event);
    }
    const int row = rowOf(watched);
    if (row >= 0) {
        if (watched == rows_[row].name && event->type() == QEvent::MouseButtonPress) {
            if (loadMode_) pickFile(row);
            return true;
        }
        if (watched == rows_[row].include) {
            if (event->type() == QEvent::FocusIn) setRowHighlight(row, true);
            if (event->type() == QEvent::FocusOut) {
                setRowHighlight(row, false);
                highlightedRow_ = row;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void DataFilesDialog::pickFile(int row) {
    if (row < 0 || row >= kRows) return;
    QStringList names =
        prompts_.openFileNames(this, QStringLiteral("Get Data Files"),
                               QStringLiteral("Data (*.[Ii][Pp]* *.[Rr][Aa]*);;All files (*)"),
                               settings::lastScanFolder());
    if (names.isEmpty()) return;
    // In the order of their names, as a sequence would be: the file
    // dialog gives them in the order they were clicked.
    std::sort(names.begin(), names.end(), naturalBefore);
    settings::rememberScanFile(names.first());
    const int room = kRows - row;
    for (int i = 0; i < qMin(static_cast<int>(names.size()), room); ++i)
        putName(row + i, names.at(i));
    if (names.size() > room) {
        const QStringList left = names.mid(room);
        prompts_.warn(this, QStringLiteral("Get Data Files"),
                      QStringLiteral("%1 files were picked, and from set %2 on there is room for "
                                     "%3: at most %4 scan files are read at once.  Not put in: "
                                     "%5%6.\n\nFile > Open Run lists every series of a "
                                     "folder, however many scans it holds, and lets you choose "
                                     "which to read.")
                          .arg(names.size())
                          .arg(row + 1)
                          .arg(room)
                          .arg(kRows)
                          .arg(QFileInfo(left.first()).fileName())
                          .arg(left.size() > 1 ? QStringLiteral(" ... %1 (%2 files)")
                                                     .arg(QFileInfo(left.last()).fileName())
                                                     .arg(left.size())
                                               : QString()));
    }
}

void DataFilesDialog::putName(int row, const QString &name) {
    choice_.names[row + 1] = name;
    showNameInRow(row, name, kShownNameBound);
    // A file for the empty row below the named ones: one more file to read.
    if (row == choice_.numFilesRead) {
        ++choice_.numFilesRead;
        if (row + 1 < kRows) {
            showRow(row + 1, true);
            rows_[row + 1].name->clear();
            rows_[row + 1].include->setChecked(true);
        }
        enablePages();
    }
}

void DataFilesDialog::enterAlterFileName() {
    pickFile(highlightedRow_);
}

void DataFilesDialog::loadSequence() {
    if (choice_.numFilesRead == kRows) {
        prompts_.beep();
        return;
    }
    if (choice_.numFilesRead < 1) {
        pickFile(0);
        if (choice_.numFilesRead < 1) return;
    }
    const SequenceName last = splitSequenceName(choice_.names[choice_.numFilesRead]);
    if (!last.valid) {
        prompts_.beep();
        return;
    }
    const bool useMax = choice_.useMaxFiles != kFalse;
    const int limit = useMax ? choice_.maxFiles : kRows;
    if (useMax && choice_.numFilesRead >= choice_.maxFiles) {
        prompts_.beep();
        return;
    }
    const int step = choice_.useIncrement != kFalse ? choice_.fileIncrement : 1;
    const int start = choice_.numFilesRead;
    for (int i = 1; i <= limit - start; ++i) {
        const int slot = start + i;
        const QString name = sequenceFileName(last, last.number + static_cast<long long>(step) * i);
        choice_.names[slot] = name;
        showNameInRow(slot - 1, name, kSequenceNameBound);
        if (!FileExists(name)) {
            rows_[slot - 1].name->clear();
            rows_[slot - 1].name->setToolTip(QString());
            choice_.names[slot].clear();
            prompts_.beep();
            return;
        }
        ++choice_.numFilesRead;
        if (slot < kRows) {
            showRow(slot, true);
            rows_[slot].name->clear();
            rows_[slot].include->setChecked(true);
            enablePages();
            tabs_->setCurrentIndex(slot / kRowsPerPage);
            rows_[slot].include->setFocus();
        }
        for (int pass = 0; pass < 3; ++pass)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    // Every row is named and the sequence goes on: the rest is not read,
    // and the user hears of it.
    const QString next =
        sequenceFileName(last, last.number + static_cast<long long>(step) * (limit - start + 1));
    if (!useMax && FileExists(next))
        prompts_.warn(this, QStringLiteral("Load Sequence"),
                      QStringLiteral("The sequence goes on past %1, but at most %2 scan files "
                                     "are read at once: %3 and the files after it were not "
                                     "loaded.\n\nFile > Open Run lists every series of the "
                                     "folder, however many scans it holds, and lets you choose "
                                     "which %2 to read (the latest, or every Nth).")
                          .arg(QFileInfo(choice_.names[kRows]).fileName())
                          .arg(kRows)
                          .arg(QFileInfo(next).fileName()));
}

void DataFilesDialog::clearAllFiles() {
    for (int set = 2; set <= choice_.numFilesRead; ++set) {
        choice_.names[set].clear();
        rows_[set - 1].name->clear();
        rows_[set - 1].name->setToolTip(QString());
        rows_[set - 1].include->setChecked(false);
        showRow(set - 1, false);
    }
    if (choice_.numFilesRead >= 1 && choice_.numFilesRead < kRows)
        showRow(choice_.numFilesRead, false);
    choice_.numFilesRead = 0;
    enablePages();
    tabs_->setCurrentIndex(0);
    rows_[0].include->setFocus();
    highlightedRow_ = 0;
}

void DataFilesDialog::showFileInfo(int row) {
    if (row < 0 || row >= kRows) return;
    const QString name = choice_.names[row + 1].trimmed();
    if (name.isEmpty()) {
        prompts_.warn(this, QStringLiteral("File Info"),
                      QStringLiteral("No file has been chosen for set %1.").arg(row + 1));
        return;
    }
    // Opened as the library opens scans: a named pipe there would hold the
    // program at its open.
    std::string why;
    const int fd = quillane::open_regular_file(QFile::encodeName(name).constData(), why);
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0) ::close(fd);
        prompts_.warn(this, QStringLiteral("File Info"),
                      QStringLiteral("The file\n%1\ncould not be read: %2")
                          .arg(QDir::toNativeSeparators(name),
                               fd < 0 ? QString::fromLocal8Bit(why) : file.errorString()));
        return;
    }
    auto readLine = [&file] {
        QByteArray line = file.readLine(4096);
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        return QString::fromLocal8Bit(line);
    };
    const QString first = readLine();
    const QString second = readLine();
    CommentsWindow comments(this);
    comments.setLines(first, second, QDir::toNativeSeparators(name));
    comments.placeOver(this);
    prompts_.execDialog(comments);
}

void DataFilesDialog::maxFieldEdited(const QString &text) {
    const long long value = leadingNumber(text);
    if (value <= 0) {
        prompts_.beep();
        maxField_->setText(QStringLiteral("1"));
        return;
    }
    if (value > kRows) {
        prompts_.beep();
        maxField_->setText(QString::number(kRows));
        return;
    }
    choice_.maxFiles = static_cast<int16_t>(value);
}

void DataFilesDialog::incrementFieldEdited(const QString &text) {
    const long long value = leadingNumber(text);
    if (value <= 0) {
        prompts_.beep();
        incrementField_->setText(QStringLiteral("1"));
        return;
    }
    choice_.fileIncrement = static_cast<int16_t>(qMin<long long>(value, 99));
}

void DataFilesDialog::stepMaxFiles(int direction) {
    const int next = choice_.maxFiles + direction;
    if (next < 1 || next > kRows) {
        prompts_.beep();
        return;
    }
    maxField_->setText(QString::number(next));
}

void DataFilesDialog::stepIncrement(int direction) {
    const int next = choice_.fileIncrement + direction;
    if (next < 1 || next > 99) {
        prompts_.beep();
        return;
    }
    incrementField_->setText(QString::number(next));
}

void DataFilesDialog::tickAll() {
    for (int row = 0; row < choice_.numFilesRead; ++row)
        rows_[row].include->setChecked(true);
}

void DataFilesDialog::tickNone() {
    for (int row = 0; row < choice_.numFilesRead; ++row)
        rows_[row].include->setChecked(false);
}

void DataFilesDialog::tickEveryNth() {
    if (choice_.numFilesRead < 1) return;
    const std::optional<int> n = prompts_.askNumber(
        this, QStringLiteral("Include Every Nth Data Set"),
        QStringLiteral("Include the latest data set and every Nth one before it only.  N ="), 2, 1,
        kRows);
    if (n) tickEveryNth(*n);
}

void DataFilesDialog::tickEveryNth(int n) {
    if (n < 1) return;
    // The latest scan is the one every other is judged against: it stays.
    std::vector<int> rows(static_cast<size_t>(choice_.numFilesRead));
    std::iota(rows.begin(), rows.end(), 0);
    const std::vector<int> kept = session::every_nth(rows, n);
    for (int row = 0; row < choice_.numFilesRead; ++row)
        rows_[row].include->setChecked(std::find(kept.begin(), kept.end(), row) != kept.end());
}

void DataFilesDialog::restoreTicks(const SetArray<int32_t> &activeFlags) {
    for (int n = 1; n <= choice_.numFilesRead; ++n) {
        rows_[n - 1].include->setChecked(activeFlags[n] == kTrue);
        choice_.activeFlags[n] = activeFlags[n];
    }
}

void DataFilesDialog::setFiles(const QStringList &names) {
    const int count = qMin(static_cast<int>(names.size()), kRows);
    for (int row = 0; row < kRows; ++row) {
        if (row < count) {
            choice_.names[row + 1] = names.at(row);
            showNameInRow(row, names.at(row), kShownNameBound);
        } else {
            choice_.names[row + 1].clear();
            rows_[row].name->clear();
            rows_[row].name->setToolTip(QString());
        }
        // The named rows and the empty one below them are shown, ticked.
        showRow(row, row <= count);
        rows_[row].include->setChecked(row <= count);
        choice_.activeFlags[row + 1] = row < count ? kTrue : kFalse;
    }
    choice_.numFilesRead = count;
    enablePages();
    tabs_->setCurrentIndex(0);
    highlightedRow_ = 0;
}

void DataFilesDialog::accept() {
    choice_.numActive = 0;
    hide();
    for (int pass = 0; pass < 2; ++pass)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    for (int n = 1; n <= choice_.numFilesRead; ++n) {
        if (rows_[n - 1].include->isChecked()) {
            ++choice_.numActive;
            choice_.activeSetTable[choice_.numActive] = n;
            choice_.activeFlags[n] = kTrue;
        } else {
            choice_.activeFlags[n] = kFalse;
        }
    }
    QDialog::accept();
}

}  // namespace quillane::frontend
