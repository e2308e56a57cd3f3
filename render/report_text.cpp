// SPDX-License-Identifier: MIT
#include "report_text.h"

#include <QTextOption>
#include <algorithm>

namespace quillane::viewer {

namespace {

// The characters that set the direction of the text around them rather than
// show anything: embeddings and overrides, isolates, and the three marks.
bool directionControl(char32_t c) {
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x200E ||
           c == 0x200F || c == 0x061C;
}

// What ends a line or jumps to a tab stop: a blank in a line of the report.
bool spacing(char32_t c) {
    return c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == 0x85 ||
           c == 0x2028 || c == 0x2029;
}

}  // namespace

QString reportText(const QString &text) {
    std::u32string kept;
    kept.reserve(static_cast<size_t>(text.size()));
    // toUcs4 gives a lone surrogate as U+FFFD, which shows as such.
    for (const char32_t c : text.toUcs4()) {
        if (spacing(c))
            kept.push_back(U' ');
        else if (!directionControl(c) && QChar::category(c) != QChar::Other_Control)
            kept.push_back(c);
    }
    return QString::fromUcs4(kept.data(), static_cast<qsizetype>(kept.size()));
}

QFont reportFont(double points, bool bold, bool italic) {
    // The sans-serif face of the fonts the package depends on (its serif
    // face draws the plots).
    QFont f(QStringLiteral("Liberation Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setItalic(italic);
    // No ligatures: the text copied or extracted from the PDF reads
    // "offset", not a ligature glyph.
    f.setStyleStrategy(QFont::PreferNoShaping);
    return f;
}

ReportText::ReportText(const QString &text, const QFont &font, const QPaintDevice *device,
                       double width, Qt::Alignment align)
    : text_(reportText(text)), layout_(text_, font, device), width_(std::max(width, 0.0)) {
    QTextOption option(align);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout_.setTextOption(option);
    layout_.setCacheEnabled(true);
    double y = 0;
    layout_.beginLayout();
    for (QTextLine line = layout_.createLine(); line.isValid(); line = layout_.createLine()) {
        // Lines as far apart as the font's line spacing.
        line.setLeadingIncluded(true);
        line.setLineWidth(width_);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout_.endLayout();
}

double ReportText::height(int first, int end) const {
    if (first >= end) return 0.0;
    const QTextLine last = layout_.lineAt(end - 1);
    return last.y() + last.height() - layout_.lineAt(first).y();
}

double ReportText::height() const {
    return height(0, lines());
}

std::vector<int> ReportText::pageRuns(double room, double page) const {
    std::vector<int> ends;
    int first = 0;
    double space = room;
    while (first < lines()) {
        int end = first;
        while (end < lines() && height(first, end + 1) <= space)
            ++end;
        // A line taller than a whole page goes where it begins: waiting for
        // the next page would not give it more room.
        if (end == first && (!ends.empty() || space >= page)) end = first + 1;
        ends.push_back(end);
        first = end;
        space = page;
    }
    return ends;
}

void ReportText::draw(QPainter &painter, QPointF top_left, int first, int end) const {
    if (first >= end) return;
    const QPointF origin = top_left - QPointF(0, layout_.lineAt(first).y());
    for (int i = first; i < end; ++i)
        layout_.lineAt(i).draw(&painter, origin);
}

}  // namespace quillane::viewer
