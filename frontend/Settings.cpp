// SPDX-License-Identifier: MIT
#include "Settings.h"

#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <utility>

namespace quillane::frontend::settings {

namespace {

const QString kScanFolder = QStringLiteral("files/lastScanFolder");
const QString kTimeInHours = QStringLiteral("plot/timeInHours");
const QString kRecentRunsKey = QStringLiteral("files/recentRuns");

QString geometryKey(const QString &key) {
    return QStringLiteral("windows/%1/geometry").arg(key);
}

// A saved place is used only when a screen still shows a good part of it;
// a monitor that was unplugged must not take the window with it.
bool onSomeScreen(const QRect &frame) {
    for (const QScreen *screen : QGuiApplication::screens()) {
        const QRect shown = screen->availableGeometry().intersected(frame);
        if (shown.width() >= 100 && shown.height() >= 50) return true;
    }
    return false;
}

// Saves a window's place when it is hidden or closed.
class GeometryKeeper : public QObject {
  public:
    GeometryKeeper(QWidget &window, QString key) : QObject(&window), key_(std::move(key)) {
        window.installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Hide || event->type() == QEvent::Close) {
            auto *window = static_cast<QWidget *>(watched);
            if (window->isWindow() && !window->isMinimized()) saveGeometry(*window, key_);
        }
        return false;
    }

  private:
    QString key_;
};

}  // namespace

std::unique_ptr<QSettings> store() {
    return std::make_unique<QSettings>(QString::fromLatin1(kOrganisation),
                                       QString::fromLatin1(kApplication));
}

QString lastScanFolder() {
    const QString folder = store()->value(kScanFolder).toString();
    return QFileInfo(folder).isDir() ? folder : QString();
}

void rememberScanFile(const QString &file) {
    if (file.isEmpty()) return;
    store()->setValue(kScanFolder, QFileInfo(file).absolutePath());
}

QStringList recentRuns() {
    QStringList runs = store()->value(kRecentRunsKey).toStringList();
    runs.removeAll(QString());
    return runs.mid(0, kRecentRuns);
}

void rememberRun(const QString &folder) {
    if (folder.isEmpty()) return;
    const QString path = QFileInfo(folder).absoluteFilePath();
    QStringList runs = recentRuns();
    runs.removeAll(path);
    runs.prepend(path);
    store()->setValue(kRecentRunsKey, runs.mid(0, kRecentRuns));
}

std::optional<bool> timeInHours() {
    const std::unique_ptr<QSettings> settings = store();
    if (!settings->contains(kTimeInHours)) return std::nullopt;
    return settings->value(kTimeInHours).toBool();
}

void rememberTimeInHours(bool hours) {
    store()->setValue(kTimeInHours, hours);
}

void saveGeometry(const QWidget &window, const QString &key) {
    store()->setValue(geometryKey(key), window.saveGeometry());
}

bool restoreGeometry(QWidget &window, const QString &key) {
    const QByteArray saved = store()->value(geometryKey(key)).toByteArray();
    if (saved.isEmpty()) return false;
    const QRect before = window.geometry();
    if (!window.restoreGeometry(saved)) return false;
    if (onSomeScreen(window.frameGeometry())) return true;
    window.setGeometry(before);
    return false;
}

bool keepGeometry(QWidget &window, const QString &key) {
    const bool restored = restoreGeometry(window, key);
    new GeometryKeeper(window, key);
    return restored;
}

}  // namespace quillane::frontend::settings
