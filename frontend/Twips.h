// SPDX-License-Identifier: MIT
// Window metrics given in twips (1440 to the inch), turned into pixels with
// the screen's logical resolution.
#pragma once

class QRect;
class QWidget;

namespace quillane::frontend {

inline constexpr int kTwipsPerInch = 1440;

// Pixels for a horizontal or vertical distance in twips, rounded.
int twipsToPixelsX(int twips, const QWidget *widget = nullptr);
int twipsToPixelsY(int twips, const QWidget *widget = nullptr);

// Places a top-level window a quarter of the free screen space from the
// top-left corner of the screen it is on.
void placeAtQuarter(QWidget *window);

// Shrinks a top-level window that is larger than the free area of its
// screen (a large scale factor on a small screen) and moves it fully onto it.
void keepOnScreen(QWidget *window);
// The same for the screen area `area`: a window inside it is left exactly
// where it is.
void keepInside(QWidget *window, const QRect &area);

}  // namespace quillane::frontend
