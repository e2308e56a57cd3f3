// SPDX-License-Identifier: MIT
// The words of the run report laid out for its pages: text cleaned of what
// would reorder or break it, wrapped into lines of a column's width, and the
// lines split over pages.  Measuring and drawing go through the same layout,
// so a paragraph takes exactly the room it was measured to take.
#pragma once

#include <QFont>
#include <QPaintDevice>
#include <QPainter>
#include <QString>
#include <QTextLayout>
#include <vector>

namespace quillane::viewer {

// `text` as the report shows it.  File names, header texts and notes come
// from outside and may hold characters that change how the text around them
// reads: bidirectional embeddings, overrides and isolates (U+202A..U+202E,
// U+2066..U+2069) and marks (U+200E, U+200F, U+061C) are dropped, so "abc
// <U+202E>fdp.exe" cannot show as "abcexe.pdf"; line and paragraph breaks
// and tabs become blanks, other control characters are dropped.
QString reportText(const QString &text);

// The report's sans-serif face at `points`.
QFont reportFont(double points, bool bold = false, bool italic = false);

// Text wrapped into lines at most `width` device units long: at a blank where
// one is within the width, inside a word only where the word alone is longer
// than a line, so that a long file name stays inside its column.
class ReportText {
  public:
    // `device` measures (null: the screen); `align` places each line
    // (Qt::AlignLeft, Qt::AlignRight or Qt::AlignHCenter).
    ReportText(const QString &text, const QFont &font, const QPaintDevice *device, double width,
               Qt::Alignment align = Qt::AlignLeft);
    ReportText(const ReportText &) = delete;
    ReportText &operator=(const ReportText &) = delete;

    const QString &text() const { return text_; }  // as reportText() left it
    int lines() const { return layout_.lineCount(); }
    double height() const;  // of every line, in device units
    // Of lines [first, end).
    double height(int first, int end) const;
    // The ends of the runs of lines that go on successive pages: the first
    // run into `room` (what is left of the page begun), each further one
    // into `page` (a whole page), all in device units.  The first run is
    // empty when not even one line fits into `room` (the text then begins on
    // the next page); a line taller than a page goes alone.
    std::vector<int> pageRuns(double room, double page) const;
    // Where line `i` starts in text() and how many characters it holds.
    int lineStart(int i) const { return layout_.lineAt(i).textStart(); }
    int lineLength(int i) const { return layout_.lineAt(i).textLength(); }
    // How wide the ink of line `i` is (trailing blanks left out).
    double lineWidth(int i) const { return layout_.lineAt(i).naturalTextWidth(); }
    double width() const { return width_; }

    // Draws lines [first, end) with the top of line `first` at `top_left`.
    void draw(QPainter &painter, QPointF top_left, int first, int end) const;

  private:
    QString text_;
    QTextLayout layout_;
    double width_;
};

}  // namespace quillane::viewer
