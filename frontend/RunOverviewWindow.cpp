// SPDX-License-Identifier: MIT
#include "RunOverviewWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QVBoxLayout>

#include "DesktopNote.h"
#include "LocalPaper.h"
#include "Prompts.h"
#include "SessionText.h"
#include "Settings.h"
#include "Twips.h"
#include "files.h"
#include "results.h"
#include "run_report.h"

namespace quillane::frontend {

namespace {

const QString kTitle = QStringLiteral("Run Overview");
const QString kGeometryKey = QStringLiteral("overview");
// The size the window asks for at first: room for a dozen rows of every
// column on a desktop screen; keepOnScreen() shrinks it on a small one.
constexpr int kStartWidthTwips = 15500;
constexpr int kStartHeightTwips = 6500;
// The table's column of the solution columns' limits (summary_headings()).
constexpr int kColumnsColumn = 7;

// The overview's library lines go nowhere: the table says what counts, and
// every line is in the overview's own record.
const quillane_listbox_ctx_ops &silentList() {
    static const quillane_listbox_ctx_ops ops{
        [](void *, const char *) {}, [](void *) { return int32_t{0}; }, [](void *, int32_t) {},
        [](void *) {}, [](void *) { return int32_t{0}; }};
    return ops;
}

// What the analyses tell, kept for the window to show once the worker is
// done.
class GatheredFeedback : public session::AnalysisFeedback {
  public:
    GatheredFeedback(std::vector<std::string> &notices, std::vector<std::string> &problems)
        : notices_(notices), problems_(problems) {}
    void notice(const std::string &text) override { notices_.push_back(text); }
    void problem(const std::string &text) override { problems_.push_back(text); }

  private:
    std::vector<std::string> &notices_;
    std::vector<std::string> &problems_;
};

// The table's words start with a capital in the window.
QString sentence(const std::string &text) {
    QString s = fromSession(text);
    if (!s.isEmpty()) s[0] = s[0].toUpper();
    return s;
}

}  // namespace

RunOverviewWindow::RunOverviewWindow(const QString &libraryFile, Prompts &prompts, QWidget *parent)
    : QMainWindow(parent), prompts_(prompts), libraryFile_(libraryFile) {
    setObjectName(QStringLiteral("RunOverviewWindow"));
    setWindowTitle(QStringLiteral("Quillane \u2014 ") + kTitle);
    setWindowFlag(Qt::Window);

    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("OverviewFile"));
    exportCsv_ =
        file->addAction(QStringLiteral("Export as &CSV..."), this, &RunOverviewWindow::exportCsv);
    exportCsv_->setObjectName(QStringLiteral("OverviewExportCsv"));
    exportReport_ = file->addAction(QStringLiteral("Export Run &Report..."), this,
                                    &RunOverviewWindow::exportReport);
    exportReport_->setObjectName(QStringLiteral("OverviewExportReport"));
    file->addSeparator();
    QAction *close = file->addAction(QStringLiteral("C&lose"), this, &QWidget::close);
    close->setShortcut(QKeySequence::Close);

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    // Two rows of fields, so that the window fits a small screen at a large
    // scale factor; the table scrolls.
    auto *fields = new QGridLayout;
    auto *folderLabel = new QLabel(QStringLiteral("&Run folder:"), central);
    folder_ = new QLineEdit(central);
    folder_->setObjectName(QStringLiteral("OverviewFolder"));
    folderLabel->setBuddy(folder_);
    auto *browse = new QPushButton(QStringLiteral("&Browse..."), central);
    connect(browse, &QPushButton::clicked, this, &RunOverviewWindow::browse);
    fields->addWidget(folderLabel, 0, 0);
    fields->addWidget(folder_, 0, 1, 1, 4);
    fields->addWidget(browse, 0, 5);
    auto *patternLabel = new QLabel(QStringLiteral("Sc&ans:"), central);
    pattern_ = new QLineEdit(QStringLiteral("*"), central);
    pattern_->setObjectName(QStringLiteral("OverviewPattern"));
    pattern_->setToolTip(QStringLiteral("Which files of the folder are scans (*.RA1, ...)"));
    patternLabel->setBuddy(pattern_);
    auto *intervalLabel = new QLabel(QStringLiteral("Look &every:"), central);
    interval_ = new QDoubleSpinBox(central);
    interval_->setObjectName(QStringLiteral("OverviewInterval"));
    interval_->setRange(session::kMinIntervalSeconds, session::kMaxIntervalSeconds);
    interval_->setDecimals(1);
    interval_->setValue(RunOverviewChoice{}.intervalSeconds);
    interval_->setSuffix(QStringLiteral(" s"));
    intervalLabel->setBuddy(interval_);
    show_ = new QPushButton(QStringLiteral("&Show"), central);
    show_->setObjectName(QStringLiteral("OverviewShow"));
    show_->setToolTip(QStringLiteral("Analyse every series of the folder as it is now"));
    connect(show_, &QPushButton::clicked, this, &RunOverviewWindow::showFolder);
    follow_ = new QPushButton(QStringLiteral("Fo&llow"), central);
    follow_->setObjectName(QStringLiteral("OverviewFollow"));
    follow_->setToolTip(
        QStringLiteral("Keep the table up to date as the instrument writes new scans"));
    connect(follow_, &QPushButton::clicked, this, &RunOverviewWindow::toggleFollowing);
    fields->addWidget(patternLabel, 1, 0);
    fields->addWidget(pattern_, 1, 1);
    fields->addWidget(intervalLabel, 1, 2);
    fields->addWidget(interval_, 1, 3);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(show_);
    buttons->addWidget(follow_);
    fields->addLayout(buttons, 1, 4, 1, 2);
    fields->setColumnStretch(1, 1);
    layout->addLayout(fields);

