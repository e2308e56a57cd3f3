#include "LogListBox.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHash>
#include <QListWidget>

namespace quillane::frontend {

namespace {

QHash<int32_t, LogListBox *> &registry() {
    static QHash<int32_t, LogListBox *> lists;
    return lists;
}

int32_t nextHandle() {
    static int32_t handle = 0;
    return ++handle;
}

void opAddString(int32_t handle, const char *line) {
    if (LogListBox *box = LogListBox::find(handle); box && line)
        box->addString(QString::fromLocal8Bit(line));
}

int32_t opGetCount(int32_t handle) {
    LogListBox *box = LogListBox::find(handle);
    return box ? box->count() : 0;
}

void opSetTopIndex(int32_t handle, int32_t index) {
    if (LogListBox *box = LogListBox::find(handle)) box->setTopIndex(index);
}

void opUpdate(int32_t handle) {
    if (LogListBox *box = LogListBox::find(handle)) box->update();
}

int32_t opDispatchPending(int32_t handle) {
    LogListBox *box = LogListBox::find(handle);
    return box ? box->dispatchPending() : 0;
}

const quillane_listbox_ops kOperations{opAddString, opGetCount, opSetTopIndex, opUpdate,
                                       opDispatchPending};

}  // namespace

LogListBox::LogListBox(QListWidget *list) : list_(list), handle_(nextHandle()) {
    registry().insert(handle_, this);
}

LogListBox::~LogListBox() {
    registry().remove(handle_);
}

const quillane_listbox_ops &LogListBox::operations() {
    return kOperations;
}

LogListBox *LogListBox::find(int32_t handle) {
    return registry().value(handle, nullptr);
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
    if (list_ && list_->isVisible()) list_->viewport()->repaint();
}

// All pending events except user input are handled in one go, so the caller's
// second look finds nothing left: report none handled.
int32_t LogListBox::dispatchPending() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return 0;
}

}  // namespace quillane::frontend
