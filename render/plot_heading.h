// SPDX-License-Identifier: MIT
// A plot's heading as it may leave the machine: the library heads its
// plots with the report file as it was named ("Outfile:
// /home/.../run.txt for Fits with:"); pictures, exported by the program or
// drawn by the runner, name the report by its file name only.
#pragma once

#include <QString>

namespace quillane::viewer {

// `heading` with the report's folders left out.  `report` is the report's
// name as the library was given it (a full path, say); when it is empty or
// names another file, the path is taken to run up to the first blank.
// Headings that name no report come back unchanged.
QString headingWithoutPath(const QString &heading, const QString &report);

}  // namespace quillane::viewer
