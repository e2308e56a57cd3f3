// SPDX-License-Identifier: MIT
#include "series_analysis.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace quillane::session {
namespace {

void tell_errors(const Outcome &outcome, AnalysisFeedback &feedback) {
    for (const std::string &e : outcome.errors)
        feedback.problem(e);
}

AnalysisResult refuse(AnalysisRefusal why, std::string text) {
    AnalysisResult r;
    r.refused = why;
    r.refusal = std::move(text);
    return r;
}

std::string range_text(double low, double high) {
    char text[96];
    std::snprintf(text, sizeof text, "%g .. %g", low, high);
    return text;
}

// The column of `found` that is `kept` again (see kSameColumnShare), with
// limits where both lie; none when no column holds enough of it.
std::optional<Column> same_column(const std::pair<double, double> &kept,
                                  const std::vector<Column> &found) {
    const auto [low, high] = kept;
    const double length = high - low;
    std::optional<Column> same;
    double best = 0.0;
    for (const Column &c : found) {
        const double share = (std::min(high, c.high) - std::max(low, c.low)) / length;
        if (length > 0.0 && share >= kSameColumnShare && share > best) {
            best = share;
            same = c;
            same->low = std::max(low, c.low);
            same->high = std::min(high, c.high);
        }
    }
    return same;
}

}  // namespace

std::string columns_found_text(const Session &session, const std::vector<Column> &columns) {
    if (columns.empty()) {
        const Limits data = session.data_range();
        char text[160];
        std::snprintf(text, sizeof text,
                      "no solution column was found in these scans (their data span %.3f .. %.3f "
                      "%s)",
                      data.low, data.high, limits_unit(session.xi_mode()));
        return text;
    }
    std::string text = "the scans show " + std::to_string(columns.size()) + " solution column" +
                       (columns.size() == 1 ? "" : "s") + ":";
    for (size_t k = 0; k < columns.size(); ++k)
        text += (k ? ", " : " ") + std::to_string(k + 1) + ": " +
                column_limits_text(columns[k], session.xi_mode());
    return text;
}

AnalysisResult analyse_scans(Session &session, const AnalysisChoice &choice,
                             AnalysisFeedback &feedback) {
    if (choice.radius) tell_errors(session.set_position_variable(false), feedback);
    if (choice.span || choice.terms) {
        const DifferParms parms = session.differ_parms();
        const Outcome set = session.set_differ_parms(choice.span.value_or(parms.span),
                                                     choice.terms.value_or(parms.terms));
        if (!set.done) return refuse(AnalysisRefusal::setting, set.refusal);
    }

    AnalysisResult result;
    std::optional<std::pair<double, double>> limits = choice.limits;
    if (choice.column > 0 || choice.kept_column) {
        Outcome found;
        const std::vector<Column> columns =
            session.solution_columns(choice.column_margin_cm, &found);
        tell_errors(found, feedback);
        // No range stands in for a column that is not there: the data
        // beside a column hold menisci, bases and windows.
        std::optional<Column> taken;
        if (choice.kept_column) {
            taken = same_column(*choice.kept_column, columns);
        } else if (choice.column <= static_cast<int>(columns.size())) {
            taken = columns[static_cast<size_t>(choice.column - 1)];
        }
        if (!taken)
            return refuse(AnalysisRefusal::column_missing, columns_found_text(session, columns));
        result.column_text = column_limits_text(*taken, session.xi_mode());
        result.column = std::pair{taken->low, taken->high};
        limits = result.column;
    }
    if (limits) {
        const Outcome limited = session.set_limits(limits->first, limits->second);
        tell_errors(limited, feedback);
        if (!limited.done)
            return refuse(
                AnalysisRefusal::setting,
                "the limits " + range_text(limits->first, limits->second) + ": " + limited.refusal);
    }

    // The span rule (see the header).
    if (const SpanCheck check = session.span_check(); !check.fits) {
        const bool named = choice.span.has_value() || choice.limits.has_value();
        if (named || check.largest == 0) {
            const Limits in_force = session.limits();
            return refuse(AnalysisRefusal::span,
                          "the limits " + range_text(in_force.low, in_force.high) +
                              " leave a data set with no more than " + std::to_string(check.span) +
                              " points (the differentiation span).  " + span_shortfall_text(check));
        }
        const Outcome lowered = session.fit_span_to_data();
        tell_errors(lowered, feedback);
        if (!lowered.done) return refuse(AnalysisRefusal::span, lowered.refusal);
        result.span_lowered_to = check.largest;
        feedback.notice("the span (points per local fit) is lowered to " +
                        std::to_string(check.largest) + ": active set " +
                        std::to_string(check.active_set) + " (" + check.file + ") holds only " +
                        std::to_string(check.points) + " points inside the limits");
    }

    AssessmentSettings settings = session.assessment_settings();
    if (choice.block_s) settings.block_s = *choice.block_s;
    if (choice.tolerance) settings.tolerance = *choice.tolerance;
    if (choice.exact_f) settings.exact_f = *choice.exact_f;
    tell_errors(session.set_assessment_settings(settings), feedback);

    // The last active set is the reference unless one is named.
    const int reference = choice.reference != 0 ? choice.reference : session.suggested_reference();
    const Outcome fit = session.fit(reference);
    tell_errors(fit, feedback);
    if (!fit.done) {
        AnalysisResult refused = refuse(AnalysisRefusal::fit, fit.refusal);
        refused.column_text = result.column_text;
        refused.column = result.column;
        return refused;
    }
    result.fitted = true;
    if (choice.assess) {
        const Outcome assessed = session.assess(choice.assessment_in_report, &result.assessment);
        tell_errors(assessed, feedback);
        result.assessed = assessed.done;
    }
    return result;
}

}  // namespace quillane::session
