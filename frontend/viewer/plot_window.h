// SPDX-License-Identifier: MIT
// The plot window: shows the plot file the library has written, disposes of
// it, and carries the zoom, data-range, output and style commands.
//
// Typical use by the main window after a library call wrote a plot:
//     viewer->ShowPlot();
//     viewer->DisposePlotFile();
//     viewer->show();
#pragma once

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <functional>
#include <optional>

#include "figure.h"
#include "plot_answer.h"
#include "plot_axes.h"
#include "plot_canvas.h"
#include "plot_file_control.h"
#include "plot_legend.h"
#include "plot_renderer.h"
#include "plot_series.h"
#include "plot_style.h"
#include "plot_time_axis.h"
#include "plot_zoom.h"
#include "viewer_host.h"
#include "viewer_state.h"

namespace quillane::viewer {

// Asks for a file name to save to; an empty result means cancel.
// `selected_filter` names the filter the user chose.
using SaveFileHook = std::function<QString(QWidget *parent, const QString &title,
                                           const QString &filter, QString *selected_filter)>;

// The platform's save dialog.
SaveFileHook defaultSaveFileHook();

// Where the legend window goes: right of the plot window's frame `plot`;
// when it would not fit on `screen` there, above the plot window's right end,
// else left of the plot window; always inside `screen` (when valid).
QPoint legendPlace(const QRect &plot, QSize legend, const QRect &screen);

// Where the plot window of `size` opens on the screen area `available`: on
// the side away from the main window's frame `main` (right when unknown),
// low on the screen, so that the main window's menu bar and a good part of
// its output list stay in view.
QPoint plotWindowPlace(const QRect &available, QSize size, const QRect &main);

// Moves a shown top-level window (and shrinks it when it must) so that its
// frame lies inside the free area of its screen; a window inside already
// stays exactly where it is.
void keepFrameOnScreen(QWidget &window);

class Plotit : public QMainWindow {
    Q_OBJECT
  public:
    explicit Plotit(ViewerHost &host, QWidget *parent = nullptr);
    ~Plotit() override;

    // Hooks for the message boxes, the wait between open attempts and the
    // save dialogs (tests and headless use replace them).
    void setMessageHook(MessageHook hook) { message_ = std::move(hook); }
    void setSleeper(Sleeper sleeper) { sleep_ = std::move(sleeper); }
    void setSaveFileHook(SaveFileHook hook) { save_file_ = std::move(hook); }
    // The printers offered, in the order of the system's list (set before
    // the window is shown to replace the system's list).
    void setPrinterNames(const QStringList &names);

    // What the series of the next plot stand for (set before ShowPlot; no
    // names: the legend keeps the numbered key).  An open legend follows.
    void setSeriesNames(SeriesNames names);

    // What the next plot answers, in words, with labels for its lines (set
    // before ShowPlot; an empty answer hides the answer bar).
    void setAnswer(PlotAnswer answer);
    const PlotAnswer &answer() const { return answer_; }
    QLabel *answerLabel() const { return answer_label_; }
    QLabel *answerNote() const { return answer_note_; }
    QPushButton *answerButton() const { return answer_button_; }

    // The plot as pictures of it leave the window (files, clipboard,
    // printer): the key of its series at the right and the report named
    // without its folder.  The picture's size for a window surface `plot`.
    QSizeF figureSize(QSizeF plot) const;
    void paintFigure(QPainter &painter, QSizeF plot) const;

    // Reads the plot file and shows it.  Returns false when nothing could be
    // shown (the file could not be opened, or held no data).
    bool ShowPlot();
    // Deletes or keeps the plot file just shown.
    DisposeResult DisposePlotFile();

    // The main window chose printer `index` (0-based): move the check mark.
    void checkPrinter(int index);
    // Draws the plot on show again (new limits to mark, say).
    void redrawPlot() { redraw(); }
    // Closes the window for good (the program ends).  The window's own close
    // button only hides it: it comes back with the next plot.
    void unload();

    // The plot as the window shows it now, as an image of `size` (the
    // window's drawing surface when empty).
    QImage renderImage(QSize size = {}) const;
    QSize surfaceSize() const;
    // The mappings of the last paint, used by the mouse.
    PlotScale currentScale() const;

    const ViewerState &state() const { return state_; }
    const PlotStyle &plotStyle() const { return style_; }
    const PlotAxes &axes() const { return axes_; }
    bool showCoords() const { return show_coords_; }
    bool timeInHours() const { return time_in_hours_; }
    PlotCanvas *canvas() const { return canvas_; }
    PlotLegend *legend() const { return legend_; }
    QLabel *xyLabel() const { return xy_label_; }
    QLabel *outFileLabel() const { return out_file_label_; }

