// SPDX-License-Identifier: MIT
// The span of the local fits against the points the data limits leave, and
// the conversion of positions between xi and the radius.
#include <algorithm>
#include <cmath>

#include "session.h"

namespace quillane::session {

double convert_position(double value, bool from_xi, bool to_xi) {
    if (from_xi == to_xi) return value;
    if (to_xi) return value * value / 2.0;
    return value < 0.0 ? std::nan("") : std::sqrt(2.0 * value);
}

SpanCheck Session::span_check() const {
    SpanCheck c;
    const DifferParms parms = differ_parms();
    c.span = parms.span;
    c.terms = parms.terms;
    for (int k = 1; k <= active_count(); ++k) {
        const ActiveSetFacts facts = active_set(k);
        if (c.active_set == 0 || facts.points < c.points) {
            c.active_set = k;
            c.points = facts.points;
        }
    }
    if (c.active_set == 0) return c;
    const std::string &path = active_file_name(c.active_set);
    const size_t slash = path.find_last_of('/');
    c.file = slash == std::string::npos ? path : path.substr(slash + 1);
    // The library asks each set for more points inside the limits than the
    // span; a local polynomial needs at least three points and more points
    // than its order.
    c.fits = c.points > c.span;
    const int largest = c.points - 1;
    c.largest = largest >= std::max(kMinSpan, c.terms + 1) ? largest : 0;
    return c;
}

std::string span_shortfall_text(const SpanCheck &c) {
    if (c.fits) return {};
    std::string text = "Active set " + std::to_string(c.active_set) + " (" + c.file +
                       ") has only " + std::to_string(c.points) +
                       " points inside the limits; each local fit uses " + std::to_string(c.span) +
                       " and needs fewer than a set holds.  ";
    if (c.largest > 0)
        text += "The largest number of points per fit that suits every active set is " +
                std::to_string(c.largest) + ".";
    else
        text += "No number of points per fit suits it: widen the data limits.";
    return text;
}

Outcome Session::fit_span_to_data() {
    const SpanCheck c = span_check();
    if (c.fits) return {};
    if (c.largest == 0) return refused(span_shortfall_text(c));
    Outcome o = set_differ_parms(c.largest, c.terms);
    if (!o.done) return o;
    const Outcome recorded =
        add_to_report({"The number of points in each fit was set to " + std::to_string(c.largest) +
                       ", the most that active set " + std::to_string(c.active_set) + " (" +
                       c.file + ") holds inside the limits."});
    o.errors.insert(o.errors.end(), recorded.errors.begin(), recorded.errors.end());
    return o;
}

}  // namespace quillane::session
