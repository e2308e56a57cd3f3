// SPDX-License-Identifier: MIT
#include "ResultGraphDialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include "NumberFormat.h"
#include "Prompts.h"
#include "ReferenceSetPicker.h"
#include "TextFormat.h"

namespace quillane::frontend {
namespace {

// The fit kinds on the dialogs' buttons, each with its access key.
const char *kFitKindButtons[3] = {"&No Offsets", "&Y Offsets", "Y and &XI/R Offsets"};

// The line that names the fit whose deviations a graph draws.
void addReferenceNote(QVBoxLayout *layout, QWidget *parent, const QString &note) {
    if (note.isEmpty()) return;
    auto *label = new QLabel(note, parent);
    label->setObjectName("ReferenceNote");
    label->setWordWrap(true);
    layout->addWidget(label);
}

QPushButton *okButton(QWidget *parent) {
    auto *ok = new QPushButton("&OK", parent);
    ok->setObjectName("IsReady");
    ok->setDefault(true);
    return ok;
}

}  // namespace

// "Plot Using": the three fit kinds as option buttons and the logarithm box.
class FitKindFrame : public QGroupBox {
  public:
    FitKindFrame(int32_t logChoice, QWidget *parent) : QGroupBox("Plot Using", parent) {
        auto *layout = new QVBoxLayout(this);
        auto *group = new QButtonGroup(this);
        for (int i = 0; i < 3; ++i) {
            buttons[static_cast<size_t>(i)] = new QRadioButton(kFitKindButtons[i], this);
            buttons[static_cast<size_t>(i)]->setObjectName(QString("vb_pchoice_%1").arg(i));
            group->addButton(buttons[static_cast<size_t>(i)], i);
            layout->addWidget(buttons[static_cast<size_t>(i)]);
        }
        // Both offsets is the usual choice and is offered every time.
        buttons[2]->setChecked(true);
        log = new QCheckBox("&Ln (Devs)", this);
        log->setObjectName("vb_logchoice");
        log->setChecked(logChoice != 0);
        layout->addWidget(log);
    }
    void collect(DeviationChoice &c) const {
        for (int i = 0; i < 3; ++i)
            c.devOptions[static_cast<size_t>(i)] =
                buttons[static_cast<size_t>(i)]->isChecked() ? 1 : 0;
        c.logChoice = log->isChecked() ? 1 : 0;
    }
    std::array<QRadioButton *, 3> buttons{};
    QCheckBox *log = nullptr;
};

// ---- RmsVsTimeDialog ----

RmsVsTimeDialog::RmsVsTimeDialog(Prompts &prompts, const QString &caption,
                                 const RmsChoice &previous, const std::vector<ActiveSetEntry> &sets,
                                 QWidget *parent)
    : QDialog(parent), prompts_(prompts), result_(previous) {
    setObjectName("RMSvsTime");
    setWindowTitle(caption);
    setModal(true);

    auto *refFrame = new QGroupBox("Choose Reference Set", this);
    picker_ = new ReferenceSetPicker(sets, previous.refSet, refFrame);
    auto *refLayout = new QVBoxLayout(refFrame);
    refLayout->addWidget(picker_);

    auto *useFrame = new QGroupBox("Plot Using", this);
    auto *useLayout = new QVBoxLayout(useFrame);
    for (int i = 0; i < 3; ++i) {
        rchoice_[static_cast<size_t>(i)] = new QCheckBox(kFitKindButtons[i], useFrame);
        rchoice_[static_cast<size_t>(i)]->setObjectName(QString("vb_rchoice_%1").arg(i));
        rchoice_[static_cast<size_t>(i)]->setChecked(previous.options[static_cast<size_t>(i)] != 0);
        useLayout->addWidget(rchoice_[static_cast<size_t>(i)]);
    }
    // The variance graph plots ln(variance), not ln(RMS).
    log_ = new QCheckBox(caption.contains("Variance") ? "&Ln (Variance)" : "&Ln (RMS)", useFrame);
    log_->setObjectName("vb_logchoice");
    log_->setChecked(previous.logChoice != 0);
    useLayout->addWidget(log_);

    auto *ok = okButton(this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(refFrame);
    layout->addWidget(useFrame);
    layout->addWidget(ok, 0, Qt::AlignRight);
    connect(ok, &QPushButton::clicked, this, &RmsVsTimeDialog::accept);
    result_.accepted = false;
}

void RmsVsTimeDialog::accept() {
    bool any = false;
    for (int i = 0; i < 3; ++i) {
        const bool ticked = rchoice_[static_cast<size_t>(i)]->isChecked();
        result_.options[static_cast<size_t>(i)] = ticked ? 1 : 0;
        any |= ticked;
    }
    if (!any) {
        result_.accepted = false;
        if (prompts_.ask(this, QString(), "No Plots Were Chosen!  Quit Plotting?")) reject();
        return;  // No: the dialog stays open for a new choice
    }
    result_.logChoice = log_->isChecked() ? 1 : 0;
    result_.refSet = picker_->value();
    result_.accepted = true;
    QDialog::accept();
}

QSlider *RmsVsTimeDialog::slider() const {
    return picker_->slider();
}

// ---- DevVsPosDialog ----

DevVsPosDialog::DevVsPosDialog(int32_t logChoice, const QString &referenceNote, QWidget *parent)
    : QDialog(parent) {
    setObjectName("DevvsPos");
    setWindowTitle("Plot Deviations vs Position");
    setModal(true);
    frame_ = new FitKindFrame(logChoice, this);
    auto *ok = okButton(this);
    auto *layout = new QVBoxLayout(this);
    addReferenceNote(layout, this, referenceNote);
    layout->addWidget(frame_);
    layout->addWidget(ok, 0, Qt::AlignRight);
    connect(ok, &QPushButton::clicked, this, &DevVsPosDialog::accept);
    result_.logChoice = logChoice;
}

QRadioButton *DevVsPosDialog::pchoice(int i) const {
    return frame_->buttons[static_cast<size_t>(i)];
}
QCheckBox *DevVsPosDialog::logChoice() const {
    return frame_->log;
}

void DevVsPosDialog::accept() {
    frame_->collect(result_);
    result_.accepted = true;
    QDialog::accept();
}

// ---- DevsVsTimeDialog ----

QString DevsVsTimeDialog::limitsText(double xLow, double xHigh, bool xiMode) {
    if (xiMode)
        return " " + vbOptionalDecimals(xLow, 5) + " < XI < " + vbOptionalDecimals(xHigh, 5);
    return "  " + vbOptionalDecimals(xLow, 5) + " < R < " + " " + vbOptionalDecimals(xHigh, 5);
}

DevsVsTimeDialog::DevsVsTimeDialog(Prompts &prompts, double xLow, double xHigh, bool xiMode,
                                   int32_t logChoice, const QString &referenceNote, QWidget *parent)
    : QDialog(parent), prompts_(prompts), xLow_(xLow), xHigh_(xHigh) {
    setObjectName("DevsvsTime");
    setWindowTitle("Plot \"Devs vs Time\" ");
    setModal(true);

    auto *positionsFrame = new QGroupBox(this);
    auto *grid = new QGridLayout(positionsFrame);
    grid->addWidget(new QLabel("Enter up to 10 position", positionsFrame), 0, 0, 1, 2);
    grid->addWidget(new QLabel("values for plotting", positionsFrame), 1, 0, 1, 2);
    for (int i = 0; i < 10; ++i) {
        auto *box = new QLineEdit("0", positionsFrame);
        box->setObjectName(QString("Position_%1").arg(i));
        box->installEventFilter(this);
        positions_[static_cast<size_t>(i)] = box;
        grid->addWidget(box, 2 + i % 5, i / 5);
    }
    minMaxPos_ = new QLabel(limitsText(xLow, xHigh, xiMode), positionsFrame);
    minMaxPos_->setObjectName("MinMaxPos");
    grid->addWidget(minMaxPos_, 7, 0, 1, 2);

    frame_ = new FitKindFrame(logChoice, this);
    auto *ok = okButton(this);
    auto *layout = new QVBoxLayout(this);
    addReferenceNote(layout, this, referenceNote);
    auto *row = new QHBoxLayout;
    row->addWidget(positionsFrame);
    row->addWidget(frame_);
    layout->addLayout(row);
    layout->addWidget(ok, 0, Qt::AlignRight);
    connect(ok, &QPushButton::clicked, this, &DevsVsTimeDialog::accept);
    result_.logChoice = logChoice;
}

QRadioButton *DevsVsTimeDialog::pchoice(int i) const {
    return frame_->buttons[static_cast<size_t>(i)];
}
QCheckBox *DevsVsTimeDialog::logChoice() const {
    return frame_->log;
}

bool DevsVsTimeDialog::eventFilter(QObject *watched, QEvent *event) {
    // A box that gets the focus has its whole text selected, ready to be typed over.
    if (event->type() == QEvent::FocusIn)
        if (auto *box = qobject_cast<QLineEdit *>(watched))
            QTimer::singleShot(0, box, &QLineEdit::selectAll);
    return QDialog::eventFilter(watched, event);
}

void DevsVsTimeDialog::accept() {
    std::vector<double> valid;
    for (int i = 0; i < 10; ++i) {
        QLineEdit *box = positions_[static_cast<size_t>(i)];
        double v = 0.0;
        if (!parseUserNumber(box->text(), v)) {
            prompts_.warn(this, "Parameter Entry Error",
                          "Illegal Value for Position " + vbDigits(i + 1));
            box->setFocus();
            return;
        }
        if (xLow_ <= v && v <= xHigh_) valid.push_back(v);
    }
    if (valid.empty()) {
        prompts_.warn(this, "No Values Entered",
                      "No Valid Positions Were Defined!  No Plot Created.");
        result_.accepted = false;
        reject();
        return;
    }
    result_.positions = valid;
    result_.accepted = true;
    frame_->collect(result_);
    QDialog::accept();
}

}  // namespace quillane::frontend
