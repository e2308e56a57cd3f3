// SPDX-License-Identifier: MIT
#include "plot_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPrinterInfo>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace quillane::viewer {

MessageHook defaultMessageHook() {
    return [](const QString &text, const QString &title) {
        QMessageBox::warning(nullptr, title, text);
    };
}

namespace {
// The share of the screen the window takes in each direction.
constexpr double kScreenShare = 0.65;
const QString kLimitsKeys = QStringLiteral(
    "Lower limit: Ctrl+left or Shift+left click\n"
    "Upper limit: Ctrl+right, Alt+left or Shift+right click\n"
    "Both limits: Ctrl+drag across the range\n"
    "A shaded stretch: click to take its limits, drag its edge to move one\n"
    "Zoom: drag with the left button");
}  // namespace

void keepFrameOnScreen(QWidget &window) {
    const QScreen *screen = window.screen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    // The client area is what is set; the frame is known once shown.
    const QRect frame = window.frameGeometry();
    const QRect client = window.geometry();
    const QMargins decoration(client.left() - frame.left(), client.top() - frame.top(),
                              frame.right() - client.right(), frame.bottom() - client.bottom());
    QRect wanted = frame;
    wanted.setWidth(std::min(frame.width(), area.width()));
    wanted.setHeight(std::min(frame.height(), area.height()));
    wanted.moveLeft(std::clamp(frame.left(), area.left(),
                               std::max(area.left(), area.right() + 1 - wanted.width())));
    wanted.moveTop(std::clamp(frame.top(), area.top(),
                              std::max(area.top(), area.bottom() + 1 - wanted.height())));
    if (wanted != frame) window.setGeometry(wanted.marginsRemoved(decoration));
}

QPoint plotWindowPlace(const QRect &available, QSize size, const QRect &main) {
    // Low on the screen: the main window's menu bar is near its top.
    const int top = available.top() + std::max(0, available.height() - size.height()) * 3 / 4;
    // Against the screen edge away from the main window, which then shows
    // the most of its output list.
    const bool mainOnTheRight = main.isValid() && main.center().x() > available.center().x();
    const int left = mainOnTheRight
                         ? available.left()
                         : available.left() + std::max(0, available.width() - size.width());
    return {left, top};
}

Plotit::Plotit(ViewerHost &host, QWidget *parent)
    : QMainWindow(parent),
      host_(host),
      message_(defaultMessageHook()),
      sleep_([](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); }),
      save_file_(defaultSaveFileHook()) {
    setObjectName(QStringLiteral("Plotit"));
    setWindowTitle(QStringLiteral("Kestrel V2.0"));

    show_coords_ = host_.showCoordsDefault();
    hours_choice_ = host_.timeInHoursChoice();
    canvas_ = new PlotCanvas;
    canvas_->setObjectName(QStringLiteral("PlotSurface"));
    canvas_->setRender([this](QPainter &painter, QSizeF size) { paintPlot(painter, size); });
    auto press = [this](QMouseEvent *e) { mouseDown(e->button(), e->modifiers(), plotPoint(e)); };
    auto moved = [this](QMouseEvent *e) { mouseMove(plotPoint(e)); };
    auto release = [this](QMouseEvent *e) { mouseUp(e->button(), e->modifiers(), plotPoint(e)); };
    canvas_->setMouseHandlers(press, moved, release);

    buildStatusLabels();
    buildAnswerBar();
    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(answer_bar_);
    layout->addWidget(canvas_, 1);
    auto *status = new QWidget;
    auto *status_layout = new QHBoxLayout(status);
    status_layout->setContentsMargins(4, 2, 4, 2);
    status_layout->addWidget(xy_coords_, 1);
    status_layout->addWidget(out_file_label_, 1);
    layout->addWidget(status);
    setCentralWidget(central);

    printer_names_ = QPrinterInfo::availablePrinterNames();
    buildMenu();

    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        resize(static_cast<int>(available.width() * kScreenShare),
               static_cast<int>(available.height() * kScreenShare));
        move(plotWindowPlace(available, size(), host_.mainWindowFrame()));
    }

    const QString temp = host_.tempPlotFileName();
    if (!temp.isEmpty() && QFileInfo::exists(temp)) QFile::remove(temp);
    InitPlotNumbering(state_, QStringLiteral("plot.dat"));
    host_.setPlotWindowOpen(true);
}

