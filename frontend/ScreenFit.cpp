// SPDX-License-Identifier: MIT
#include "ScreenFit.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <type_traits>
#include <vector>

#include "Twips.h"

namespace quillane::frontend {

namespace {

const char *const kScrollName = "ScreenFitScroll";

bool isButtonWidget(const QWidget *widget) {
    return qobject_cast<const QDialogButtonBox *>(widget) != nullptr ||
           qobject_cast<const QPushButton *>(widget) != nullptr;
}

// A row of the dialog's own buttons: push buttons, a button box, spacing.
bool isButtonRow(QLayoutItem *item) {
    if (QWidget *widget = item->widget()) return isButtonWidget(widget);
    QLayout *layout = item->layout();
    if (!layout) return false;
    bool any = false;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem *inner = layout->itemAt(i);
        if (inner->spacerItem()) continue;
        if (!inner->widget() || !isButtonWidget(inner->widget())) return false;
        any = true;
    }
    return any;
}

// Moves the items of `from` into `to`, laid out as they were, except the
// button rows at the end of a box layout, which stay in `from`.
QLayout *moveContents(QLayout *from, QWidget *to, std::vector<QLayoutItem *> &buttons) {
    auto place = [](auto *target, QLayoutItem *item, auto add) {
        if (QLayout *sub = item->layout()) {
            sub->setParent(nullptr);
            add(target, sub);
        } else if (QWidget *widget = item->widget()) {
            add(target, widget);
            delete item;
        } else {
            add(target, item);
        }
    };
    if (auto *grid = qobject_cast<QGridLayout *>(from)) {
        auto *moved = new QGridLayout(to);
        struct Cell {
            QLayoutItem *item;
            int row, column, rows, columns;
        };
        std::vector<Cell> cells;
        for (int i = 0; i < grid->count(); ++i) {
            Cell c{grid->itemAt(i), 0, 0, 1, 1};
            grid->getItemPosition(i, &c.row, &c.column, &c.rows, &c.columns);
            cells.push_back(c);
        }
        while (grid->takeAt(0)) {
        }
        for (const Cell &c : cells) {
            if (isButtonRow(c.item)) {
                buttons.push_back(c.item);
                continue;
            }
            place(moved, c.item, [&c](QGridLayout *target, auto *thing) {
                using T = std::remove_pointer_t<decltype(thing)>;
                if constexpr (std::is_base_of_v<QLayout, T>)
                    target->addLayout(thing, c.row, c.column, c.rows, c.columns);
                else if constexpr (std::is_base_of_v<QWidget, T>)
                    target->addWidget(thing, c.row, c.column, c.rows, c.columns);
                else
                    target->addItem(thing, c.row, c.column, c.rows, c.columns);
            });
        }
        return moved;
    }
    auto *moved = new QVBoxLayout(to);
    std::vector<QLayoutItem *> items;
    while (QLayoutItem *item = from->takeAt(0))
        items.push_back(item);
    // Only the trailing button rows stay outside: buttons inside the
    // contents belong to them.
    size_t end = items.size();
    while (end > 0 && (isButtonRow(items[end - 1]) || items[end - 1]->spacerItem()))
        --end;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i >= end) {
            buttons.push_back(items[i]);
            continue;
        }
        place(moved, items[i], [](QVBoxLayout *target, auto *thing) {
            using T = std::remove_pointer_t<decltype(thing)>;
            if constexpr (std::is_base_of_v<QLayout, T>)
                target->addLayout(thing);
            else if constexpr (std::is_base_of_v<QWidget, T>)
                target->addWidget(thing);
            else
                target->addItem(thing);
        });
    }
    return moved;
}

