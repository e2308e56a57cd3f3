// SPDX-License-Identifier: MIT
#include "plot_series.h"

#include <QFileInfo>
#include <algorithm>

namespace quillane::viewer {

namespace {

// "12: 00012.RA1": active set k and its scan file without the folder.
QString setName(const session::Session &session, const SessionText &text, int k) {
    if (k < 1 || k > session.active_count()) return {};
    return QStringLiteral("%1: %2").arg(k).arg(
        QFileInfo(text(session.active_file_name(k))).fileName());
}

// The series of a data plot and of the deviations graph are coded by
// active set.
SeriesNames setNames(const std::vector<int> &sets, const session::Session &session,
                     const SessionText &text, bool bySeries) {
    SeriesNames names;
    int series = 0;
    for (int k : sets)
        names.names[bySeries ? ++series : k] = setName(session, text, k);
    return names;
}

}  // namespace

QString fitKindCaption(int kind) {
    static const char *const kFitKinds[3] = {"No Offsets", "Y Offsets", "Y and XI/R Offsets"};
    return kind >= 1 && kind <= 3 ? QString::fromLatin1(kFitKinds[kind - 1]) : QString();
}

SeriesNames seriesNamesFor(const PlotSubject &subject, const session::Session &session,
                           const SessionText &text) {
    if (subject.equilibrium) {
        SeriesNames names;
        names.names[1] = QStringLiteral("RMS from the latest scan");
        names.title = QStringLiteral("Approach to equilibrium");
        return names;
    }
    if (!subject.graph) {
        SeriesNames names = setNames(subject.sets, session, text, false);
        names.title = QStringLiteral("Data sets");
        return names;
    }
    const session::GraphRequest &graph = *subject.graph;
    const int fitReference = session.fit_reference();
    const int reference = graph.reference != 0 ? graph.reference : fitReference;
    SeriesNames names;
    switch (graph.kind) {
        case session::GraphKind::rms:
        case session::GraphKind::variance: {
            int series = 0;
            for (int kind = 1; kind <= 3; ++kind)
                if (graph.fit_kinds[static_cast<size_t>(kind - 1)])
                    names.names[++series] = fitKindCaption(kind);
            names.title = QStringLiteral("Fits against %1").arg(setName(session, text, reference));
            break;
        }
        case session::GraphKind::deviations_vs_position:
            names = setNames(graph.sets, session, text, true);
            names.title =
                QStringLiteral("Deviations from %1").arg(setName(session, text, fitReference));
            break;
        case session::GraphKind::deviations_vs_time: {
            // The graph takes the positions in ascending order.
            std::vector<double> positions = graph.positions;
            std::sort(positions.begin(), positions.end());
            const QString variable = session.xi_mode() ? QStringLiteral("XI") : QStringLiteral("R");
            int series = 0;
            for (double x : positions)
                names.names[++series] = QStringLiteral("%1 = %2").arg(variable).arg(x, 0, 'f', 3);
            names.title =
                QStringLiteral("Deviations from %1").arg(setName(session, text, fitReference));
            break;
        }
        case session::GraphKind::offsets:
            names.names[1] = fitKindCaption(3);
            names.title = QStringLiteral("Position offsets against %1")
                              .arg(setName(session, text, reference));
            break;
    }
    return names;
}

}  // namespace quillane::viewer
