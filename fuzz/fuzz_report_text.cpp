// SPDX-License-Identifier: MIT
// Fuzzes the run report's text layout (render/report_text.h), which takes
// file names, header texts and notes from outside: the input's first four
// bytes choose the column's width, the font, and the room left on the page
// and a page's height in lines; the rest, as UTF-8 with whatever bytes it
// holds, is cleaned, wrapped into the column and split over pages.  Beyond
// the sanitizers it checks the layout's contract: nothing that reorders or
// breaks the text is left, and cleaning again changes nothing; the lines
// cover the cleaned text in order, each inside the column (give or take what
// shaping a joined script adds) unless it holds a single character wider
// than the column; the page runs take every line in order, each inside its
// room unless it is one line alone.
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QTextBoundaryFinder>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_support.h"
#include "report_text.h"

namespace {

using quillane::fuzz::require;
using quillane::viewer::ReportText;

// Layout is measured in device units of fractions of a pixel.
constexpr double kSlack = 0.01;
// Columns from a sliver to a landscape page, in screen pixels.
constexpr int kMaxWidth = 1200;

bool showsNothingOdd(char32_t c) {
    const bool direction = (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) ||
                           c == 0x200E || c == 0x200F || c == 0x061C;
    return !direction && c != 0x2028 && c != 0x2029 && QChar::category(c) != QChar::Other_Control;
}

// True when `text` is one grapheme (what no line break can split).
bool oneCharacter(const QString &text) {
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    const qsizetype first = graphemes.toNextBoundary();
    return first < 0 || first >= text.size();
}

}  // namespace

// fontconfig keeps what it learns about the fonts of the system for the
// life of the process, out of reach of any pointer LeakSanitizer follows.
extern "C" const char *__lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    // Fonts are measured without a display.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "fuzz_report_text";
    static char *argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 4) return 0;
    const double width = 1 + (data[0] | (data[1] & 0x03) << 8) % kMaxWidth;
    const QFont font = quillane::viewer::reportFont(4 + (data[2] & 0x0f), (data[2] & 0x10) != 0,
                                                    (data[2] & 0x20) != 0);
    const int page_lines = 1 + (data[3] & 0x0f);
    const double room_share = (data[3] >> 4) / 15.0;
    const QString given = QString::fromUtf8(reinterpret_cast<const char *>(data + 4),
                                            static_cast<qsizetype>(size - 4));

    const QString clean = quillane::viewer::reportText(given);
    for (const char32_t c : clean.toUcs4())
        require(showsNothingOdd(c), "a control or direction character was kept");
    require(quillane::viewer::reportText(clean) == clean, "cleaning twice changed the text");

    const ReportText laid(given, font, nullptr, width);
    // Lines are broken on the widths of the characters alone; joined
    // scripts, shaped afterwards, may come out a little wider.
    const double shaping = QFontMetricsF(font).height();
    require(laid.text() == clean, "the layout holds other text than the cleaned one");
    int next = 0;
    for (int i = 0; i < laid.lines(); ++i) {
        require(laid.lineStart(i) == next, "a line does not start where the last one ended");
        next += laid.lineLength(i);
        const QString line = clean.mid(laid.lineStart(i), laid.lineLength(i));
        require(laid.lineWidth(i) <= width + shaping || oneCharacter(line.trimmed()),
                "a line of several characters is wider than its column");
    }
    require(next == clean.size(), "the lines leave text out");
    const double height = laid.height();
    require(std::isfinite(height) && height >= 0, "a height that is no length");
    if (laid.lines() == 0) return 0;

    const double line = laid.height(0, 1);
    const double page = page_lines * line + line / 2;
    const double room = room_share * page;
    const std::vector<int> runs = laid.pageRuns(room, page);
    require(!runs.empty() && runs.back() == laid.lines(), "the pages leave lines out");
    int from = 0;
    for (size_t i = 0; i < runs.size(); ++i) {
        const int end = runs[i];
        require(end > from || (i == 0 && end == 0 && room < page),
                "a page without lines, or lines taken twice");
        require(end - from <= 1 || laid.height(from, end) <= (i == 0 ? room : page) + kSlack,
                "more lines than a page holds");
        from = end;
    }
    return 0;
}
