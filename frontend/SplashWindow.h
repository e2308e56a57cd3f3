// SPDX-License-Identifier: MIT
// Splash1: the window shown for a moment while the program starts.
#pragma once

#include <QPixmap>
#include <QWidget>

namespace quillane::frontend {

class SplashWindow : public QWidget {
    Q_OBJECT
  public:
    explicit SplashWindow(QWidget *parent = nullptr);

    // The program's picture: a sector-shaped centrifuge cell seen from above,
    // crossed by interference fringes.
    static QPixmap programPicture(int size);
};

}  // namespace quillane::frontend