    speed_ = new QLabel(central);
    speed_->setObjectName(QStringLiteral("OverviewSpeedLine"));
    speed_->setWordWrap(true);
    speed_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = speed_->font();
    bold.setBold(true);
    speed_->setFont(bold);
    layout->addWidget(speed_);

    table_ = new QTableWidget(central);
    table_->setObjectName(QStringLiteral("OverviewTable"));
    std::vector<std::string> headings = session::summary_headings();
    table_->setColumnCount(static_cast<int>(headings.size()));
    QStringList titles;
    for (const std::string &h : headings)
        titles << fromSession(h);
    table_->setHorizontalHeaderLabels(titles);
    table_->verticalHeader()->setVisible(false);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setWordWrap(false);
    // One line a row, so that a run of sixty series shows many at once.
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 8);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setToolTip(
        QStringLiteral("Double-click a series (or press Enter) to open it in the "
                       "main window"));
    connect(table_, &QTableWidget::activated, this,
            [this](const QModelIndex &index) { openRow(index.row()); });
    layout->addWidget(table_, 1);
    setCentralWidget(central);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("OverviewStatus"));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    statusBar()->addWidget(status_, 1);
    setStatus(
        QStringLiteral("Choose a run folder and Show it, or Follow it while the "
                       "instrument writes it."));

    connect(&looks_, &QTimer::timeout, this, &RunOverviewWindow::look);
    resize(twipsToPixelsX(kStartWidthTwips, this), twipsToPixelsY(kStartHeightTwips, this));
    if (!settings::keepGeometry(*this, kGeometryKey)) placeAtQuarter(this);
    keepOnScreen(this);
}

RunOverviewWindow::~RunOverviewWindow() {
    looks_.stop();
    // The worker uses the overview and its session: it ends first.
    if (worker_) {
        worker_->wait();
        delete worker_;
    }
}

RunOverviewChoice RunOverviewWindow::choice() const {
    RunOverviewChoice c;
    c.folder = folder_->text().trimmed();
    c.pattern =
        pattern_->text().trimmed().isEmpty() ? QStringLiteral("*") : pattern_->text().trimmed();
    c.intervalSeconds = interval_->value();
    return c;
}

void RunOverviewWindow::setChoice(const RunOverviewChoice &c) {
    folder_->setText(c.folder);
    pattern_->setText(c.pattern);
    interval_->setValue(c.intervalSeconds);
}

