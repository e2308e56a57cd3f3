// SPDX-License-Identifier: MIT
#include "fit_slopes.h"

#include <algorithm>
#include <span>
#include <utility>

#include "ftn_format.h"
#include "options.h"

namespace quillane {

void SlopeWork::size_for(int points) {
    const size_t n = static_cast<size_t>(std::max(points, 0)) + 1;
    if (x.size() >= n) return;
    for (auto *a : {&x, &y, &w, &wu, &u, &c2, &c3, &v})
        a->assign(n, 0.0);
    for (auto *a : {&pair_u, &pair_u2, &pair_u3})
        a->assign(kMaxWindowLanes * n, 0.0);
}

namespace {

// The symmetric 3x3 normal equations of V = a1 U + a2 C2 + a3 C3.
struct NormalEquations {
    double s11 = 0.0, s12 = 0.0, s13 = 0.0, s22 = 0.0, s23 = 0.0, s33 = 0.0;
    double b1 = 0.0, b2 = 0.0, b3 = 0.0;
};

// Cramer's rule, without pivoting: the centred columns keep the system well
// scaled.  A vanished determinant leaves the coefficients as they are.
bool solve_normal_equations(const NormalEquations &e, int jz, LocalPolynomial &poly) {
    const double det = 2.0 * e.s12 * e.s23 * e.s13 + e.s11 * e.s22 * e.s33 - e.s13 * e.s13 * e.s22 -
                       e.s23 * e.s23 * e.s11 - e.s12 * e.s12 * e.s33;
    if (det == 0.0) return false;
    poly.a1 = (e.b1 * (e.s22 * e.s33 - e.s23 * e.s23) - e.s12 * (e.b2 * e.s33 - e.s23 * e.b3) +
               e.s13 * (e.b2 * e.s23 - e.s22 * e.b3)) /
              det;
    poly.a2 = (e.s11 * (e.b2 * e.s33 - e.s23 * e.b3) - e.b1 * (e.s12 * e.s33 - e.s23 * e.s13) +
               e.s13 * (e.s12 * e.b3 - e.b2 * e.s13)) /
              det;
    poly.a3 = (e.s11 * (e.s22 * e.b3 - e.b2 * e.s23) - e.s12 * (e.s12 * e.b3 - e.b2 * e.s13) +
               e.b1 * (e.s12 * e.s23 - e.s22 * e.s13)) /
              det;
    if (jz == 1) poly.a2 = poly.a3 = 0.0;
    if (jz == 2) poly.a3 = 0.0;
    return true;
}

// The window fit for given (Weighted) or unit weights.  With unit weights
// every W' is the same number, so it is formed once; the sums are the same
// as with W' formed point by point.
template <bool Weighted>
bool fit_window(SlopeWork &work, int na, int nb, int jz, LocalPolynomial &poly) {
    const double count = nb - na + 1;
    poly.a3 = 0.0;

    double sw = 0.0, sx = 0.0, sy = 0.0;
    for (int k = na; k <= nb; ++k) {
        const double wk = Weighted ? work.w[k] : 1.0;
        work.wu[k] = wk;
        sw += wk;
        sx += wk * work.x[k];
        sy += wk * work.y[k];
    }
    const double xbar = sx / sw;
    const double ybar = sy / sw;
    poly.xbar = xbar;

    // Powers of the centred position; their weighted means centre the
    // quadratic and cubic columns, which makes them orthogonal to the
    // constant that the model leaves out.
    double s2 = 0.0, s3 = 0.0;
    for (int k = na; k <= nb; ++k) {
        const double u = work.x[k] - xbar;
        const double u2 = u * u;
        work.u[k] = u;
        work.c2[k] = u2;
        if (jz >= 2) s2 += work.wu[k] * u2;
        if (jz == 3) {
            const double u3 = u2 * u;
            work.c3[k] = u3;
            s3 += work.wu[k] * u3;
        }
    }
    const double m2 = jz >= 2 ? s2 / sw : 0.0;
    const double m3 = jz == 3 ? s3 / sw : 0.0;

    // An absent column gets a unit diagonal entry, so the 3x3 system stays
    // regular and its solution for that column is 0.
    NormalEquations e;
    e.s22 = jz == 1 ? 1.0 : 0.0;
    e.s33 = jz != 3 ? 1.0 : 0.0;
    const double unit_weight = 1.0 / sw * count;  // weights summing to the point count
    for (int k = na; k <= nb; ++k) {
        const double wk = Weighted ? work.wu[k] / sw * count : unit_weight;
        work.wu[k] = wk;
        const double u = work.u[k];
        const double v = work.y[k] - ybar;
        const double c2 = work.c2[k] - m2;
        work.v[k] = v;
        work.c2[k] = c2;
        e.s11 += wk * u * u;
        e.b1 += wk * u * v;
        if (jz != 1) {
            e.s12 += wk * u * c2;
            e.s22 += wk * c2 * c2;
            e.b2 += wk * c2 * v;
        }
        if (jz == 3) {
            const double c3 = work.c3[k] - m3;
            work.c3[k] = c3;
            e.s13 += wk * u * c3;
            e.s23 += wk * c2 * c3;
            e.s33 += wk * c3 * c3;
            e.b3 += wk * c3 * v;
        }
    }
    return solve_normal_equations(e, jz, poly);
}

// Neighbouring windows with unit weights at once: windows na..na+L-1,
// na+1..na+L, ... share the same loops, one in each lane of a vector of W
// doubles.  Every lane does exactly the operations of fit_window<false> in
// the same order, so the sums, and the coefficients, are the same to the
// last bit; the independent sums per vector only let the processor overlap
// them.  (The library is built without contraction of a * b + c into one
// instruction, which would round differently in the wider vectors.)
template <int W>
struct LaneVector {
    // Alignment 8, so the lanes may start at any element of a work array.
    typedef double type __attribute__((vector_size(8 * W), aligned(8)));
};

template <int W>
[[gnu::always_inline]] inline void fit_lanes(SlopeWork &work, int na, int span, int jz,
                                             double xbar[], NormalEquations eq[]) {
    using V = typename LaneVector<W>::type;
    const double count = span;
    const V zero = {};
    const V one = zero + 1.0;
    V sw = zero, sx = zero, sy = zero;
    for (int t = 0; t < span; ++t) {
        V x, y;
        __builtin_memcpy(&x, &work.x[na + t], sizeof x);
        __builtin_memcpy(&y, &work.y[na + t], sizeof y);
        sw += one;
        sx += one * x;
        sy += one * y;
    }
    const V mx = sx / sw;
    const V my = sy / sw;

    V *u = reinterpret_cast<V *>(work.pair_u.data());
    V *u2 = reinterpret_cast<V *>(work.pair_u2.data());
    V *u3 = reinterpret_cast<V *>(work.pair_u3.data());
    V s2 = zero, s3 = zero;
    for (int t = 0; t < span; ++t) {
        V x;
        __builtin_memcpy(&x, &work.x[na + t], sizeof x);
        const V d = x - mx;
        const V d2 = d * d;
        u[t] = d;
        u2[t] = d2;
        if (jz >= 2) s2 += one * d2;
        if (jz == 3) {
            u3[t] = d2 * d;
            s3 += one * u3[t];
        }
    }
    const V m2 = jz >= 2 ? s2 / sw : zero;
    const V m3 = jz == 3 ? s3 / sw : zero;

    V s11 = zero, s12 = zero, s13 = zero, s23 = zero, b1 = zero, b2 = zero, b3 = zero;
    V s22 = jz == 1 ? one : zero;
    V s33 = jz != 3 ? one : zero;
    const V wk = one / sw * count;
    // The weights that sum to the point count are 1 / L * L: exactly 1 for
    // most spans L, and a product with an exact 1 can be left out.
    const bool unit = 1.0 / count * count == 1.0;
    for (int t = 0; t < span; ++t) {
        V y;
        __builtin_memcpy(&y, &work.y[na + t], sizeof y);
        const V v = y - my;
        const V c2 = u2[t] - m2;
        const V wu = unit ? u[t] : wk * u[t];
        s11 += wu * u[t];
        b1 += wu * v;
        if (jz != 1) {
            const V wc2 = unit ? c2 : wk * c2;
            s12 += wu * c2;
            s22 += wc2 * c2;
            b2 += wc2 * v;
        }
        if (jz == 3) {
            const V c3 = u3[t] - m3;
            const V wc3 = unit ? c3 : wk * c3;
            s13 += wu * c3;
            s23 += (unit ? c2 : wk * c2) * c3;
            s33 += wc3 * c3;
            b3 += wc3 * v;
        }
    }
    for (int lane = 0; lane < W; ++lane) {
        xbar[lane] = mx[lane];
        eq[lane] = {s11[lane], s12[lane], s13[lane], s22[lane], s23[lane],
                    s33[lane], b1[lane],  b2[lane],  b3[lane]};
    }
}

// One entry per vector width, each compiled for the instructions it needs.
__attribute__((target("avx512f"))) void fit_eight_windows(SlopeWork &work, int na, int span, int jz,
                                                          double xbar[], NormalEquations eq[]) {
    fit_lanes<8>(work, na, span, jz, xbar, eq);
}

__attribute__((target("avx2"))) void fit_four_windows(SlopeWork &work, int na, int span, int jz,
                                                      double xbar[], NormalEquations eq[]) {
    fit_lanes<4>(work, na, span, jz, xbar, eq);
}

void fit_two_windows(SlopeWork &work, int na, int span, int jz, double xbar[],
                     NormalEquations eq[]) {
    fit_lanes<2>(work, na, span, jz, xbar, eq);
}

bool lanes_supported(int lanes) {
    static const bool avx512 = __builtin_cpu_supports("avx512f");
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return lanes == 2 || (lanes == 4 && avx2) || (lanes == 8 && avx512);
}

// The sums of `lanes` windows from na on; lanes must be supported.
void fit_window_block(SlopeWork &work, int na, int span, int jz, int lanes, double xbar[],
                      NormalEquations eq[]) {
    if (lanes == 8) {
        fit_eight_windows(work, na, span, jz, xbar, eq);
    } else if (lanes == 4) {
        fit_four_windows(work, na, span, jz, xbar, eq);
    } else {
        fit_two_windows(work, na, span, jz, xbar, eq);
    }
}

}  // namespace

bool fit_local_polynomial(SlopeWork &work, int na, int nb, bool jw, int jz, LocalPolynomial &poly) {
    return jw ? fit_window<true>(work, na, nb, jz, poly)
              : fit_window<false>(work, na, nb, jz, poly);
}

int widest_window_lanes() {
    return lanes_supported(8) ? 8 : (lanes_supported(4) ? 4 : 2);
}

int fit_window_lanes(SlopeWork &work, int first, int span, int jz, int lanes,
                     LocalPolynomial poly[]) {
    if (!lanes_supported(lanes)) return -1;
    double xbar[kMaxWindowLanes];
    NormalEquations eq[kMaxWindowLanes];
    fit_window_block(work, first, span, jz, lanes, xbar, eq);
    int solved = 0;
    for (int lane = 0; lane < lanes; ++lane) {
        poly[lane] = {0.0, 0.0, 0.0, xbar[lane]};
        if (solve_normal_equations(eq[lane], jz, poly[lane])) solved |= 1 << lane;
    }
    return solved;
}

void log_named_value(Log &log, std::string_view name, long long value) {
    std::string line = " Value of ";
    line += name;
    line += " is";
    line += ftn::int_field(value, 10);
    log.both(line);
}

std::string slope_label(int set, int span, int terms) {
    return ftn::pad_right("Data set: " + ftn::int_field(set, 2) + " Span: " +
                              ftn::int_field(span, 3) + " Poly: " + ftn::int_field(terms, 1),
                          80);
}

namespace {

// What the differentiation of one set leaves for the log and for the sets
// after it.
struct SetSlopes {
    bool fitted = false;        // the set had at least one window
    std::vector<int> singular;  // windows whose normal equations were singular, in order
    bool needs_carry = false;   // one of them came before any solved window
    LocalPolynomial last;       // the coefficients after the set's last window
};

// Slopes of one set: `points` are its active points, `poly` holds the
// coefficients of the window fitted before (a singular window falls back
// on them) and ends with those of the set's last window.
void differentiate_set(std::span<ActivePoint> points, SlopeWork &work, int span, int terms,
                       int lanes, LocalPolynomial &poly, SetSlopes &out) {
    const int n = static_cast<int>(points.size());
    out = SetSlopes{};
    for (int m = 1; m <= n; ++m) {
        work.x[m] = points[m - 1].position;
        work.y[m] = points[m - 1].value;
        work.w[m] = 1.0;
    }
    const int half = (span + 1) / 2;
    const int windows = n - span + 1;
    out.fitted = windows >= 1;
    bool any_solved = false;
    auto store = [&](int from, int to) {
        // A single point with a span of one would reach point 0, which
        // belongs to the set before.
        for (int m = std::max(from, 1); m <= std::min(to, n); ++m) {
            ActivePoint &p = points[m - 1];
            p.weight = p.work = polynomial_slope(poly, work.x[m]);
        }
    };
    // Windows are fitted several at a time and then taken in order, so a
    // singular window still falls back on the one just before it.
    auto take_window = [&](int w, bool solved) {
        if (solved) {
            any_solved = true;
        } else {
            if (!any_solved) out.needs_carry = true;
            out.singular.push_back(w);
        }
        // The first window also gives the points before its middle, the
        // last one the points after its middle; a later window overwrites.
        if (w == 1) store(1, half);
        if (w > 1 && w < windows) store(w + half - 1, w + half - 1);
        if (w == windows) store(n - half, n);
    };
    int w = 1;
    for (int block = lanes; block >= 2; block /= 2) {
        for (; w + block - 1 <= windows; w += block) {
            double xbar[kMaxWindowLanes];
            NormalEquations eq[kMaxWindowLanes];
            fit_window_block(work, w, span, terms, block, xbar, eq);
            for (int lane = 0; lane < block; ++lane) {
                poly.a3 = 0.0;
                poly.xbar = xbar[lane];
                take_window(w + lane, solve_normal_equations(eq[lane], terms, poly));
            }
        }
    }
    if (w == windows)
        take_window(w, fit_local_polynomial(work, w, w + span - 1, false, terms, poly));
    out.last = poly;
}

// True when no two of the sets' point ranges overlap, so that the sets can
// be differentiated at the same time.
bool ranges_apart(std::vector<std::pair<int32_t, int32_t>> ranges) {
    std::sort(ranges.begin(), ranges.end());
    for (size_t k = 1; k < ranges.size(); ++k)
        if (ranges[k].first <= ranges[k - 1].second) return false;
    return true;
}

}  // namespace

void prepare_slopes(State &s, Log &log) {
    WorkerGroup workers(fit_thread_count());
    prepare_slopes(s, log, workers);
}

void prepare_slopes(State &s, Log &log, WorkerGroup &workers) {
    const int span = span_in_force(s);
    const int terms = terms_in_force(s);
    const int sets = active_set_count(s);

    // The active store keeps every set inside 1..kMaxPoints; a set that
    // claims otherwise is not touched.
    auto points_of = [&](int k) { return active_set_points(s, k); };
    auto set_span = [&](int k) { return active_set_span(s, k); };
    log.both(ftn::FreeLine() << " Indices of data points for all channels");
    int largest = 0;
    std::vector<std::pair<int32_t, int32_t>> ranges;
    for (int k = 1; k <= sets; ++k) {
        log.both(" Data set:" + ftn::int_field(k, 3) + " from" +
                 ftn::int_field(s.active_start[k], 5) + " to" + ftn::int_field(s.active_end[k], 5) +
                 "    Original Data Set:" + ftn::int_field(s.active_sets[k], 3));
        largest = std::max(largest, points_of(k));
        if (points_of(k) >= span) ranges.emplace_back(s.active_start[k], s.active_end[k]);
    }

    const int lanes = widest_window_lanes();
    std::vector<SlopeWork> works(static_cast<size_t>(workers.workers()));
    std::vector<SetSlopes> slopes(static_cast<size_t>(sets) + 1);
    LocalPolynomial &carry = s.fit.window;
    if (ranges_apart(ranges)) {
        // Each set on its own, not knowing the coefficients that the sets
        // before leave; a set that needs them (a singular window before its
        // first solved one) is done again below, in order, with them.
        auto task = [&](int t, int worker) {
            const int k = t + 1;
            if (points_of(k) < span) return;
            SlopeWork &work = works[static_cast<size_t>(worker)];
            work.size_for(largest);
            LocalPolynomial unknown;
            differentiate_set(set_span(k), work, span, terms, lanes, unknown,
                              slopes[static_cast<size_t>(k)]);
        };
        workers.run(sets, task);
        works[0].size_for(largest);
        for (int k = 1; k <= sets; ++k) {
            SetSlopes &set = slopes[static_cast<size_t>(k)];
            if (!set.fitted) continue;
            if (set.needs_carry) {
                differentiate_set(set_span(k), works[0], span, terms, lanes, carry, set);
            } else {
                carry = set.last;
            }
        }
    } else {
        // Sets that share points: one after the other, as the store says.
        works[0].size_for(largest);
        for (int k = 1; k <= sets; ++k)
            if (points_of(k) >= span)
                differentiate_set(set_span(k), works[0], span, terms, lanes, carry,
                                  slopes[static_cast<size_t>(k)]);
    }

    for (int k = 1; k <= sets; ++k) {
        const SetSlopes &set = slopes[static_cast<size_t>(k)];
        if (points_of(k) < span) {
            log.box(" Not enough data points in this Data Set to use the ");
            log.box("DEFAULT SPAN for fitting!");
            log.box(" You should choose a SMALLER DATA SPAN");
        }
        for (const int w : set.singular) {
            log.file(ftn::FreeLine() << " Determinant vanishes!!!");
            log_named_value(log, "na", w);
            log_named_value(log, "nb", w + span - 1);
            log_named_value(log, "jw", 0);
            log_named_value(log, "jz", terms);
        }
        log.both(" Differentiated data set #" + ftn::int_field(k, 2) + " with span of " +
                 ftn::int_field(span, 3) + " using a polynomial with " + ftn::int_field(terms, 1) +
                 " terms");
        s.fit.slope_labels[k] = slope_label(k, span, terms);
        s.deriv_valid[k] = k;
    }
    s.deriv_valid[0] = sets;
}

}  // namespace quillane
