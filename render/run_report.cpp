// SPDX-License-Identifier: MIT
#include "run_report.h"

#include <QBuffer>
#include <QFile>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "equilibrium_answer.h"
#include "figure.h"
#include "hours_format.h"
#include "plot_export.h"
#include "plot_file_control.h"
#include "plot_renderer.h"
#include "plot_time_axis.h"
#include "report_text.h"
#include "series.h"

namespace quillane::viewer {

namespace {

using session::ReportFigure;
using session::RunReport;
using session::SeriesReport;

// Laid out in points (1/72 inch), whatever the device's resolution.
constexpr double kMargin = 48.0;
constexpr double kFooterGap = 18.0;
constexpr double kBodyPt = 9.5;
constexpr double kTablePt = 7.5;
// The summary has ten columns to fit across the page.
constexpr double kSummaryPt = 7.5;
constexpr double kKeyWidth = 128.0;
// The plots are drawn at the window's default size and scaled to the page,
// so their text keeps its proportions.
const QSizeF kPlotSize(960, 720);
const QColor kRuleColour(150, 150, 150);
const QColor kShadeColour(238, 238, 238);
const QColor kFooterColour(90, 90, 90);

QString q(const std::string &text) {
    return QString::fromStdString(text);
}

QString fixed(double v, int decimals) {
    return QString::number(v, 'f', decimals);
}

// `digits` significant digits, trailing zeros kept so columns line up.
QString general(double v, int digits = 4) {
    return QString::asprintf("%#.*g", digits, v);
}

QString hours(double seconds) {
    return QString::fromStdString(hours_with_unit(seconds, 2));
}

QString fileName(const std::string &path) {
    return QFile::decodeName(std::filesystem::path(path).filename().c_str());
}

QString unit(bool xi) {
    return xi ? QStringLiteral("cm\u00b2") : QStringLiteral("cm");
}

struct TableColumn {
    QString title;
    double share;  // of the table's width
    bool right;    // numbers are right-aligned
};

// Pages of a device with a cursor: everything drawn goes below what came
// before, and a new page begins when the next piece does not fit.
class Pages {
  public:
    Pages(QPainter &painter, QPagedPaintDevice &device, QString footer)
        : painter_(painter), device_(device), footer_(std::move(footer)) {
        unit_ = device.logicalDpiY() / 72.0;
        const double w = device.width() / unit_, h = device.height() / unit_;
        area_ = QRectF(kMargin, kMargin, w - 2 * kMargin, h - 2 * kMargin - kFooterGap);
        y_ = area_.top();
        drawFooter();
    }

    QPainter &painter() { return painter_; }
    double width() const { return area_.width(); }
    double left() const { return area_.left(); }
    double y() const { return y_; }
    double room() const { return area_.bottom() - y_; }
    double pageHeight() const { return area_.height(); }
    void advance(double h) { y_ += h; }
    bool atTop() const { return y_ <= area_.top() + 0.5; }

    // A new page unless `h` points still fit on this one (or nothing is on
    // it yet).
    void need(double h) {
        if (h > room() && !atTop()) newPage();
    }
    void newPage() {
        device_.newPage();
        ++page_;
        y_ = area_.top();
        drawFooter();
    }

    // From points to device units.
    double d(double points) const { return points * unit_; }
    QRectF d(const QRectF &r) const { return {d(r.x()), d(r.y()), d(r.width()), d(r.height())}; }

    // The height, in points, of `text` wrapped into `width` points.
    double textHeight(const QString &text, const QFont &font, double width) const {
        return ReportText(text, font, &device_, d(width)).height() / unit_;
    }
    double lineHeight(const QFont &font) const {
        return QFontMetricsF(font, &device_).lineSpacing() / unit_;
    }
    // The width, in points, of `text` on one line.
    double textWidth(const QString &text, const QFont &font) const {
        return QFontMetricsF(font, &device_).horizontalAdvance(reportText(text)) / unit_;
    }

    // One line of text, not wrapped.
    void text(const QRectF &r, const QString &text, const QFont &font, int flags,
              const QColor &colour = Qt::black) {
        painter_.setFont(font);
        painter_.setPen(colour);
        painter_.drawText(d(r), flags, reportText(text));
    }

