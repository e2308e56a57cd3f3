// SPDX-License-Identifier: MIT
#include "ActiveSetPages.h"

#include <QString>
#include <QTabBar>
#include <QTabWidget>

namespace quillane::frontend {

QString setPageCaption(int page) {
    return QStringLiteral("%1 - %2").arg(page * kSetsPerPage + 1).arg((page + 1) * kSetsPerPage);
}

void keepEveryTabInView(QTabWidget &tabs) {
    tabs.setUsesScrollButtons(false);
    tabs.setElideMode(Qt::ElideNone);
    tabs.tabBar()->setExpanding(false);
}

void cutPagesToActiveSets(QTabWidget &tabs, int numActive) {
    const int lastPage = numActive > 0 ? (numActive - 1) / kSetsPerPage : 0;
    for (int page = tabs.count() - 1; page > lastPage; --page)
        tabs.removeTab(page);
    if (numActive > 0)
        tabs.setTabText(lastPage,
                        QStringLiteral("%1 - %2").arg(lastPage * kSetsPerPage + 1).arg(numActive));
}

}  // namespace quillane::frontend
