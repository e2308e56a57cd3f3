// The two small operations on data sets that several windows share.
#pragma once

#include <cstdint>

#include <QString>

class QWidget;

namespace quillane::frontend {

struct AppState;
class LibraryBinding;
class LogListBox;
class Prompts;

// BuildActiveList: numbers the active data sets in row order, logs one line
// per active set to the output file and the output list, and hands the table
// to the library (setredir).  RefSet is kept inside 1..NumActive, so a
// reference set chosen before the selection shrank stays a valid set.
// An output file that cannot be appended to is reported; the list, the
// table and the library are still brought up to date.
void BuildActiveList(AppState &state, LibraryBinding &library, LogListBox &list, Prompts &prompts,
                     QWidget *parent);

// The line BuildActiveList writes for data set `set` as active set `active`.
QString activeSetLine(int set, const QString &fileName, int active);

// ReadDataFile: reads data file i (1..50) into the library as data set i.
void ReadDataFile(AppState &state, LibraryBinding &library, int16_t i);

// Appends lines, each ended by CR LF, to a text file; false when the file
// cannot be opened or written.
bool appendLines(const QString &fileName, const QStringList &lines);

}  // namespace quillane::frontend