    // Wrapped text inside `r` (a table's cell), centred in its height.
    void cell(const QRectF &r, const QString &text, const QFont &font, Qt::Alignment align) {
        const ReportText laid(text, font, &device_, d(r.width()), align);
        painter_.setPen(Qt::black);
        const double top = d(r.top()) + (d(r.height()) - laid.height()) / 2;
        laid.draw(painter_, QPointF(d(r.left()), top), 0, laid.lines());
    }

    // `text` wrapped into `width` points at `left`, below what came before:
    // on this page when it fits, else on the next one; a text taller than a
    // page is split at its lines over as many pages as it needs, so that
    // nothing runs off a page.  `beside` draws what stands level with its
    // first line (the key of a key-value row), which takes at least
    // `min_height` points.
    void flow(const QString &text, const QFont &font, double left, double width,
              double min_height = 0, const std::function<void()> &beside = {}) {
        const ReportText t(text, font, &device_, d(width));
        const double h = std::max(t.height() / unit_, min_height);
        if (h <= pageHeight()) need(h);
        const std::vector<int> runs = t.pageRuns(d(room()), d(pageHeight()));
        if (!runs.empty() && runs.front() == 0) newPage();  // not one line fits here
        const int first_page = page_;
        const double top = y_;
        if (beside) beside();
        int from = 0;
        for (const int end : runs) {
            if (end == from) continue;
            if (from > 0) newPage();
            painter_.setPen(Qt::black);
            t.draw(painter_, QPointF(d(left), d(y_)), from, end);
            y_ += t.height(from, end) / unit_;
            from = end;
        }
        if (page_ == first_page) y_ = std::max(y_, top + min_height);
    }

  private:
    void drawFooter() {
        const QFont f = reportFont(7.5);
        const QRectF r(area_.left(), area_.bottom() + kFooterGap - lineHeight(f), area_.width(),
                       lineHeight(f));
        text(r, footer_, f, Qt::AlignLeft | Qt::AlignVCenter, kFooterColour);
        text(r, QStringLiteral("page %1").arg(page_), f, Qt::AlignRight | Qt::AlignVCenter,
             kFooterColour);
    }

    QPainter &painter_;
    QPagedPaintDevice &device_;
    QString footer_;
    double unit_ = 1.0;
    QRectF area_;
    double y_ = 0.0;
    int page_ = 1;
};

class ReportWriter {
  public:
    ReportWriter(Pages &pages, const TickRounder &round, std::vector<Notice> *notices)
        : p_(pages), round_(round), notices_(notices) {}

    void title(const QString &text, const QString &under) {
        p_.flow(text, reportFont(18, true), p_.left(), p_.width());
        p_.advance(2);
        paragraph(under, reportFont(8.5, false, true));
        p_.advance(6);
    }

    // `keep` points of what follows stay on the heading's page.
    void heading(const QString &text, double points = 12.5, double keep = 0) {
        const QFont f = reportFont(points, true);
        const double h = p_.textHeight(text, f, p_.width());
        // A heading never ends a page.
        p_.need(h + points * 0.6 + 8 + std::max(keep, 4 * p_.lineHeight(reportFont(kBodyPt))));
        if (!p_.atTop()) p_.advance(points * 0.6);
        p_.flow(text, f, p_.left(), p_.width());
        rule();
        p_.advance(4);
    }

    void paragraph(const QString &text, const QFont &font) {
        p_.flow(text, font, p_.left(), p_.width());
        p_.advance(2);
    }

    // "Key   value" lines; the value wraps within its own column.
    void keyValues(const std::vector<std::pair<QString, QString>> &rows) {
        const QFont key = reportFont(kBodyPt, true), value = reportFont(kBodyPt);
        const double vw = p_.width() - kKeyWidth;
        for (const auto &[k, v] : rows) {
            const double key_h = p_.lineHeight(key);
            p_.flow(v, value, p_.left() + kKeyWidth, vw, key_h, [&, &k = k] {
                p_.text({p_.left(), p_.y(), kKeyWidth - 6, key_h}, k, key,
                        Qt::AlignLeft | Qt::AlignTop);
            });
            p_.advance(1.5);
        }
    }