Plotit::~Plotit() {
    if (legend_) delete legend_.data();
}

void Plotit::buildStatusLabels() {
    xy_coords_ = new QWidget;
    xy_coords_->setObjectName(QStringLiteral("XYCoords"));
    auto *coords_layout = new QHBoxLayout(xy_coords_);
    coords_layout->setContentsMargins(0, 0, 0, 0);
    xy_label_ = new QLabel(QStringLiteral(" "));
    xy_label_->setObjectName(QStringLiteral("XYLabel"));
    coords_layout->addWidget(xy_label_);
    // Hiding the readout keeps the file label at the middle of the window.
    QSizePolicy keep = xy_coords_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    xy_coords_->setSizePolicy(keep);
    xy_coords_->setVisible(show_coords_);

    out_file_label_ = new QLabel(QStringLiteral(" "));
    out_file_label_->setObjectName(QStringLiteral("OutFileLbl"));
    out_file_label_->setTextInteractionFlags(Qt::TextSelectableByMouse);
}

void Plotit::buildAnswerBar() {
    answer_bar_ = new QWidget;
    answer_bar_->setObjectName(QStringLiteral("AnswerBar"));
    auto *bar = new QHBoxLayout(answer_bar_);
    bar->setContentsMargins(8, 4, 8, 4);
    auto *texts = new QVBoxLayout;
    answer_label_ = new QLabel;
    answer_label_->setObjectName(QStringLiteral("AnswerLabel"));
    answer_label_->setWordWrap(true);
    answer_label_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = answer_label_->font();
    bold.setBold(true);
    answer_label_->setFont(bold);
    answer_note_ = new QLabel;
    answer_note_->setObjectName(QStringLiteral("AnswerNote"));
    answer_note_->setWordWrap(true);
    answer_note_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    texts->addWidget(answer_label_);
    texts->addWidget(answer_note_);
    bar->addLayout(texts, 1);
    answer_button_ = new QPushButton;
    answer_button_->setObjectName(QStringLiteral("AnswerButton"));
    connect(answer_button_, &QPushButton::clicked, this, [this] {
        if (answer_.action) answer_.action();
    });
    bar->addWidget(answer_button_, 0, Qt::AlignVCenter);
    answer_bar_->setVisible(false);
}

void Plotit::setAnswer(PlotAnswer answer) {
    answer_ = std::move(answer);
    answer_label_->setText(answer_.text);
    answer_label_->setVisible(!answer_.text.isEmpty());
    answer_note_->setText(answer_.note);
    answer_note_->setVisible(!answer_.note.isEmpty());
    answer_button_->setText(answer_.actionCaption);
    answer_button_->setVisible(!answer_.actionCaption.isEmpty() && answer_.action);
    answer_bar_->setVisible(!answer_.text.isEmpty() || !answer_.note.isEmpty());
    relayout();
}

