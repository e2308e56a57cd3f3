// SPDX-License-Identifier: MIT
// The tab pages of the dialogs that list the data sets: five pages of ten
// sets, "1 - 10" to "41 - 50", cut to the active sets, every tab in view.
#pragma once

class QTabWidget;
class QString;

namespace quillane::frontend {

inline constexpr int kSetsPerPage = 10;
inline constexpr int kSetPages = 5;

// "1 - 10" for page 0, and so on.
QString setPageCaption(int page);

// Shows every tab of `tabs` in full, never behind scroll arrows: the dialog
// grows wide enough for all of them.
void keepEveryTabInView(QTabWidget &tabs);

// Removes the pages after the one holding active set `numActive`, and names
// that page after the sets it holds ("21 - 23").
void cutPagesToActiveSets(QTabWidget &tabs, int numActive);

}  // namespace quillane::frontend
