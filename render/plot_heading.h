// SPDX-License-Identifier: MIT
// A plot's heading as it may leave the machine: the library heads its
// plots with the report file as it was named ("Outfile:
// /home/.../run.txt for Fits with:"); pictures, exported by the program or
// drawn by the runner, name the report by its file name only.  And the
// headings as they fit above the plot: never cut inside a word.
#pragma once

#include <QFontMetricsF>
#include <QString>
#include <QStringList>

namespace quillane::viewer {

// `heading` with the report's folders left out.  `report` is the report's
// name as the library was given it (a full path, say); when it is empty or
// names another file, the path is taken to run up to the first blank.
// Headings that name no report come back unchanged.
QString headingWithoutPath(const QString &heading, const QString &report);

// The text of the two heading lines above the plot, each at most `room`
// wide in `metrics`: `heading` and `heading2` as they are when they fit;
// when one of them is empty and the other does not fit, it is wrapped at a
// blank onto both lines; a line that still does not fit ends at the last
// whole word that does, followed by an ellipsis.
QStringList fitHeadingLines(const QString &heading, const QString &heading2,
                            const QFontMetricsF &metrics, double room);

}  // namespace quillane::viewer