void Plotit::buildMenu() {
    QMenuBar *bar = menuBar();
    zoomout_ = bar->addAction(QStringLiteral("&ZoomOut"), this, &Plotit::Zoomout);
    zoomout_->setObjectName(QStringLiteral("Zoomout"));
    zoomout_->setEnabled(false);
    show_em_ =
        bar->addAction(show_coords_ ? QStringLiteral("&Hide (X,Y)") : QStringLiteral("&Show (X,Y)"),
                       this, &Plotit::ShowEm);
    show_em_->setObjectName(QStringLiteral("ShowEm"));

    printer_menu_ = bar->addMenu(QStringLiteral("&Printer"));
    printer_menu_->setObjectName(QStringLiteral("dummy1"));
    buildPrinterMenu();

    QMenu *style = bar->addMenu(QStringLiteral("S&tyle"));
    style->setObjectName(QStringLiteral("PlotStyle"));
    no_lines_ = style->addAction(QStringLiteral("&Omit Lines"), this, &Plotit::Nolines);
    no_lines_->setObjectName(QStringLiteral("Nolines"));
    no_lines_->setCheckable(true);
    large_points_ = style->addAction(QStringLiteral("&Small Symbols"), this, &Plotit::LargePoints);
    large_points_->setObjectName(QStringLiteral("LargePoints"));
    use_filled_ = style->addAction(QStringLiteral("&Filled Symbols"), this, &Plotit::UseFilled);
    use_filled_->setObjectName(QStringLiteral("UseFilled"));
    use_filled_->setCheckable(true);
    col_sym_ = style->addAction(QStringLiteral("&Cycle Symbols 1st"), this, &Plotit::Col_Sym);
    col_sym_->setObjectName(QStringLiteral("Col_Sym"));
    style->addSeparator();
    time_in_hours_action_ =
        style->addAction(QStringLiteral("Time in &Hours"), this, &Plotit::TimeInHours);
    time_in_hours_action_->setObjectName(QStringLiteral("TimeInHours"));
    time_in_hours_action_->setCheckable(true);

    QMenu *copy = bar->addMenu(QStringLiteral("&Copy"));
    copy->setObjectName(QStringLiteral("Copyit"));
    clip_prn_ = copy->addAction(QStringLiteral("To &Clipboard"), this, &Plotit::ClipPrn);
    clip_prn_->setObjectName(QStringLiteral("ClipPrn"));
    save_bmp_ = copy->addAction(QStringLiteral("To &File (Bitmap)"), this, &Plotit::SaveBMP);
    save_bmp_->setObjectName(QStringLiteral("SaveBMP"));

    save_plot_now_ = bar->addAction(QStringLiteral("S&avePlot"), this, &Plotit::SavePlotNow);
    save_plot_now_->setObjectName(QStringLiteral("SavePlotNow"));
    save_plot_now_->setVisible(false);
    save_plot_now_->setEnabled(false);
    show_it_ = bar->addAction(QStringLiteral("Show &Legend"), this, &Plotit::ShowIt);
    show_it_->setObjectName(QStringLiteral("ShowIt"));
}

void Plotit::relayout() {
    // The readout takes the left half, the file label 0.95 of the right half.
    const int half = width() / 2;
    xy_coords_->setFixedWidth(std::max(0, half - 8));
    out_file_label_->setMaximumWidth(static_cast<int>(0.95 * half));
    // Word-wrapped labels need the height their width gives, which no layout
    // counts in a window's minimum: at a large text scale the canvas was
    // squeezed until the status line covered its axis.  The answer bar takes
    // that height, so the window's minimum keeps room for the bar, the
    // canvas and the status line together.
    if (answer_bar_->isVisibleTo(this))
        answer_bar_->setFixedHeight(
            answer_bar_->layout()->totalHeightForWidth(std::max(1, width())));
}

QPointF Plotit::plotPoint(const QMouseEvent *event) const {
    return currentScale().toPlot(event->position());
}

QSize Plotit::surfaceSize() const {
    return canvas_->size();
}

PlotScale Plotit::currentScale() const {
    const PlotRenderer renderer(state_, axes_, style_);
    return renderer.scale(QSizeF(surfaceSize()));
}

Figure Plotit::figure(bool key) const {
    Figure figure{state_, axes_, style_};
    figure.limits.shown = host_.limitsMode();
    if (figure.limits.shown) {
        figure.limits.low = host_.xLow();
        figure.limits.high = host_.xHigh();
    }
    figure.answer = answer_.text;
    figure.note = answer_.note;
    figure.lines = answer_.lines;
    figure.stretches = host_.stretchBands();
    figure.hours = QString::fromStdString(state_.data.x_label) == kHoursLabel;
    figure.key = key;
    // A picture names the report without the folders of this machine.
    if (key) {
        figure.names = names_;
        figure.report = host_.reportFileName();
    }
    return figure;
}

void Plotit::paintPlot(QPainter &painter, QSizeF size) const {
    viewer::paintFigure(painter, figure(false), size);
}

QSizeF Plotit::figureSize(QSizeF plot) const {
    return viewer::figureSize(figure(true), plot);
}

void Plotit::paintFigure(QPainter &painter, QSizeF plot) const {
    viewer::paintFigure(painter, figure(true), plot);
}