    // Column shares of a table that fit its contents: every heading on one
    // line (a heading of two lines would stand out of line with the
    // others), each column as wide as its widest cell, and what is left of
    // the width to the columns that may wrap (`wraps`), in their order, down
    // to their longest word.
    std::vector<double> fittingShares(const std::vector<QString> &headings,
                                      const std::vector<std::vector<QString>> &rows,
                                      const std::vector<bool> &wraps, double points) const {
        const QFont head = reportFont(points, true), body = reportFont(points);
        constexpr double kPadding = 6;  // the cell's inset on both sides, and air
        const size_t n = headings.size();
        std::vector<double> least(n), want(n);
        for (size_t c = 0; c < n; ++c) {
            least[c] = want[c] = p_.textWidth(headings[c], head) + kPadding;
            for (const auto &row : rows) {
                if (c >= row.size()) continue;
                want[c] = std::max(want[c], p_.textWidth(row[c], body) + kPadding);
                if (!wraps[c]) continue;
                for (const QString &word : row[c].split(QLatin1Char(' ')))
                    least[c] = std::max(least[c], p_.textWidth(word, body) + kPadding);
            }
            if (!wraps[c]) least[c] = want[c];
        }
        double fixed = 0, wanted = 0, bare = 0;
        for (size_t c = 0; c < n; ++c) {
            (wraps[c] ? wanted : fixed) += want[c];
            if (wraps[c]) bare += least[c];
        }
        std::vector<double> widths = want;
        const double room = p_.width() - fixed;
        if (room >= wanted) {
            // Room to spare: the wrapping columns take it.
            for (size_t c = 0; c < n; ++c)
                if (wraps[c] && wanted > 0) widths[c] = want[c] * room / wanted;
        } else if (room >= bare) {
            // From their longest words up, each in its turn as wide as it
            // would be: the verdict on one line comes before the columns'.
            double spare = room - bare;
            for (size_t c = 0; c < n; ++c) {
                if (!wraps[c]) continue;
                const double more = std::min(want[c] - least[c], spare);
                widths[c] = least[c] + more;
                spare -= more;
            }
        } else {
            for (size_t c = 0; c < n; ++c)
                widths[c] = least[c];
        }
        double total = 0;
        for (double w : widths)
            total += w;
        std::vector<double> shares;
        for (double w : widths)
            shares.push_back(w / std::max(total, p_.width()));
        return shares;
    }

    // A table whose header row comes again on every page it runs onto.
    void table(const std::vector<TableColumn> &columns,
               const std::vector<std::vector<QString>> &rows, double points = kTablePt) {
        const QFont head = reportFont(points, true), body = reportFont(points);
        const double row_h = p_.lineHeight(body) + 2;
        auto x_of = [&](size_t c) {
            double x = p_.left();
            for (size_t i = 0; i < c; ++i)
                x += columns[i].share * p_.width();
            return x;
        };
        auto draw_row = [&](const std::vector<QString> &cells, const QFont &font, double h) {
            for (size_t c = 0; c < columns.size() && c < cells.size(); ++c) {
                const QRectF r(x_of(c) + 2, p_.y(), columns[c].share * p_.width() - 4, h);
                p_.cell(r, cells[c], font, columns[c].right ? Qt::AlignRight : Qt::AlignLeft);
            }
            p_.advance(h);
        };
        double head_h = 0;
        for (const TableColumn &c : columns)
            head_h = std::max(head_h, p_.textHeight(c.title, head, c.share * p_.width() - 4) + 3);
        auto draw_head = [&] {
            std::vector<QString> titles;
            for (const TableColumn &c : columns)
                titles.push_back(c.title);
            draw_row(titles, head, head_h);
            rule();
        };
        p_.need(head_h + 3 * row_h);
        draw_head();
        for (size_t i = 0; i < rows.size(); ++i) {
            double h = row_h;
            for (size_t c = 0; c < columns.size() && c < rows[i].size(); ++c)
                h = std::max(
                    h, p_.textHeight(rows[i][c], body, columns[c].share * p_.width() - 4) + 2);
            if (h > p_.room()) {
                p_.newPage();
                draw_head();
            }
            if (i % 2 == 1)
                p_.painter().fillRect(p_.d(QRectF(p_.left(), p_.y(), p_.width(), h)), kShadeColour);
            draw_row(rows[i], body, h);
        }
        p_.advance(6);
    }

