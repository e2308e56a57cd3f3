// SPDX-License-Identifier: MIT
#include "LogListBox.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace quillane::frontend {

namespace {

LogListBox *box(void *ctx) {
    return static_cast<LogListBox *>(ctx);
}

void opAddString(void *ctx, const char *line) {
    if (ctx && line) box(ctx)->addString(QString::fromLocal8Bit(line));
}

int32_t opGetCount(void *ctx) {
    return ctx ? box(ctx)->count() : 0;
}

void opSetTopIndex(void *ctx, int32_t index) {
    if (ctx) box(ctx)->setTopIndex(index);
}

void opUpdate(void *ctx) {
    if (ctx) box(ctx)->update();
}

int32_t opDispatchPending(void *ctx) {
    return ctx ? box(ctx)->dispatchPending() : 0;
}

const quillane_listbox_ctx_ops kOperations{opAddString, opGetCount, opSetTopIndex, opUpdate,
                                           opDispatchPending};

}  // namespace

LogListBox::LogListBox(QListWidget *list) : list_(list) {}

const quillane_listbox_ctx_ops &LogListBox::operations() {
    return kOperations;
}

void LogListBox::addString(const QString &line) {
    if (list_) list_->addItem(line);
}

int32_t LogListBox::count() const {
    return list_ ? static_cast<int32_t>(list_->count()) : 0;
}

void LogListBox::setTopIndex(int32_t index) {
    if (!list_ || index < 0 || index >= list_->count()) return;
    list_->scrollToItem(list_->item(index), QAbstractItemView::PositionAtTop);
}

void LogListBox::update() {
    if (!list_ || !list_->isVisible()) return;
    if (last_repaint_.isValid() && last_repaint_.elapsed() < kIntervalMs) {
        list_->viewport()->update();  // painted with the next round of events
        return;
    }
    list_->viewport()->repaint();
    last_repaint_.start();
}

// All pending events except user input are handled in one go, so the caller's
// second look finds nothing left: report none handled.
int32_t LogListBox::dispatchPending() {
    if (last_dispatch_.isValid() && last_dispatch_.elapsed() < kIntervalMs) return 0;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    last_dispatch_.start();
    return 0;
}

}  // namespace quillane::frontend
