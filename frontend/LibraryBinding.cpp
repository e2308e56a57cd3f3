// SPDX-License-Identifier: MIT
#include "LibraryBinding.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include "library_files.h"

namespace quillane::frontend {

namespace {

// The candidates of the session's list, for a program in this folder.
QStringList candidateFiles() {
    QStringList files;
    const QByteArray folder = QFile::encodeName(QCoreApplication::applicationDirPath());
    for (const std::string &file : session::library_candidates(folder.toStdString()))
        files << QFile::decodeName(QByteArray::fromStdString(file));
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
                 .arg(QString::fromStdString(session::library_file_name()),
                      failures.join(QStringLiteral("\n")));
    return false;
}

QString LibraryBinding::fileName() const {
    return library_ ? library_->fileName() : QString();
}

}  // namespace quillane::frontend