    // The figure scaled to the width available, at most half a page high,
    // with its key and caption; a time axis in hours.
    void figure(const ReportFigure &fig, const SeriesReport &s, double width) {
        ViewerState state;
        const QString file = QFile::decodeName(fig.plot_file.c_str());
        if (fig.plot_file.empty() || loadPlotFile(state, file, {}) != LoadOutcome::loaded) {
            const QString why = QStringLiteral(
                                    "The figure \"%1\" could not be drawn: its plot "
                                    "file %2 could not be read.")
                                    .arg(q(fig.caption), fileName(fig.plot_file));
            if (notices_) notices_->push_back({why, QStringLiteral("Run report")});
            paragraph(why, reportFont(kBodyPt, false, true));
            return;
        }
        const bool in_hours = showTimeInHours(state);
        std::vector<Notice> ignored;  // identical values: the axes are widened, as on screen
        const PlotAxes axes = computeAxes(state, round_, &ignored);
        const PlotStyle style;
        Figure figure{state, axes, style};
        figure.limits.shown = fig.mark_limits;
        figure.limits.hint = false;
        figure.limits.low = fig.low;
        figure.limits.high = fig.high;
        figure.names.title = q(fig.key_title);
        for (size_t i = 0; i < fig.legend.size(); ++i)
            figure.names.names[static_cast<int>(i + 1)] = q(fig.legend[i]);
        if (fig.equilibrium && s.assessed) {
            session::Assessment told;
            told.pooled = s.noise;
            told.verdict = s.verdict;
            told.forecast = s.forecast;
            const FigureAnswer answer = equilibriumFigureAnswer(told, q);
            figure.answer = answer.text;
            figure.note = answer.note;
            figure.lines = answer.lines;
        }
        figure.hours = in_hours;
        // The report leaves the machine: its figures name no folders.
        figure.report = QString();

        const QSizeF size = figureSize(figure, kPlotSize);
        const QFont caption = reportFont(8.5, false, true);
        const double height = width * size.height() / size.width();
        const double caption_h = p_.textHeight(q(fig.caption), caption, p_.width());
        p_.need(height + caption_h + 8);
        const QRectF target(p_.left() + (p_.width() - width) / 2, p_.y(), width, height);
        QPainter &painter = p_.painter();
        painter.save();
        const QRectF device = p_.d(target);
        painter.translate(device.topLeft());
        painter.scale(device.width() / size.width(), device.height() / size.height());
        painter.setClipRect(QRectF(QPointF(0, 0), size));
        paintFigure(painter, figure, kPlotSize);
        painter.restore();
        p_.advance(height + 3);
        paragraph(q(fig.caption), caption);
        p_.advance(6);
    }

    // The height of a figure with its caption and legend.
    double figureHeight() const {
        return figureWidth() * kPlotSize.height() / kPlotSize.width() + 40;
    }

    double figureWidth() const {
        // Two figures with their captions fit on a page.
        const double by_height =
            (p_.pageHeight() / 2 - 48) * kPlotSize.width() / kPlotSize.height();
        return std::min(p_.width(), by_height);
    }

  private:
    void rule() {
        QPainter &painter = p_.painter();
        painter.setPen(QPen(kRuleColour, p_.d(0.6)));
        painter.drawLine(QPointF(p_.d(p_.left()), p_.d(p_.y() + 1)),
                         QPointF(p_.d(p_.left() + p_.width()), p_.d(p_.y() + 1)));
        p_.advance(2);
    }