void RunOverviewWindow::browse() {
    const QString folder = QFileDialog::getExistingDirectory(this, kTitle, folder_->text());
    if (!folder.isEmpty()) folder_->setText(folder);
}

void RunOverviewWindow::setStatus(const QString &text) {
    status_->setText(text);
    status_->setToolTip(text);
}

bool RunOverviewWindow::ensureSession(QString &why) {
    if (session_) return true;
    if (!library_.load_own_copy(toSession(libraryFile_))) {
        why = fromSession(library_.error());
        return false;
    }
    work_ = std::make_unique<QTemporaryDir>();
    if (!work_->isValid()) {
        why = QStringLiteral("No folder for the overview's record: ") + work_->errorString();
        return false;
    }
    session_ = std::make_unique<session::Session>(library_.exports());
    static int nobody = 0;
    session_->attach_list_box(silentList(), &nobody, 1);
    std::string error;
    if (!session_->create_report(toSession(work_->filePath(QStringLiteral("overview.txt"))),
                                 error)) {
        why = fromSession(error);
        session_.reset();
        return false;
    }
    session_->set_plot_file(toSession(work_->filePath(QStringLiteral("plot.dat"))));
    session_->initialise(false);
    return true;
}

bool RunOverviewWindow::makeOverview(QString &why) {
    const RunOverviewChoice c = choice();
    if (c.folder.isEmpty() || !QFileInfo(c.folder).isDir()) {
        why = c.folder.isEmpty() ? QStringLiteral("Choose the run folder first.")
                                 : QStringLiteral("%1 is not a folder.").arg(c.folder);
        return false;
    }
    if (!ensureSession(why)) return false;
    session::OverviewSettings settings;
    settings.report = toSession(work_->filePath(QStringLiteral("overview.txt")));
    overview_ = std::make_unique<session::RunOverview>(*session_, settings);
    std::string error;
    if (!overview_->read_folder(toSession(c.folder), toSession(c.pattern), error)) {
        why = fromSession(error);
        overview_.reset();
        return false;
    }
    shownFolder_ = c.folder;
    toldLines_.clear();
    return true;
}

void RunOverviewWindow::showFolder() {
    if (busy()) return;
    stopFollowing();
    QString why;
    if (!makeOverview(why)) {
        prompts_.warn(this, kTitle, why);
        return;
    }
    refresh();
    analyseNext();
}

bool RunOverviewWindow::following() const {
    return looks_.isActive();
}

void RunOverviewWindow::toggleFollowing() {
    if (following()) {
        stopFollowing();
        setStatus(QStringLiteral("No longer following %1").arg(shownFolder_));
        return;
    }
    if (busy()) return;
    const RunOverviewChoice c = choice();
    if (!overview_ || c.folder != shownFolder_) {
        QString why;
        if (!makeOverview(why)) {
            prompts_.warn(this, kTitle, why);
            return;
        }
        refresh();
    }
    session::WatchSettings settings;
    settings.folder = toSession(c.folder);
    settings.pattern = toSession(c.pattern);
    settings.interval_s = c.intervalSeconds;
    overview_->follow(settings);
    looks_.start(static_cast<int>(c.intervalSeconds * 1000.0));
    follow_->setText(QStringLiteral("Stop Fo&llowing"));
    setStatus(
        QStringLiteral("Following %1: a look every %2 s").arg(c.folder).arg(c.intervalSeconds));
    QTimer::singleShot(0, this, &RunOverviewWindow::look);
}

void RunOverviewWindow::stopFollowing() {
    looks_.stop();
    if (overview_) overview_->stop_following();
    follow_->setText(QStringLiteral("Fo&llow"));
}

void RunOverviewWindow::look() {
    // The worker holds the session; the look waits for the next interval.
    if (!overview_ || !following() || busy()) return;
    std::vector<session::WatchMessage> messages;
    std::string gone;
    if (!overview_->look(messages, gone)) {
        stopFollowing();
        setStatus(QStringLiteral("The overview stopped following: ") + fromSession(gone));
        return;
    }
    if (!messages.empty()) setStatus(sentence(messages.back().text));
    if (!overview_->pending().empty()) {
        refresh();
        analyseNext();
    }
}

