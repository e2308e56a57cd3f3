#include "LibraryBinding.h"

#include <QCoreApplication>
#include <QDir>

namespace quillane::frontend {

namespace {

constexpr const char *kBaseName = "quillane";
// The file name the build gives the library; QLibrary would otherwise try the
// bare name first, which next to the program is the program itself.
#if defined(Q_OS_WIN)
constexpr const char *kFileName = "quillane.dll";
#elif defined(Q_OS_MACOS)
constexpr const char *kFileName = "libquillane.dylib";
#else
constexpr const char *kFileName = "libquillane.so";
#endif
constexpr const char *kOverrideVariable = "QUILLANE_LIBRARY";

// Candidates in the order they are tried.  An explicit override is the only
// candidate: falling back to another copy would hide a wrong test set-up.
QStringList candidateFiles() {
    const QString override = qEnvironmentVariable(kOverrideVariable);
    if (!override.isEmpty()) return {override};
    QStringList files;
    const QString appDir = QCoreApplication::applicationDirPath();
    if (!appDir.isEmpty()) files << QDir(appDir).filePath(QString::fromLatin1(kFileName));
    files << QString::fromLatin1(kBaseName);
    return files;
}

}  // namespace

LibraryBinding::LibraryBinding() = default;

// The library stays mapped for the life of the process: plot windows and
// pending list-box callbacks may still reach it while the program shuts down.
LibraryBinding::~LibraryBinding() = default;

bool LibraryBinding::load() {
    if (loaded_) return true;
    error_.clear();
    missing_.clear();
    QStringList failures;
    for (const QString &file : candidateFiles()) {
        auto library = std::make_unique<QLibrary>(file);
        if (!library->load()) {
            failures << library->errorString();
            continue;
        }
        std::vector<std::string> missing;
        session::Exports table;
        QLibrary *lib = library.get();
        const bool bound = session::bind_exports(
            table, [lib](const char *name) { return reinterpret_cast<void *>(lib->resolve(name)); },
            missing);
        if (!bound) {
            for (const std::string &name : missing)
                missing_ << QString::fromStdString(name);
            error_ = QStringLiteral("The analysis library %1 lacks these operations:\n%2")
                         .arg(QDir::toNativeSeparators(library->fileName()),
                              missing_.join(QStringLiteral(", ")));
            library->unload();
            return false;
        }
        std::string versionError;
        if (!session::check_version(table, versionError)) {
            error_ = QStringLiteral("%1\n%2").arg(QDir::toNativeSeparators(library->fileName()),
                                                  QString::fromStdString(versionError));
            library->unload();
            return false;
        }
        exports_ = table;
        library_ = std::move(library);
        loaded_ = true;
        return true;
    }
    error_ = QStringLiteral("The analysis library \"%1\" could not be loaded:\n%2")
                 .arg(QString::fromLatin1(kBaseName), failures.join(QStringLiteral("\n")));
    return false;
}

QString LibraryBinding::fileName() const {
    return library_ ? library_->fileName() : QString();
}

}  // namespace quillane::frontend
