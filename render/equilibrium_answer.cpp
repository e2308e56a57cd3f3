// SPDX-License-Identifier: MIT
#include "equilibrium_answer.h"

#include <QStringList>
#include <cmath>

#include "hours_format.h"

namespace quillane::viewer {

namespace {

QString value(double v) {
    return QString::number(v, 'g', 3);
}

}  // namespace

QString driftRemark(const session::Assessment &a, const SessionText &text) {
    const session::Verdict &v = a.verdict;
    // Decided with both offsets, or a step found between late scans: the
    // shape has settled though the baseline moved.
    using session::Comparison;
    const auto withOffsets = [](Comparison c) {
        return c == Comparison::both_offsets || c == Comparison::scale_factor;
    };
    if (!withOffsets(v.decided_by) && v.drift.empty() && !withOffsets(v.broken_by)) return {};
    QStringList lines;
    if (v.decided_by == Comparison::both_offsets)
        lines << QStringLiteral(
            "Decided by the fits with offsets: the late scans differ by a "
            "baseline or position step, not in shape.");
    if (v.decided_by == Comparison::scale_factor)
        lines << QStringLiteral(
            "Decided with a y-offset and a scale factor: the late scans differ by the "
            "lamp's jitter, not in shape, and their factors show no trend.");
    for (const std::string &note : v.notes)
        if (!note.empty()) lines << text(note).trimmed();
    if (lines.isEmpty())
        lines << QStringLiteral(
            "Late scans differ by a drift of the baseline; the offset fits "
            "show whether their shape has settled.");
    return lines.join(QLatin1Char('\n'));
}

FigureAnswer equilibriumFigureAnswer(const session::Assessment &a, const SessionText &text) {
    FigureAnswer answer;
    QString verdict = text(a.verdict.text).trimmed();
    if (!verdict.isEmpty()) verdict[0] = verdict[0].toUpper();
    const session::Forecast &f = a.forecast;
    if (f.made && std::isfinite(f.equilibrium_time_s))
        verdict += QStringLiteral("; forecast: equilibrium at %1")
                       .arg(QString::fromStdString(hours_with_unit(f.equilibrium_time_s, 2)));
    else if (!f.reason.empty())
        verdict += QStringLiteral("; no forecast: %1").arg(text(f.reason).trimmed());
    answer.text = verdict;
    // The points fall to zero at the latest scan whatever the cell does, so
    // the figure says what they measure, and why the forecast stands later
    // than the curve's meeting with the threshold.
    static const QString kMeasuredTo = QStringLiteral(
        "Each point is a scan's RMS difference from the latest scan, zero there by "
        "construction; the forecast is when a scan would differ from the final equilibrium "
        "by less than the threshold.");
    answer.note = driftRemark(a, text);
    answer.note += (answer.note.isEmpty() ? QString() : QStringLiteral("\n")) + kMeasuredTo;

    using Kind = PlotLineLabel::Kind;
    // The library draws the noise of a difference of two scans: the pooled
    // noise times the square root of two.
    if (a.pooled.dof > 0 && a.pooled.sigma > 0.0) {
        const double noise = std::sqrt(2.0) * a.pooled.sigma;
        answer.lines.push_back({Kind::horizontal, noise,
                                QStringLiteral("noise of a difference: %1").arg(value(noise))});
    }
    if (f.made && f.threshold > 0.0)
        answer.lines.push_back({Kind::horizontal, f.threshold,
                                QStringLiteral("threshold: %1").arg(value(f.threshold))});
    if (f.made && std::isfinite(f.equilibrium_time_s))
        answer.lines.push_back(
            {Kind::vertical, f.equilibrium_time_s,
             QStringLiteral("forecast: %1")
                 .arg(QString::fromStdString(hours_with_unit(f.equilibrium_time_s, 1)))});
    return answer;
}

}  // namespace quillane::viewer
