// SPDX-License-Identifier: MIT
// Dialogs that fit the screen.  On a small screen at a large scale factor
// (1366 x 768 at 200 % leaves 683 x 384 logical pixels) a dialog laid out
// for a desktop would reach past the screen's edge with its OK button.
// Such a dialog gets its contents put into a scroll area, its buttons kept
// below it in view, and its size held to the screen.
#pragma once

#include <QRect>

class QDialog;

namespace quillane::frontend {

// Fits `dialog` into `available` (logical pixels): when its size hint is
// larger, everything but its buttons goes into a scroll area (once; a
// dialog shown again keeps it).  Either way the dialog is placed inside.
void fitDialogToScreen(QDialog &dialog, const QRect &available);
// The same for the free area of the screen the dialog will show on.
void fitDialogToScreen(QDialog &dialog);

}  // namespace quillane::frontend
