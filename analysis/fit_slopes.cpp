#include "fit_slopes.h"

#include <algorithm>

#include "ftn_format.h"

namespace quillane {

void SlopeWork::size_for(int points) {
    const size_t n = static_cast<size_t>(std::max(points, 0)) + 1;
    if (x.size() >= n) return;
    for (auto *a : {&x, &y, &w, &wu, &u, &c2, &c3, &v})
        a->assign(n, 0.0);
    for (auto *a : {&pair_u, &pair_u2, &pair_u3})
        a->assign(2 * n, 0.0);
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

// Two neighbouring windows with unit weights at once: windows na..na+L-1
// and na+1..na+L share the same loop, one in each lane of a vector of two
// doubles.  Every lane does exactly the operations of fit_window<false> in
// the same order, so the sums, and the coefficients, are the same to the
// last bit; the two independent sums per vector only let the processor
// overlap them.
// Alignment 8, so the lanes may start at any element of a work array.
typedef double Lanes __attribute__((vector_size(16), aligned(8)));

Lanes load_lanes(const double *p) {
    Lanes v;
    __builtin_memcpy(&v, p, sizeof v);
    return v;
}

void fit_two_windows(SlopeWork &work, int na, int span, int jz, double xbar[2],
                     NormalEquations eq[2]) {
    const double count = span;
    const Lanes one = {1.0, 1.0};
    Lanes sw = {0.0, 0.0}, sx = sw, sy = sw;
    for (int t = 0; t < span; ++t) {
        sw += one;
        sx += one * load_lanes(&work.x[na + t]);
        sy += one * load_lanes(&work.y[na + t]);
    }
    const Lanes mx = sx / sw;
    const Lanes my = sy / sw;

    Lanes *u = reinterpret_cast<Lanes *>(work.pair_u.data());
    Lanes *u2 = reinterpret_cast<Lanes *>(work.pair_u2.data());
    Lanes *u3 = reinterpret_cast<Lanes *>(work.pair_u3.data());
    Lanes s2 = {0.0, 0.0}, s3 = s2;
    for (int t = 0; t < span; ++t) {
        const Lanes d = load_lanes(&work.x[na + t]) - mx;
        const Lanes d2 = d * d;
        u[t] = d;
        u2[t] = d2;
        if (jz >= 2) s2 += one * d2;
        if (jz == 3) {
            u3[t] = d2 * d;
            s3 += one * u3[t];
        }
    }
    const Lanes zero = {0.0, 0.0};
    const Lanes m2 = jz >= 2 ? s2 / sw : zero;
    const Lanes m3 = jz == 3 ? s3 / sw : zero;

    Lanes s11 = zero, s12 = zero, s13 = zero, s23 = zero, b1 = zero, b2 = zero, b3 = zero;
    Lanes s22 = jz == 1 ? one : zero;
    Lanes s33 = jz != 3 ? one : zero;
    const Lanes wk = one / sw * count;
    for (int t = 0; t < span; ++t) {
        const Lanes v = load_lanes(&work.y[na + t]) - my;
        const Lanes c2 = u2[t] - m2;
        s11 += wk * u[t] * u[t];
        b1 += wk * u[t] * v;
        if (jz != 1) {
            s12 += wk * u[t] * c2;
            s22 += wk * c2 * c2;
            b2 += wk * c2 * v;
        }
        if (jz == 3) {
            const Lanes c3 = u3[t] - m3;
            s13 += wk * u[t] * c3;
            s23 += wk * c2 * c3;
            s33 += wk * c3 * c3;
            b3 += wk * c3 * v;
        }
    }
    for (int lane = 0; lane < 2; ++lane) {
        xbar[lane] = mx[lane];
        eq[lane] = {s11[lane], s12[lane], s13[lane], s22[lane], s23[lane],
                    s33[lane], b1[lane],  b2[lane],  b3[lane]};
    }
}

}  // namespace

bool fit_local_polynomial(SlopeWork &work, int na, int nb, bool jw, int jz, LocalPolynomial &poly) {
    return jw ? fit_window<true>(work, na, nb, jz, poly)
              : fit_window<false>(work, na, nb, jz, poly);
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

// Slopes of one set whose points are active points first..first+n-1.
void differentiate_set(State &s, Log &log, SlopeWork &work, int32_t first, int n, int span,
                       int terms) {
    for (int m = 1; m <= n; ++m) {
        const ActivePoint &p = s.active_points[first - 1 + m];
        work.x[m] = p.position;
        work.y[m] = p.value;
        work.w[m] = 1.0;
    }
    const int half = (span + 1) / 2;
    const int windows = n - span + 1;
    LocalPolynomial &poly = s.fit.window;
    auto store = [&](int from, int to) {
        // A single point with a span of one would reach point 0, which
        // belongs to the set before.
        for (int m = std::max(from, 1); m <= std::min(to, n); ++m) {
            ActivePoint &p = s.active_points[first - 1 + m];
            p.weight = p.work = polynomial_slope(poly, work.x[m]);
        }
    };
    // Windows are fitted two at a time and then taken in order, so a
    // singular window still falls back on the one just before it.
    auto take_window = [&](int w, bool solved) {
        if (!solved) {
            log.file(ftn::FreeLine() << " Determinant vanishes!!!");
            log_named_value(log, "na", w);
            log_named_value(log, "nb", w + span - 1);
            log_named_value(log, "jw", 0);
            log_named_value(log, "jz", terms);
        }
        // The first window also gives the points before its middle, the
        // last one the points after its middle; a later window overwrites.
        if (w == 1) store(1, half);
        if (w > 1 && w < windows) store(w + half - 1, w + half - 1);
        if (w == windows) store(n - half, n);
    };
    int w = 1;
    for (; w + 1 <= windows; w += 2) {
        double xbar[2];
        NormalEquations eq[2];
        fit_two_windows(work, w, span, terms, xbar, eq);
        for (int lane = 0; lane < 2; ++lane) {
            poly.a3 = 0.0;
            poly.xbar = xbar[lane];
            take_window(w + lane, solve_normal_equations(eq[lane], terms, poly));
        }
    }
    if (w == windows)
        take_window(w, fit_local_polynomial(work, w, w + span - 1, false, terms, poly));
}

}  // namespace

void prepare_slopes(State &s, Log &log) {
    // The option setter keeps span and degree in range; the state may still
    // be set directly, and a span below one point fits nothing.
    const int span = std::max(s.differ_span, 1);
    const int terms = std::clamp(s.differ_terms, 1, 3);
    const int sets = active_set_count(s);

    // The active store keeps every set inside 1..kMaxPoints; a set that
    // claims otherwise is not touched.
    auto points_of = [&](int k) {
        if (s.active_start[k] < 1 || s.active_end[k] > kMaxPoints) return 0;
        return std::max(s.active_end[k] - s.active_start[k] + 1, 0);
    };
    log.both(ftn::FreeLine() << " Indices of data points for all channels");
    int largest = 0;
    for (int k = 1; k <= sets; ++k) {
        log.both(" Data set:" + ftn::int_field(k, 3) + " from" +
                 ftn::int_field(s.active_start[k], 5) + " to" + ftn::int_field(s.active_end[k], 5) +
                 "    Original Data Set:" + ftn::int_field(s.active_sets[k], 3));
        largest = std::max(largest, points_of(k));
    }

    SlopeWork work;
    work.size_for(largest);
    for (int k = 1; k <= sets; ++k) {
        const int32_t first = s.active_start[k];
        const int n = points_of(k);
        if (n < span) {
            log.box(" Not enough data points in this Data Set to use the ");
            log.box("DEFAULT SPAN for fitting!");
            log.box(" You should choose a SMALLER DATA SPAN");
        } else {
            differentiate_set(s, log, work, first, n, span, terms);
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
