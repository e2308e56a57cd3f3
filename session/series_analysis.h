// SPDX-License-Identifier: MIT
// The analysis of the scans read into the session, as every caller runs it:
// the runner's one-shot run, the runner's watch and the program's watch.
// One sequence of session calls with its rules between them:
//  - the position variable, then the limits: the K-th solution column the
//    finder gives, or limits the user named, or those in force;
//  - one span rule (below);
//  - the assessment settings, the fit against the reference, the
//    assessment.
// The caller supplies a feedback object for what the user is told; it
// decides where that goes (stdout and stderr, a status bar, the report).
//
// The span rule: when the limits leave an active set with no more points
// than the span of the local fits, a span or limits the user named are not
// changed behind their back -- the analysis is refused with the shortfall
// (which names the largest span that fits); otherwise (a column found for
// the user, or the range read) the span becomes the largest that every
// active set holds, and the feedback says so.
#pragma once
#include <optional>
#include <string>
#include <utility>

#include "session.h"

namespace quillane::session {

// What the caller is told while the sequence runs.
class AnalysisFeedback {
  public:
    virtual ~AnalysisFeedback() = default;
    // Something the analysis changed for the user or left out (a span
    // lowered, scans beyond the capacity): said, never silent.
    virtual void notice(const std::string &text) = 0;
    // A failure the library or the session met (a report line not written,
    // a plot not made): the outputs lack something.
    virtual void problem(const std::string &text) = 0;
};

// What the caller asks for.  Positions are in the position variable the
// analysis uses (cm with `radius`, else cm^2).
struct AnalysisChoice {
    bool radius = false;  // analyse against the radius (else leave the variable as it is)
    // The K-th solution column the finder gives (1-based); 0: no column.
    int column = 0;
    // A column taken earlier and kept (a watch keeps the column it took
    // first), limits in the position variable; it takes the place of
    // `column`.  The column found now that holds the larger share of it --
    // at least kSameColumnShare -- is the same column, analysed where both
    // lie; with none such the analysis is refused (column_missing): a
    // neighbouring channel is never taken in its place.
    std::optional<std::pair<double, double>> kept_column;
    double column_margin_cm = kDefaultColumnMargin;
    std::optional<std::pair<double, double>> limits;  // named limits; with no column
    std::optional<int> span, terms;                   // the user's own, else those in force
    std::optional<double> block_s, tolerance;         // assessment settings the user named
    std::optional<bool> exact_f;
    int reference = 0;                 // active set; 0: the session's suggestion (the latest)
    bool assess = true;                // assess after the fit
    bool assessment_in_report = true;  // the assessment's lines go to the report
};

// Why the analysis stopped before the fit.
enum class AnalysisRefusal {
    none,
    setting,         // a setting (span, terms, limits) the session refused: the user's mistake
    column_missing,  // the column asked for is not among those found
    span,            // the limits leave too few points for the span (see the rule above)
    fit,             // the session refused the fit
};

// How much of a kept column a column found again must hold to be the same
// one.  The finder's edges of one channel move from scan to scan by a few
// hundredths of a cm^2 (a meniscus settling, a base seen a few points
// sooner) while two channels of a cell share no stretch at all, so any
// share between those is safe; four fifths lets either edge move by a tenth
// of the column's length.
inline constexpr double kSameColumnShare = 0.8;

struct AnalysisResult {
    AnalysisRefusal refused = AnalysisRefusal::none;
    std::string refusal;  // why, for the user
    // The column analysed, as the user sees it ("5.880-6.060 cm"); empty
    // when none was asked for.
    std::string column_text;
    // Its limits, in the position variable; none when no column was asked for.
    std::optional<std::pair<double, double>> column;
    int span_lowered_to = 0;  // the span the rule set; 0 when it kept the span
    bool fitted = false;
    bool assessed = false;
    Assessment assessment;
    bool reached() const { return assessed && assessment.verdict.status == VerdictStatus::reached; }
};

// Runs the sequence on the scans the session holds.  Nothing is fitted when
// it is refused; settings made before the refusal stay.
AnalysisResult analyse_scans(Session &session, const AnalysisChoice &choice,
                             AnalysisFeedback &feedback);

// "the scans show 2 solution columns: 1: 5.880-6.060 cm, 2: ..." or "no
// solution column was found in these scans (their data span 5.700 .. 7.200
// cm)": the columns a choice can name.
std::string columns_found_text(const Session &session, const std::vector<Column> &columns);

}  // namespace quillane::session