QImage Plotit::renderImage(QSize size) const {
    if (size.isEmpty()) size = surfaceSize();
    QImage image(figureSize(QSizeF(size)).toSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    paintFigure(painter, QSizeF(size));
    painter.end();
    return image;
}

void Plotit::redraw() {
    canvas_->invalidate();
}

void Plotit::layoutAxes() {
    std::vector<Notice> notices;
    const TickRounder round = [this](float lo, float hi, float &out_lo, float &out_hi, int32_t &n) {
        host_.tickRound(lo, hi, out_lo, out_hi, n);
    };
    axes_ = computeAxes(state_, round, &notices);
    showNotices(notices);
}

void Plotit::showNotice(const Notice &notice) {
    if (message_) message_(notice.text, notice.title);
}

void Plotit::showNotices(const std::vector<Notice> &notices) {
    for (const Notice &notice : notices)
        showNotice(notice);
}

void Plotit::setSeriesNames(SeriesNames names) {
    names_ = std::move(names);
    if (legend_) legend_->seriesChanged();
}

bool Plotit::ShowPlot() {
    const QString file_name = host_.plotFileName();
    canvas_->setFrozen(true);
    time_axis_.restoreSeconds(state_);
    host_.showProgress(QStringLiteral("Reading Data"));
    auto progress = [this](int percent) {
        host_.setProgress(percent);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    const LoadOutcome outcome = loadPlotFile(state_, file_name, sleep_, progress);
    host_.setProgress(0);
    host_.hideProgress();
    canvas_->setFrozen(false);

    dragging_ = false;
    first_move_ = true;
    limit_drag_ = LimitDrag::none;
    // The readout belonged to the plot before; it comes back with the mouse.
    xy_label_->setText(QStringLiteral(" "));
    canvas_->setRubberBand(false);
    zoomout_->setEnabled(false);
    bool shown = false;
    switch (outcome) {
        case LoadOutcome::not_opened:
            setWindowTitle(host_.programTitle());
            out_file_label_->setText(QStringLiteral("The plot file could not be opened"));
            showNotice({"The Plot File Could Not Be Opened!\n" + file_name,
                        QStringLiteral("Data File Error")});
            no_data_told_ = true;
            break;
        case LoadOutcome::no_data:
            setWindowTitle(host_.programTitle());
            showNotice({"The Current File Contained No Data!\n" + file_name,
                        QStringLiteral("Data File Error")});
            no_data_told_ = true;
            break;
        case LoadOutcome::loaded: {
            out_file_label_->setText(QStringLiteral(" "));
            setWindowTitle(plotCaption(host_.programTitle(), file_name));
            // The hint on the plot names Ctrl and Alt; Shift works as well.
            surface_tip_ = host_.limitsMode() ? kLimitsKeys : QString();
            canvas_->setToolTip(surface_tip_);
            // The answer bar has the verdict in full; the second heading
            // keeps only the time stamp, which a long verdict would run into.
            if (!answer_.text.isEmpty())
                state_.data.heading2 = answeredSecondHeading(state_.data.stamp).toStdString();
            time_axis_.noteLoaded(state_);
            time_in_hours_ = hours_choice_.value_or(answer_.hoursByDefault);
            time_in_hours_action_->setChecked(time_in_hours_);
            if (time_in_hours_) {
                time_axis_.show(state_, true);
                FindPlotRange(state_);
            }
            layoutAxes();
            shown = true;
            break;
        }
    }
    show();
    redraw();
    return shown;
}

DisposeResult Plotit::DisposePlotFile() {
    const DisposeResult result =
        viewer::DisposePlotFile(state_, host_.plotFileName(), host_.tempPlotFileName());
    out_file_label_->setText(result.out_file_label);
    save_plot_now_->setVisible(result.save_plot_now);
    save_plot_now_->setEnabled(result.save_plot_now);
    return result;
}

void Plotit::showEvent(QShowEvent *event) {
    QMainWindow::showEvent(event);
    relayout();
    // Its frame is known once the desktop has framed it.
    QTimer::singleShot(0, this, [this] { keepFrameOnScreen(*this); });
    // Shown before any plot: say so once, outside the paint.
    if (!state_.DataLoaded && !no_data_told_) {
        no_data_told_ = true;
        QTimer::singleShot(0, this, [this] {
            if (!state_.DataLoaded) {
                showNotice({QStringLiteral("There Are No Data To Plot Yet!\n"
                                           "       Load a Data File 1st."),
                            QStringLiteral("Load Data")});
            }
        });
    }
}

void Plotit::resizeEvent(QResizeEvent *event) {
    QMainWindow::resizeEvent(event);
    relayout();
    // Grown to its minimum (a long answer at a large text scale), the window
    // may reach past the screen's edge: it moves back inside.
    if (isVisible()) QTimer::singleShot(0, this, [this] { keepFrameOnScreen(*this); });
}

void Plotit::closeEvent(QCloseEvent *event) {
    if (!allow_close_) {
        // The close button puts the plot away until the next one; the
        // window, its style and its numbering stay.
        dragging_ = false;
        limit_drag_ = LimitDrag::none;
        canvas_->setRubberBand(false);
        if (legend_) legend_->close();
        hide();
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void Plotit::unload() {
    allow_close_ = true;
    canvas_->setRubberBand(false);
    host_.hideProgress();
    const QString temp = host_.tempPlotFileName();
    if (!temp.isEmpty() && QFileInfo::exists(temp)) QFile::remove(temp);
    host_.setPlotWindowOpen(false);
    close();
}

// ---- the mouse ----

void Plotit::mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF plot) {
    const MouseGesture gesture = pressGesture(button, modifiers);
    if (gesture == MouseGesture::none || !state_.DataLoaded) return;
    if (startStretchDrag(gesture, plot) || gesture != MouseGesture::drag) return;
    dragging_ = true;
    first_move_ = true;
    down_ = current_ = plot;
}

void Plotit::mouseMove(QPointF plot) {
    const PlotScale scale = currentScale();
    if (show_coords_ && state_.DataLoaded) {
        xy_label_->setText(coordinateReadout(scale.dataX(static_cast<float>(plot.x())),
                                             scale.dataY(static_cast<float>(plot.y()))));
    }
    if (limit_drag_ != LimitDrag::none) {
        current_ = plot;
        moveStretchDrag();
    } else if (dragging_) {
        first_move_ = false;
        current_ = plot;
        canvas_->setRubberBand(true, scale.toDevice(down_), scale.toDevice(current_));
    } else if (state_.DataLoaded) {
        hoverStretches(plot);
    }
}

void Plotit::mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF plot) {
    if (limit_drag_ != LimitDrag::none && endStretchDrag()) return;
    const MouseGesture gesture = releaseGesture(button, modifiers, host_.limitsMode());
    if (gesture == MouseGesture::drag) {
        if (!dragging_ || !state_.DataLoaded) return;
        canvas_->setRubberBand(false);
        first_move_ = true;
        dragging_ = false;
        // A click on a stretch takes it; elsewhere a click does nothing.
        if (isClick(down_, current_) && takeStretchAt(down_)) return;
        // The box ends at the last move position, not where the button rose.
        if (down_.x() == current_.x() || down_.y() == current_.y()) return;
        const ZoomResult zoom = ZoomToBox(down_, current_, currentScale(), state_);
        if (zoom.outcome == ZoomOutcome::none) return;
        const std::optional<Notice> notice = applyZoom(zoom, state_);
        down_ = current_ = QPointF();
        if (notice) {
            showNotice(*notice);
        } else {
            layoutAxes();
            zoomout_->setEnabled(true);
        }
        redraw();
        return;
    }
    if (dragging_) {
        // A key pressed during a drag turns the release into something
        // else: the drag ends without a zoom.
        canvas_->setRubberBand(false);
        first_move_ = true;
        dragging_ = false;
    }
    if (gesture == MouseGesture::lower_limit || gesture == MouseGesture::upper_limit) {
        if (!state_.DataLoaded) return;
        const float value = currentScale().dataX(static_cast<float>(plot.x()));
        if (applyLimitClick(host_, gesture, value, message_)) redraw();
    }
}

void Plotit::Zoomout() {
    FindPlotRange(state_);
    zoomout_->setEnabled(false);
    if (state_.DataLoaded) {
        layoutAxes();
    }
    redraw();
}

void Plotit::TimeInHours() {
    time_in_hours_ = !time_in_hours_;
    time_in_hours_action_->setChecked(time_in_hours_);
    hours_choice_ = time_in_hours_;
    host_.timeInHoursChosen(time_in_hours_);
    if (!state_.DataLoaded) return;
    const bool zoomed = zoomout_->isEnabled();
    time_axis_.show(state_, time_in_hours_);
    if (!zoomed) FindPlotRange(state_);
    layoutAxes();
    redraw();
}

void Plotit::ShowEm() {
    show_coords_ = !show_coords_;
    xy_coords_->setVisible(show_coords_);
    show_em_->setText(show_coords_ ? QStringLiteral("&Hide (X,Y)") : QStringLiteral("&Show (X,Y)"));
}

}  // namespace quillane::viewer
