// SPDX-License-Identifier: MIT
// The plot window's output and style commands: printers, printing, the
// clipboard, saving pictures and plot files, the Style menu and the legend.
#include <algorithm>

#include <QActionGroup>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>

#include "plot_export.h"
#include "plot_window.h"

namespace quillane::viewer {

namespace {

// PNG first: small, lossless and read by everything; the bitmap stays on offer.
const QString kPngFilter = QStringLiteral("PNG Image (*.png)");
const QString kPictureFilters = kPngFilter + QStringLiteral(
                                                 ";;Bitmap (*.bmp);;SVG Drawing (*.svg);;PDF "
                                                 "Document (*.pdf)");
const QString kPlotFilter = QStringLiteral("Plot Files (*.dat)");

// The suffix of the first pattern of a filter such as "PNG Image (*.png)".
QString suffixOfFilter(const QString &filter, const QString &fallback) {
    const qsizetype star = filter.indexOf(QLatin1String("*."));
    if (star < 0) return fallback;
    QString suffix = filter.mid(star + 2);
    const qsizetype end = suffix.indexOf(QRegularExpression(QStringLiteral("[ ;)]")));
    if (end >= 0) suffix.truncate(end);
    return suffix.isEmpty() ? fallback : suffix;
}

QString withSuffix(const QString &name, const QString &filter, const QString &fallback) {
    if (!QFileInfo(name).suffix().isEmpty()) return name;
    return name + QLatin1Char('.') + suffixOfFilter(filter, fallback);
}

// Runs a command with the hourglass pointer.
class BusyPointer {
  public:
    BusyPointer() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyPointer() { QGuiApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;
};

}  // namespace

SaveFileHook defaultSaveFileHook() {
    return
        [](QWidget *parent, const QString &title, const QString &filter, QString *selected_filter) {
            return QFileDialog::getSaveFileName(parent, title, QDir::currentPath(), filter,
                                                selected_filter);
        };
}

// ---- printers ----

void Plotit::setPrinterNames(const QStringList &names) {
    printer_names_ = names;
    buildPrinterMenu();
}

void Plotit::buildPrinterMenu() {
    printer_menu_->clear();
    printer_items_.clear();
    auto *group = new QActionGroup(printer_menu_);
    group->setExclusive(true);
    current_printer_ = -1;
    const QString wanted = host_.defaultPrinterName().trimmed();
    for (int i = 0; i < printer_names_.size(); ++i) {
        QAction *item = printer_menu_->addAction(printer_names_[i]);
        item->setObjectName(QStringLiteral("PrnArray"));
        item->setData(i);
        item->setCheckable(true);
        group->addAction(item);
        connect(item, &QAction::triggered, this, [this, i] { PrnArray(i); });
        if (current_printer_ < 0 && printer_names_[i].trimmed() == wanted) {
            item->setChecked(true);
            current_printer_ = i;
        }
        printer_items_.append(item);
    }
    printer_separator_ = printer_menu_->addSeparator();
    printer_separator_->setObjectName(QStringLiteral("Dummy0"));
    print_plot_ = printer_menu_->addAction(QStringLiteral("&Print"), this, &Plotit::PrnPlot);
    print_plot_->setObjectName(QStringLiteral("PrnPlot"));
    // Without printers there is nothing to print on.
    print_plot_->setEnabled(!printer_names_.isEmpty());
}

void Plotit::checkPrinter(int index) {
    if (index < 0 || index >= printer_items_.size()) return;
    printer_items_[index]->setChecked(true);
    current_printer_ = index;
}

void Plotit::PrnArray(int index) {
    if (index < 0 || index >= printer_items_.size()) return;
    checkPrinter(index);
    host_.printerChosen(index, printer_names_[index]);
}

void Plotit::PrnPlot() {
    if (printer_names_.isEmpty()) return;
    const int index = current_printer_ >= 0 ? current_printer_ : 0;
    BusyPointer busy;
    QPrinter printer(QPrinterInfo::printerInfo(printer_names_[index]), QPrinter::HighResolution);
    const QSizeF plot(surfaceSize());
    const bool printed = PrintPictureToFitPage(
        printer, figureSize(plot), [this, plot](QPainter &painter, QSizeF size) {
            // The printer draws at its own resolution: the figure is scaled.
            const double factor = size.width() / figureSize(plot).width();
            painter.save();
            painter.scale(factor, factor);
            paintFigure(painter, plot);
            painter.restore();
        });
    if (!printed)
        out_file_label_->setText("The plot could not be printed on " + printer_names_[index]);
}

// ---- copying and saving ----

void Plotit::ClipPrn() {
    const qreal ratio = devicePixelRatioF();
    const QImage image = renderImage((QSizeF(surfaceSize()) * ratio).toSize());
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setImage(image);
}

void Plotit::SaveBMP() {
    QString filter = kPngFilter;
    QString name =
        save_file_ ? save_file_(this, QStringLiteral("Save Plot Picture"), kPictureFilters, &filter)
                   : QString();
    if (name.isEmpty()) return;  // cancel ends the command silently
    name = withSuffix(name, filter, QStringLiteral("png"));
    // Pictures are drawn anew at the full resolution of the screen, with
    // the key of the series beside the plot.
    QSizeF plot(surfaceSize());
    const ImageKind kind = imageKindOf(name);
    if (kind != ImageKind::svg && kind != ImageKind::pdf) plot *= devicePixelRatioF();
    const QSizeF figure = figureSize(plot);
    QString error;
    BusyPointer busy;
    const bool saved = savePicture(
        name, figure,
        [this, plot, figure](QPainter &painter, QSizeF at) {
            const double factor = at.width() / figure.width();
            painter.save();
            painter.scale(factor, factor);
            paintFigure(painter, plot);
            painter.restore();
        },
        &error);
    if (!saved) {
        showNotice({"The plot could not be saved.\n" + error, QStringLiteral("Save Error")});
        return;
    }
    out_file_label_->setText("Picture saved as " + name);
}

void Plotit::SavePlotNow() {
    const QString work_dir = host_.workDir();
    if (!work_dir.isEmpty()) QDir::setCurrent(work_dir);
    QString filter = kPlotFilter;
    QString name = save_file_
                       ? save_file_(this, QStringLiteral("Save Plot File"), kPlotFilter, &filter)
                       : QString();
    if (name.isEmpty()) return;
    name = withSuffix(name, kPlotFilter, QStringLiteral("dat"));

    const QString temp = host_.tempPlotFileName();
    // The dialog has already asked before replacing an existing file; it is
    // replaced whole (writeWholeFile), while a device is written to and a
    // pipe or folder refused, none of them removed for a plain file.
    QFile plot(temp);
    QString error = QStringLiteral("the plot to save cannot be read");
    if (!plot.open(QIODevice::ReadOnly) || !writeWholeFile(name, plot.readAll(), &error)) {
        out_file_label_->setText("The plot could not be saved as " + name + ": " + error);
        return;
    }
    plot.close();
    if (QFileInfo(name) != QFileInfo(temp)) QFile::remove(temp);
    // Like the platform's dialog, saving moves the current folder to the one
    // chosen: later kept plots are numbered there.
    const QString folder = QFileInfo(name).absolutePath();
    QDir::setCurrent(folder);
    host_.setWorkDir(folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/'));
    save_plot_now_->setVisible(false);
    save_plot_now_->setEnabled(false);
    out_file_label_->setText(QStringLiteral(" "));
}

// ---- style ----

void Plotit::Nolines() {
    style_.OmitLines = !style_.OmitLines;
    no_lines_->setChecked(style_.OmitLines);
    if (state_.DataLoaded) redraw();
}

void Plotit::LargePoints() {
    // The caption always names the other choice.
    if (style_.SymbolSize == 1.0) {
        style_.SymbolSize = 0.5;
        large_points_->setText(QStringLiteral("Large &Symbols"));
    } else {
        style_.SymbolSize = 1.0;
        large_points_->setText(QStringLiteral("&Small Symbols"));
    }
    if (state_.DataLoaded) redraw();
}

void Plotit::UseFilled() {
    style_.FilledSymbols = !style_.FilledSymbols;
    use_filled_->setChecked(style_.FilledSymbols);
    if (state_.DataLoaded) redraw();
    if (legend_ && legend_->isVisible()) legend_->update();
}

void Plotit::Col_Sym() {
    style_.CycleColorsFirst = !style_.CycleColorsFirst;
    col_sym_->setText(style_.CycleColorsFirst ? QStringLiteral("Cycle Symbols 1st")
                                              : QStringLiteral("Cycle Colors 1st"));
    if (state_.DataLoaded) redraw();
    if (legend_ && legend_->isVisible()) legend_->update();
}

// ---- legend ----

QPoint legendPlace(const QRect &plot, QSize legend, const QRect &screen) {
    constexpr int kGap = 8;
    QPoint at(plot.right() + 1 + kGap, plot.top());
    if (!screen.isValid()) return at;
    // A plot window near the right edge would push the legend off the
    // screen, where the user could neither see nor close it.  Above the plot
    // window, at its right end, it covers the least of the main window;
    // else left of the plot window.
    if (at.x() + legend.width() > screen.right() + 1) {
        const int above = plot.top() - kGap - legend.height();
        if (above >= screen.top())
            at = QPoint(plot.right() + 1 - legend.width(), above);
        else
            at.setX(plot.left() - kGap - legend.width());
    }
    at.setX(std::clamp(at.x(), screen.left(),
                       std::max(screen.left(), screen.right() + 1 - legend.width())));
    at.setY(std::clamp(at.y(), screen.top(),
                       std::max(screen.top(), screen.bottom() + 1 - legend.height())));
    return at;
}

void Plotit::ShowIt() {
    if (!legend_)
        legend_ = new PlotLegend(
            style_, names_, [this] { legendUnloaded(); }, nullptr);
    legend_->move(legendPlace(frameGeometry(), legend_->frameGeometry().size(),
                              screen() ? screen()->availableGeometry() : QRect()));
    legend_->show();
    QTimer::singleShot(0, legend_, [legend = legend_] {
        if (legend) keepFrameOnScreen(*legend);
    });
    host_.setLegendWindowOpen(true);
    show_it_->setEnabled(false);
}

void Plotit::legendUnloaded() {
    if (!allow_close_) show_it_->setEnabled(true);
    host_.setLegendWindowOpen(false);
}

}  // namespace quillane::viewer