void RunOverviewWindow::startWork(std::function<void()> work, std::function<void()> done) {
    done_ = std::move(done);
    worker_ = QThread::create(std::move(work));
    connect(worker_, &QThread::finished, this, [this] {
        worker_->wait();
        worker_->deleteLater();
        worker_ = nullptr;
        exportCsv_->setEnabled(true);
        exportReport_->setEnabled(true);
        show_->setEnabled(true);
        const auto done = std::move(done_);
        done_ = nullptr;
        if (done) done();
    });
    exportCsv_->setEnabled(false);
    exportReport_->setEnabled(false);
    show_->setEnabled(false);
    worker_->start();
}

void RunOverviewWindow::analyseNext() {
    if (!overview_ || busy()) return;
    const std::vector<int> pending = overview_->pending();
    if (pending.empty()) {
        const size_t n = overview_->series().size();
        QString text = following() ? QStringLiteral("Following %1: ").arg(shownFolder_)
                                   : QStringLiteral("%1: ").arg(shownFolder_);
        text += n == 1 ? QStringLiteral("1 series") : QStringLiteral("%1 series").arg(n);
        if (!problems_.empty())
            text += QStringLiteral("; last problem: ") + fromSession(problems_.back());
        else if (!notices_.empty())
            text += QStringLiteral("; latest note: ") + fromSession(notices_.back());
        setStatus(text);
        emit updated();
        return;
    }
    const int number = pending.front();
    const session::OverviewSeries *s = overview_->series_number(number);
    setStatus(QStringLiteral("Analysing series %1 (%2); %3 to go")
                  .arg(number)
                  .arg(s ? fromSession(s->name) : QString())
                  .arg(pending.size() - 1));
    startWork(
        [this, number] {
            GatheredFeedback feedback(notices_, problems_);
            overview_->analyse(number, feedback);
        },
        [this] {
            refresh();
            analyseNext();
        });
}

void RunOverviewWindow::refresh() {
    if (!overview_) return;
    const std::vector<session::SummaryRow> rows = overview_->rows();
    // Numbers are right-aligned; the verdict and the columns read as words.
    const std::vector<bool> words = {false, false, false, false, false,
                                     true,  false, true,  false, false};
    table_->setRowCount(static_cast<int>(rows.size()));
    rowNumbers_.clear();
    for (size_t r = 0; r < rows.size(); ++r) {
        rowNumbers_.push_back(rows[r].number);
        const std::vector<std::string> cells = session::summary_cells(rows[r]);
        for (size_t c = 0; c < cells.size(); ++c) {
            auto *item = new QTableWidgetItem(fromSession(cells[c]));
            const bool word = c < words.size() && words[c];
            item->setTextAlignment(Qt::AlignVCenter | (word ? Qt::AlignLeft : Qt::AlignRight));
            item->setToolTip(c == kColumnsColumn
                                 ? item->text()
                                 : fromSession(rows[r].note.empty() ? rows[r].name : rows[r].note));
            table_->setItem(static_cast<int>(r), static_cast<int>(c), item);
        }
    }
    table_->resizeColumnsToContents();
    // The limits of three columns of a cell would push the noise and the
    // latest scan out of view: the column keeps about one column's limits
    // wide, the rest elided, and every cell tells them whole.
    const int limits =
        table_->fontMetrics().horizontalAdvance(QStringLiteral("1: 00.000-00.000, 2: 00.000"));
    if (table_->columnWidth(kColumnsColumn) > limits)
        table_->setColumnWidth(kColumnsColumn, limits);
    speedLine_ = fromSession(overview_->speed_line());
    speed_->setText(speedLine_.isEmpty()
                        ? QStringLiteral("Not every series at the rotor's speed has reached "
                                         "equilibrium yet.")
                        : sentence(toSession(speedLine_)) + QLatin1Char('.'));
    if (!speedLine_.isEmpty() && toldLines_.insert(speedLine_).second && following()) {
        if (!note_) note_ = new DesktopNote(this, QStringLiteral("RunOverviewSpeedNote"));
        note_->show(QStringLiteral("Quillane: the rotor speed can be changed"),
                    QStringLiteral("%1: %2").arg(shownFolder_, speedLine_));
        emit speedCanChange(speedLine_);
    }
}

