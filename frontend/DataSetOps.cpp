#include "DataSetOps.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include "AppState.h"
#include "LibraryBinding.h"
#include "LogListBox.h"
#include "Prompts.h"

namespace quillane::frontend {

QString activeSetLine(int set, const QString &fileName, int active) {
    return QStringLiteral(" Orig.DS# %1 :: %2 is active DS#%3.")
        .arg(set)
        .arg(fileName.trimmed())
        .arg(active);
}

bool appendLines(const QString &fileName, const QStringList &lines) {
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) return false;
    for (const QString &line : lines) {
        const QByteArray bytes = line.toLocal8Bit() + "\r\n";
        if (file.write(bytes) != bytes.size()) return false;
    }
    return file.flush();
}

void BuildActiveList(AppState &state, LibraryBinding &library, LogListBox &list, Prompts &prompts,
                     QWidget *parent) {
    QStringList lines;
    int32_t k = 0;
    for (int i = 1; i <= state.NumFilesRead && i <= kMaxDataSets; ++i) {
        if (state.ActiveFlags[i] != kTrue) continue;
        ++k;
        state.ActiveSetTable[k] = i;
        lines << activeSetLine(i, state.DataFileNames[i], k);
    }
    const bool written = lines.isEmpty() || appendLines(state.OutFileName, lines);
    for (const QString &line : lines)
        list.addString(line);
    state.NumActive = k;
    if (state.RefSet > state.NumActive) state.RefSet = state.NumActive;
    if (state.RefSet < 1 && state.NumActive > 0) state.RefSet = 1;
    library.setredir(&state.ActiveSetTable[1], state.NumActive);
    if (!written) {
        prompts.warn(parent, QStringLiteral("Output File Error"),
                     QStringLiteral("The list of active data sets could not be added to the "
                                    "output file\n%1")
                         .arg(QDir::toNativeSeparators(state.OutFileName)));
    }
}

void ReadDataFile(AppState &state, LibraryBinding &library, int16_t i) {
    if (i < 1 || i > kMaxDataSets) return;
    const int32_t n = i;
    library.getdatar(state.DataFileNames[i], n);
}

}  // namespace quillane::frontend