void makeScrollable(QDialog &dialog) {
    QLayout *top = dialog.layout();
    if (!top || dialog.findChild<QScrollArea *>(QLatin1String(kScrollName))) return;
    auto *contents = new QWidget;
    contents->setObjectName(QStringLiteral("ScreenFitContents"));
    std::vector<QLayoutItem *> buttons;
    QLayout *moved = moveContents(top, contents, buttons);
    moved->setContentsMargins(top->contentsMargins());
    auto *scroll = new QScrollArea;
    scroll->setObjectName(QLatin1String(kScrollName));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(contents);
    // An OK or Cancel button laid out among the contents comes out of the
    // scroll area, into a row of its own (taking it from the contents'
    // widget takes it out of their layout).
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    for (QPushButton *button : contents->findChildren<QPushButton *>()) {
        const QString caption = button->text().remove(QLatin1Char('&'));
        if (caption == QStringLiteral("OK") || caption == QStringLiteral("Cancel"))
            row->addWidget(button);
    }
    // The dialog's own layout (emptied, or made anew when it was not a box)
    // now holds the scroll area and the buttons beneath it.
    auto *box = qobject_cast<QBoxLayout *>(top);
    if (!box) {
        delete top;
        box = new QVBoxLayout(&dialog);
    }
    box->addWidget(scroll, 1);
    for (QLayoutItem *item : buttons) {
        if (QLayout *sub = item->layout()) {
            sub->setParent(nullptr);
            box->addLayout(sub);
        } else if (QWidget *widget = item->widget()) {
            box->addWidget(widget, 0, item->alignment());
            delete item;
        } else {
            box->addItem(item);
        }
    }
    if (row->count() > 1)
        box->addLayout(row);
    else
        delete row;
}

// Room for the window frame the desktop adds around the dialog.
constexpr int kFrameAllowance = 40;

// Checks the dialog again once it is shown, and whenever it grows past the
// screen: its size hint before showing can fall short (wrapped labels,
// contents filled in later).
class FitOnShow : public QObject {
  public:
    FitOnShow(QDialog &dialog, const QRect &available) : QObject(&dialog), available_(available) {
        setObjectName(QStringLiteral("FitOnShow"));
        dialog.installEventFilter(this);
    }
    void setArea(const QRect &available) { available_ = available; }

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        // Shown, or grown past the screen while shown (a dialog that sizes
        // itself to its contents, as they are filled in).
        auto *dialog = static_cast<QDialog *>(watched);
        const bool grown = event->type() == QEvent::Resize && dialog->isVisible() &&
                           (dialog->width() > available_.width() ||
                            dialog->height() > available_.height() - kFrameAllowance);
        if (event->type() == QEvent::Show || grown) {
            QTimer::singleShot(0, dialog,
                               [dialog, area = available_] { fitDialogToScreen(*dialog, area); });
        }
        return false;
    }

  private:
    QRect available_;
};

}  // namespace

void fitDialogToScreen(QDialog &dialog, const QRect &available) {
    if (!available.isValid()) return;
    const QSize room(available.width() - 8, available.height() - kFrameAllowance);
    // A dialog not yet sized takes its size hint when shown.
    const bool sized = dialog.isVisible() || dialog.testAttribute(Qt::WA_Resized);
    const QSize size =
        sized ? dialog.size() : dialog.sizeHint().expandedTo(dialog.minimumSizeHint());
    if (size.width() > room.width() || size.height() > room.height()) {
        makeScrollable(dialog);
        if (auto *scroll = dialog.findChild<QScrollArea *>(QLatin1String(kScrollName))) {
            // As wide as the contents need, up to the room; the height scrolls.
            const QSize need = scroll->widget()->sizeHint() +
                               QSize(scroll->verticalScrollBar()->sizeHint().width() + 4, 0);
            scroll->setMinimumSize(QSize(std::min(need.width(), room.width() - 24), 0));
        }
        dialog.setMinimumSize(0, 0);
        if (QLayout *layout = dialog.layout())
            layout->setSizeConstraint(QLayout::SetDefaultConstraint);
        dialog.resize(size.boundedTo(room).expandedTo(dialog.minimumSizeHint().boundedTo(room)));
    }
    if (!dialog.isVisible()) {
        if (auto *watch = dialog.findChild<QObject *>(QStringLiteral("FitOnShow"),
                                                      Qt::FindDirectChildrenOnly))
            static_cast<FitOnShow *>(watch)->setArea(available);
        else
            new FitOnShow(dialog, available);
    }
    // Placed by the program: kept inside.  Otherwise Qt centres it over
    // its parent, inside the screen.
    if (dialog.testAttribute(Qt::WA_Moved)) keepInside(&dialog, available);
}

void fitDialogToScreen(QDialog &dialog) {
    const QScreen *screen = dialog.screen();
    if (dialog.parentWidget() && dialog.parentWidget()->screen())
        screen = dialog.parentWidget()->screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (screen) fitDialogToScreen(dialog, screen->availableGeometry());
}

}  // namespace quillane::frontend
