// SPDX-License-Identifier: MIT
#include "PlotSeriesNames.h"

#include <algorithm>

#include "ActiveSetNames.h"
#include "ResultGraphDialogs.h"

namespace quillane::frontend {

namespace {

// The series of a data plot and of the deviations graph are coded by
// active set.
viewer::SeriesNames setNames(const std::vector<int> &sets, const session::Session &session,
                             bool bySeries) {
    viewer::SeriesNames names;
    int series = 0;
    for (int k : sets)
        names.names[bySeries ? ++series : k] = activeSetName(session, k);
    return names;
}

}  // namespace

viewer::SeriesNames seriesNamesFor(const PlotContent &content, const session::Session &session) {
    if (content.equilibrium) {
        viewer::SeriesNames names;
        names.names[1] = QStringLiteral("RMS from the latest scan");
        names.title = QStringLiteral("Approach to equilibrium");
        return names;
    }
    if (!content.graph) {
        viewer::SeriesNames names = setNames(content.sets, session, false);
        names.title = QStringLiteral("Data sets");
        return names;
    }
    const session::GraphRequest &graph = *content.graph;
    const int fitReference = session.fit_reference();
    const int reference = graph.reference != 0 ? graph.reference : fitReference;
    viewer::SeriesNames names;
    switch (graph.kind) {
        case session::GraphKind::rms:
        case session::GraphKind::variance: {
            int series = 0;
            for (int kind = 1; kind <= 3; ++kind)
                if (graph.fit_kinds[static_cast<size_t>(kind - 1)])
                    names.names[++series] = fitKindCaption(kind);
            names.title = QStringLiteral("Fits against %1").arg(activeSetName(session, reference));
            break;
        }
        case session::GraphKind::deviations_vs_position:
            names = setNames(graph.sets, session, true);
            names.title =
                QStringLiteral("Deviations from %1").arg(activeSetName(session, fitReference));
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
                QStringLiteral("Deviations from %1").arg(activeSetName(session, fitReference));
            break;
        }
        case session::GraphKind::offsets:
            names.names[1] = fitKindCaption(3);
            names.title = QStringLiteral("Position offsets against %1")
                              .arg(activeSetName(session, reference));
            break;
    }
    return names;
}

}  // namespace quillane::frontend