    // Mouse handling in plot units (the canvas forwards its events here).
    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF plot);
    void mouseMove(QPointF plot);
    void mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF plot);

  public slots:
    void Zoomout();
    void ShowEm();
    void PrnPlot();
    void PrnArray(int index);
    void ClipPrn();
    void SaveBMP();
    void SavePlotNow();
    void Nolines();
    void LargePoints();
    void UseFilled();
    void Col_Sym();
    void ShowIt();
    // View option: the time axis of the result graphs in hours, not seconds.
    void TimeInHours();

  protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

  private:
    void buildMenu();
    void buildPrinterMenu();
    void buildStatusLabels();
    void buildAnswerBar();
    // The plot on show as a figure: with its key (`key`) as pictures of it
    // leave the window, or alone as the window's surface shows it.
    Figure figure(bool key) const;
    void relayout();
    void redraw();
    // Lays out the axes for the current data range and shows its warnings.
    void layoutAxes();
    void showNotice(const Notice &notice);
    void showNotices(const std::vector<Notice> &notices);
    QPointF plotPoint(const QMouseEvent *event) const;
    void paintPlot(QPainter &painter, QSizeF size) const;
    void legendUnloaded();

    // The column finder's stretches under the mouse (plot_window_stretches.cpp).
    bool insidePlotArea(QPointF plot) const;
    // Starts dragging a stretch's edge or a Ctrl+drag range; false when the
    // press starts neither.
    bool startStretchDrag(MouseGesture gesture, QPointF plot);
    void moveStretchDrag();
    // Ends a stretch drag at the last move position; false when the release
    // is no drag after all (a click), which the other gestures then take.
    bool endStretchDrag();
    // A click on a stretch takes its limits; false when there is none there.
    bool takeStretchAt(QPointF plot);
    // The tip and the cursor over stretches and their edges.
    void hoverStretches(QPointF plot);
    // Whether the pointer moved no farther than a click allows.
    bool isClick(QPointF from, QPointF to) const;

    ViewerHost &host_;
    ViewerState state_;
    SeriesNames names_;
    PlotAnswer answer_;
    QWidget *answer_bar_ = nullptr;
    QLabel *answer_label_ = nullptr;
    QLabel *answer_note_ = nullptr;
    QPushButton *answer_button_ = nullptr;
    TimeAxisView time_axis_;
    bool time_in_hours_ = false;
    std::optional<bool> hours_choice_;  // the user's, once made (kept by the host)
    PlotStyle style_;
    PlotAxes axes_;
    MessageHook message_;
    Sleeper sleep_;
    SaveFileHook save_file_;

    bool show_coords_ = true;
    bool dragging_ = false;
    bool first_move_ = true;
    QPointF down_;     // where the drag started (plot units)
    QPointF current_;  // the last pointer position of the drag (plot units)
    // A drag that marks limits rather than zooming: a stretch's edge, or
    // a Ctrl+drag range.
    enum class LimitDrag { none, edge, range };
    LimitDrag limit_drag_ = LimitDrag::none;
    BandEdge edge_;
    // The surface's tip away from the stretches (the limit keys in limits mode).
    QString surface_tip_;
    bool allow_close_ = false;
    bool no_data_told_ = false;

    PlotCanvas *canvas_ = nullptr;
    QWidget *xy_coords_ = nullptr;
    QLabel *xy_label_ = nullptr;
    QLabel *out_file_label_ = nullptr;
    QPointer<PlotLegend> legend_;

    // Menu-bar commands whose text or state changes.
    QAction *zoomout_ = nullptr;
    QAction *show_em_ = nullptr;
    QAction *show_it_ = nullptr;

    // How the plot is drawn.
    QAction *no_lines_ = nullptr;
    QAction *large_points_ = nullptr;
    QAction *use_filled_ = nullptr;
    QAction *col_sym_ = nullptr;
    QAction *time_in_hours_action_ = nullptr;

    // Where the plot goes: printers, clipboard, files.
    QMenu *printer_menu_ = nullptr;
    QList<QAction *> printer_items_;
    QAction *printer_separator_ = nullptr;
    QStringList printer_names_;
    int current_printer_ = -1;
    QAction *print_plot_ = nullptr;
    QAction *clip_prn_ = nullptr;
    QAction *save_bmp_ = nullptr;
    QAction *save_plot_now_ = nullptr;
};

}  // namespace quillane::viewer