void RunOverviewWindow::openRow(int row) {
    if (!overview_ || row < 0 || row >= static_cast<int>(rowNumbers_.size())) return;
    const session::OverviewSeries *s = overview_->series_number(rowNumbers_[row]);
    if (!s) return;
    const std::vector<std::string> files =
        s->analysed.empty() ? session::latest_within_capacity(s->scans) : s->analysed;
    if (static_cast<int>(files.size()) < session::kMinActiveSets) {
        prompts_.warn(this, kTitle,
                      QStringLiteral("Series %1 (%2) has %3 scans so far; a fit compares at "
                                     "least %4.")
                          .arg(s->number)
                          .arg(fromSession(s->name))
                          .arg(files.size())
                          .arg(session::kMinActiveSets));
        return;
    }
    QStringList names;
    for (const std::string &f : files)
        names << fromSession(f);
    emit openSeries(names, fromSession(s->name));
}

void RunOverviewWindow::exportCsv() {
    const QString title = QStringLiteral("Export Overview as CSV");
    if (!overview_ || overview_->series().empty()) {
        prompts_.warn(this, title, QStringLiteral("Show a run folder first."));
        return;
    }
    QString name = prompts_.saveAsName(
        this, title, QStringLiteral("CSV files (*.csv);;All files (*)"), shownFolder_);
    if (name.isEmpty()) return;
    if (QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".csv");
    std::string why;
    if (!session::write_file_atomically(toSession(name), session::summary_csv(overview_->rows()),
                                        why)) {
        prompts_.warn(this, title, fromSession(why));
        return;
    }
    setStatus(QStringLiteral("The overview was written to %1").arg(name));
}

void RunOverviewWindow::exportReport() {
    const QString title = QStringLiteral("Export Run Report");
    if (!overview_ || overview_->series().empty()) {
        prompts_.warn(this, title, QStringLiteral("Show a run folder first."));
        return;
    }
    if (busy()) return;
    QString name = prompts_.saveAsName(
        this, title, QStringLiteral("PDF files (*.pdf);;All files (*)"), shownFolder_);
    if (name.isEmpty()) return;
    if (QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".pdf");
    // Every series is analysed again with its figures drawn into a folder
    // of their own, on the worker; the PDF is laid out here.
    auto figures = std::make_shared<QTemporaryDir>();
    auto report = std::make_shared<session::RunReport>();
    setStatus(QStringLiteral("Drawing the run report of every series..."));
    startWork(
        [this, figures, report] {
            GatheredFeedback feedback(notices_, problems_);
            *report = overview_->run_report(toSession(figures->path()), feedback);
        },
        [this, figures, report, name, title] {
            const viewer::TickRounder round = [this](float lo, float hi, float &outLo, float &outHi,
                                                     int32_t &intervals) {
                int n = 0;
                session_->tick_round(lo, hi, outLo, outHi, n);
                intervals = n;
            };
            QString error;
            std::vector<viewer::Notice> notices;
            if (!viewer::writeRunReportPdf(name, *report, localPaper(), round, &error, &notices)) {
                prompts_.warn(this, title, error);
                setStatus(QStringLiteral("The run report was not written"));
            } else {
                setStatus(QStringLiteral("Run report written to %1").arg(name));
            }
            for (const viewer::Notice &notice : notices)
                prompts_.warn(this, title, notice.text);
            // Scans that came meanwhile.
            if (!overview_->pending().empty()) analyseNext();
        });
}

void RunOverviewWindow::closeEvent(QCloseEvent *event) {
    // A closed overview follows nothing; the worker's step ends on its own.
    stopFollowing();
    QMainWindow::closeEvent(event);
}

}  // namespace quillane::frontend