    Pages &p_;
    const TickRounder &round_;
    std::vector<Notice> *notices_;
};

// A fact of the headers as written: "280", "20.5".
QString plain(double v) {
    return QString::number(v, 'g', 6);
}

QString orUnknown(const std::optional<double> &v, const QString &suffix, bool grouped = false) {
    if (!v) return QStringLiteral("not given in the headers");
    return (grouped ? q(session::grouped_number(*v)) : plain(*v)) + suffix;
}

QString scanRange(const SeriesReport &s) {
    if (s.scans.empty()) return QStringLiteral("none");
    QString text =
        QString::number(s.scans.size()) + QStringLiteral(" (") + fileName(s.scans.front().file);
    if (s.scans.size() > 1) text += QStringLiteral(" \u2026 ") + fileName(s.scans.back().file);
    return text + QStringLiteral(")");
}

QString forecastText(const session::Forecast &f) {
    if (!f.made) return QStringLiteral("none: ") + q(f.reason);
    return QStringLiteral("equilibrium at t = %1 (95 %: %2 \u2026 %3), from %4 pairs")
        .arg(hours(f.equilibrium_time_s), hours(f.interval_low_s), hours(f.interval_high_s))
        .arg(f.pairs);
}

QString verdictText(const SeriesReport &s) {
    if (!s.assessed) return QStringLiteral("not assessed");
    return q(s.verdict.text);
}

void seriesRun(ReportWriter &w, const SeriesReport &s) {
    w.heading(QStringLiteral("Run"), 11);
    double first = 0, last = 0;
    if (!s.scans.empty()) {
        first = s.scans.front().time_s;
        last = s.scans.back().time_s;
    }
    w.keyValues({
        {QStringLiteral("Scans analysed"), scanRange(s)},
        {QStringLiteral("Scan times"), hours(first) + QStringLiteral(" to ") + hours(last)},
        {QStringLiteral("Cell"),
         s.cell ? QString::number(*s.cell) : QStringLiteral("not given in the headers")},
        {QStringLiteral("Rotor speed"), orUnknown(s.speed_rpm, QStringLiteral(" rpm"), true)},
        {QStringLiteral("Wavelength"), orUnknown(s.wavelength_nm, QStringLiteral(" nm"))},
        {QStringLiteral("Temperature"), orUnknown(s.temperature_c, QStringLiteral(" \u00b0C"))},
    });
}

void seriesSettings(ReportWriter &w, const SeriesReport &s) {
    w.heading(QStringLiteral("Settings"), 11);
    QString limits = fixed(s.low, 3) + QStringLiteral(" \u2013 ") + fixed(s.high, 3) +
                     QStringLiteral(" ") + unit(s.xi);
    if (s.column > 0) {
        limits += QStringLiteral(", solution column %1").arg(s.column);
        if (s.meniscus_cm && s.base_cm)
            limits += QStringLiteral(" (meniscus %1 cm, base %2 cm)")
                          .arg(fixed(*s.meniscus_cm, 3), fixed(*s.base_cm, 3));
    }
    const session::AssessmentSettings &a = s.assessment;
    w.keyValues({
        {QStringLiteral("Position variable"),
         s.xi ? QStringLiteral("xi = r\u00b2/2 (cm\u00b2)") : QStringLiteral("radius r (cm)")},
        {QStringLiteral("Data limits"), limits},
        {QStringLiteral("Slopes"),
         QStringLiteral("local polynomials of degree %1 over %2 points").arg(s.degree).arg(s.span)},
        {QStringLiteral("Reference set"),
         QStringLiteral("%1 (%2)").arg(s.reference).arg(fileName(s.reference_file))},
        {QStringLiteral("Assessment"),
         QStringLiteral("matching scans span at least %1; tolerance %2; F quantiles %3")
             .arg(hours(a.block_s),
                  a.tolerance > 0 ? general(a.tolerance) : QStringLiteral("from the noise"),
                  a.exact_f ? QStringLiteral("exact") : QStringLiteral("by the closed form"))},
    });
}

void seriesAnswer(ReportWriter &w, const SeriesReport &s) {
    w.heading(QStringLiteral("Equilibrium"), 11);
    std::vector<std::pair<QString, QString>> rows{{QStringLiteral("Verdict"), verdictText(s)}};
    if (s.assessed) {
        if (s.decided_by) rows.emplace_back(QStringLiteral("Decided by"), q(*s.decided_by));
        rows.emplace_back(QStringLiteral("Forecast"), forecastText(s.forecast));
        if (s.forecast.made)
            rows.emplace_back(QStringLiteral("Relaxation time"),
                              QStringLiteral("\u03c4 = %1 \u00b1 %2")
                                  .arg(hours(s.forecast.tau_s), hours(s.forecast.tau_error_s)));
        rows.emplace_back(QStringLiteral("Noise"),
                          s.noise.dof > 0 ? QStringLiteral("%1 (all scans pooled, %2 degrees "
                                                           "of freedom)")
                                                .arg(general(s.noise.sigma))
                                                .arg(s.noise.dof)
                                          : QStringLiteral("not known"));
        // Neutral: the lines may find drift, or say it cannot be told from the approach.
        rows.emplace_back(QStringLiteral("Late scans"),
                          s.drift ? q(*s.drift) : QStringLiteral("no drift reported"));
    }
    w.keyValues(rows);
}

void seriesTables(ReportWriter &w, const SeriesReport &s) {
    w.heading(QStringLiteral("Scans"), 11);
    std::vector<std::vector<QString>> scans;
    for (const auto &scan : s.scans)
        scans.push_back({QString::number(scan.set), fileName(scan.file), hours(scan.time_s),
                         QString::number(scan.points),
                         scan.noise ? general(*scan.noise) : QStringLiteral("\u2013")});
    w.table({{QStringLiteral("Set"), 0.08, true},
             {QStringLiteral("File"), 0.42, false},
             {QStringLiteral("Time"), 0.16, true},
             {QStringLiteral("Points"), 0.14, true},
             {QStringLiteral("Noise"), 0.20, true}},
            scans);

    w.heading(QStringLiteral("Pairs"), 11);
    w.paragraph(QStringLiteral("Each pair of scans once, matched onto the later one: the RMS "
                               "deviations with no offsets, with a y-offset and with y- and "
                               "position (x) offsets, the y-offset of the y-offset fit, the "
                               "position offset and the F test's critical value. The results "
                               "file (--csv) holds both directions."),
                reportFont(8));
    std::vector<std::vector<QString>> pairs;
    for (const auto &pr : s.pairs)
        pairs.push_back({QString::number(pr.reference), QString::number(pr.compared),
                         QString::fromStdString(hours_number(pr.reference_time_s, 2)),
                         QString::fromStdString(hours_number(pr.compared_time_s, 2)),
                         QString::number(pr.points), general(pr.rms[0]), general(pr.rms[1]),
                         pr.position_fit ? general(pr.rms[2]) : QStringLiteral("\u2013"),
                         general(pr.y_offset, 3),
                         pr.position_fit ? general(pr.x_offset, 3) : QStringLiteral("\u2013"),
                         general(pr.f_critical, 4)});
    w.table({{QStringLiteral("Ref."), 0.06, true},
             {QStringLiteral("Cmp."), 0.06, true},
             {QStringLiteral("t ref. h"), 0.09, true},
             {QStringLiteral("t cmp. h"), 0.09, true},
             {QStringLiteral("Points"), 0.08, true},
             {QStringLiteral("RMS none"), 0.11, true},
             {QStringLiteral("RMS y"), 0.11, true},
             {QStringLiteral("RMS y, x"), 0.10, true},
             {QStringLiteral("y-offset"), 0.10, true},
             {QStringLiteral("x-offset"), 0.11, true},
             {QStringLiteral("F crit."), 0.09, true}},
            pairs);
}

QString seriesTitle(const SeriesReport &s, bool several) {
    if (!several) return QStringLiteral("The analysis");
    // A cell of several columns has a report for each.
    const QString column = s.column > 0 ? QStringLiteral(", column %1").arg(s.column) : QString();
    return QStringLiteral("Series %1: %2").arg(s.number).arg(q(s.label)) + column;
}

void drawSeries(ReportWriter &w, const SeriesReport &s, bool several) {
    w.heading(seriesTitle(s, several), 14);
    if (!s.refusal.empty()) {
        w.paragraph(QStringLiteral("Not analysed: ") + q(s.refusal), reportFont(kBodyPt));
        return;
    }
    seriesRun(w, s);
    seriesSettings(w, s);
    seriesAnswer(w, s);
    if (!s.figures.empty()) {
        w.heading(QStringLiteral("Figures"), 11, w.figureHeight());
        for (const ReportFigure &fig : s.figures)
            w.figure(fig, s, w.figureWidth());
    }
    seriesTables(w, s);
}

void summary(ReportWriter &w, const RunReport &r) {
    w.heading(QStringLiteral("Summary"), 14);
    // The session makes the table (the program's run overview shows the
    // same); numbers are right-aligned, and the verdict and the columns may
    // wrap.
    std::vector<QString> headings;
    for (const std::string &heading : session::summary_headings())
        headings.push_back(q(heading));
    const std::vector<bool> words = {false, false, false, false, false,
                                     true,  false, true,  false, false};
    std::vector<std::vector<QString>> rows;
    for (const session::SummaryRow &row : session::summary_rows(r.series)) {
        std::vector<QString> cells;
        for (const std::string &cell : session::summary_cells(row))
            cells.push_back(q(cell));
        rows.push_back(cells);
    }
    std::vector<bool> wraps(headings.size(), false);
    for (size_t c = 0; c < wraps.size() && c < words.size(); ++c)
        wraps[c] = words[c];
    const std::vector<double> shares = w.fittingShares(headings, rows, wraps, kSummaryPt);
    std::vector<TableColumn> columns;
    for (size_t c = 0; c < headings.size(); ++c)
        columns.push_back({headings[c], shares[c], !wraps[c]});
    w.table(columns, rows, kSummaryPt);
}

}  // namespace

bool drawRunReport(QPagedPaintDevice &device, const RunReport &report, const TickRounder &round,
                   QString *error, std::vector<Notice> *notices) {
    QPainter painter;
    if (!painter.begin(&device)) {
        if (error) *error = QStringLiteral("The report cannot be drawn on this device");
        return false;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    const QString created =
        QStringLiteral("Made %1 by Quillane %2").arg(q(report.created), q(report.program_version));
    Pages pages(painter, device, QStringLiteral("Quillane run report \u2014 ") + q(report.created));
    ReportWriter w(pages, round, notices);
    w.title(QStringLiteral("Quillane run report"), created);

    std::vector<std::pair<QString, QString>> run;
    if (!report.files.empty()) {
        const std::filesystem::path first(report.files.front());
        QString files = QString::number(report.files.size()) + QStringLiteral(" scan files, ") +
                        fileName(report.files.front());
        if (report.files.size() > 1)
            files += QStringLiteral(" \u2026 ") + fileName(report.files.back());
        run.emplace_back(QStringLiteral("Files"), files);
        if (first.has_parent_path())
            run.emplace_back(QStringLiteral("Folder"),
                             QFile::decodeName(first.parent_path().c_str()));
    }
    // A cell of several columns has a report for each; the series are the
    // summary's rows.
    if (report.several_series)
        run.emplace_back(QStringLiteral("Series"),
                         QStringLiteral("%1, each analysed on its own")
                             .arg(session::summary_rows(report.series).size()));
    else if (!report.series.empty() && report.series.front().number > 0)
        run.emplace_back(QStringLiteral("Series"), QStringLiteral("%1: %2")
                                                       .arg(report.series.front().number)
                                                       .arg(q(report.series.front().label)));
    for (const std::string &note : report.notes)
        run.emplace_back(QStringLiteral("Note"), q(note));
    w.keyValues(run);

    if (report.several_series) summary(w, report);
    for (size_t i = 0; i < report.series.size(); ++i) {
        if (report.several_series || i > 0) pages.newPage();
        drawSeries(w, report.series[i], report.several_series);
    }
    if (!painter.end()) {
        if (error) *error = QStringLiteral("The report could not be finished");
        return false;
    }
    return true;
}

bool writeRunReportPdf(const QString &file_name, const RunReport &report, ReportPaper paper,
                       const TickRounder &round, QString *error, std::vector<Notice> *notices) {
    // Drawn whole in memory, then written in one checked step: the PDF
    // writer says nothing of a write that failed on the way.
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter pdf(&buffer);
        pdf.setResolution(600);
        pdf.setPageSize(
            QPageSize(paper == ReportPaper::letter ? QPageSize::Letter : QPageSize::A4));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setTitle(QStringLiteral("Quillane run report"));
        pdf.setCreator(QStringLiteral("Quillane ") + q(report.program_version));
        QString why;
        if (!drawRunReport(pdf, report, round, &why, notices)) {
            if (error)
                *error = QStringLiteral("Cannot write the report %1: %2").arg(file_name, why);
            return false;
        }
    }
    return writeWholeFile(file_name, bytes, error);
}

}  // namespace quillane::viewer
