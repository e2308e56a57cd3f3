// SPDX-License-Identifier: MIT
#include "LogListBox.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

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

LogListBox::LogListBox(QListWidget *list)
    : list_(list), list_thread_(list ? list->thread() : QThread::currentThread()) {}

const quillane_listbox_ctx_ops &LogListBox::operations() {
    return kOperations;
}

bool LogListBox::onListThread() const {
    return QThread::currentThread() == list_thread_;
}

void LogListBox::addString(const QString &line) {
    if (!onListThread()) {
        // The lines are taken a few dozen times a second at most: the rest
        // wait for the next take, or for the one at the call's end.
        bool take = false;
        {
            const std::lock_guard<std::mutex> lock(posted_mutex_);
            posted_ << line;
            take = !take_queued_ && (!last_take_.isValid() || last_take_.elapsed() >= kIntervalMs);
            if (take) {
                take_queued_ = true;
                last_take_.start();
            }
        }
        if (take)
            QMetaObject::invokeMethod(
                &taker_, [this] { takePosted(); }, Qt::QueuedConnection);
        return;
    }
    takePosted();  // lines posted before this one come first
    if (!list_) return;
    {
        const std::lock_guard<std::mutex> lock(posted_mutex_);
        ++list_count_;
    }
    list_->addItem(line);
}

int32_t LogListBox::count() const {
    if (!onListThread()) {
        const std::lock_guard<std::mutex> lock(posted_mutex_);
        return list_count_ + static_cast<int32_t>(posted_.size());
    }
    const std::lock_guard<std::mutex> lock(posted_mutex_);
    return (list_ ? static_cast<int32_t>(list_->count()) : 0) +
           static_cast<int32_t>(posted_.size());
}

void LogListBox::setTopIndex(int32_t index) {
    if (!onListThread()) {
        const std::lock_guard<std::mutex> lock(posted_mutex_);
        posted_top_ = index;
        return;
    }
    if (!list_ || index < 0 || index >= list_->count()) return;
    list_->scrollToItem(list_->item(index), QAbstractItemView::PositionAtTop);
}

// The count the other thread sees moves on as the lines are taken, so it
// never drops while they are added.
void LogListBox::takePosted() {
    QStringList lines;
    int32_t top = -1;
    {
        const std::lock_guard<std::mutex> lock(posted_mutex_);
        lines.swap(posted_);
        std::swap(top, posted_top_);
        take_queued_ = false;
        list_count_ =
            (list_ ? static_cast<int32_t>(list_->count()) : 0) + static_cast<int32_t>(lines.size());
    }
    if (!list_) return;
    if (!lines.isEmpty()) list_->addItems(lines);
    if (top >= 0) setTopIndex(top);
}

// Repainting is for the window's own thread; elsewhere its event loop
// paints the list as the lines arrive.
void LogListBox::update() {
    if (!onListThread()) return;
    if (!list_ || !list_->isVisible()) return;
    if (last_repaint_.isValid() && last_repaint_.elapsed() < kIntervalMs) {
        list_->viewport()->update();  // painted with the next round of events
        return;
    }
    list_->viewport()->repaint();
    last_repaint_.start();
}

// All pending events except user input are handled in one go, so the caller's
// second look finds nothing left: report none handled.  On another thread
// the window's loop is running already: nothing to do.
int32_t LogListBox::dispatchPending() {
    if (!onListThread()) return 0;
    if (last_dispatch_.isValid() && last_dispatch_.elapsed() < kIntervalMs) return 0;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    last_dispatch_.start();
    return 0;
}

}  // namespace quillane::frontend
