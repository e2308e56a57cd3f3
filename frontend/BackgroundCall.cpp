// SPDX-License-Identifier: MIT
#include "BackgroundCall.h"

#include <exception>
#include <memory>

#include <QEventLoop>
#include <QThread>

namespace quillane::frontend {

void runOffGuiThread(const std::function<void()> &work) {
    std::exception_ptr failure;
    std::unique_ptr<QThread> worker(QThread::create([&work, &failure] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    }));
    QEventLoop loop;
    // Queued: the loop ends from its own thread, once it runs, however
    // soon the work is done.
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit,
                     Qt::QueuedConnection);
    worker->start();
    loop.exec();
    worker->wait();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace quillane::frontend
