// SPDX-License-Identifier: MIT
#include "fit_fstat.h"

#include <cmath>

#include "ftn_format.h"
#include "log.h"

namespace quillane {

double normal_quantile(double P) {
    const double p = 1.0 - P;
    const double t = std::sqrt(std::log(1.0 / (p * p)));
    return t - (2.515517 + 0.802853 * t + 0.010328 * t * t) /
                   (1.0 + 1.432788 * t + 0.189269 * t * t + 0.001308 * t * t * t);
}

double paulson_z(double F, double n, double m) {
    const double c = std::exp(std::log(F) / 3.0);
    const double an = 0.2222222222222222 / n;  // 2/9 per degree of freedom
    const double am = 0.2222222222222222 / m;
    return ((1.0 - am) * c - (1.0 - an)) / std::sqrt(an + c * c * am);
}

namespace {

double fail(std::string *message, std::string text) {
    if (message != nullptr) *message = std::move(text);
    return 0.0;
}

}  // namespace

bool fstat_arguments_ok(int n, int m, double P, std::string *message) {
    if (message != nullptr) message->clear();
    std::string why;
    if (!(P > 0.5)) {
        why = " FSTAT-E P must be > 0.5; P = " + ftn::sci(P, 12, 4, 'D', 0);
    } else if (!(P < 1.0)) {
        // P = 1 asks for an infinite quantile; the approximation would give NaN.
        why = " FSTAT-E P must be < 1.0; P = " + ftn::sci(P, 12, 4, 'D', 0);
    } else if (n <= 0) {
        why = (ftn::FreeLine() << " FSTAT-F  n must be greater than zero" << n).str();
    } else if (m <= 0) {
        why = (ftn::FreeLine() << " FSTAT-F m must be greater than zero" << m).str();
    } else {
        return true;
    }
    fail(message, std::move(why));
    return false;
}

double fstat(int n, int m, double P, std::string *message) {
    if (!fstat_arguments_ok(n, m, P, message)) return 0.0;
    const double x = normal_quantile(P);

    if (n >= 5 && m >= 5) {
        const double g1 = 1.0 / (n - 1);
        const double g2 = 1.0 / (m - 1);
        const double h = 2.0 / (g1 + g2);
        const double lambda = (x * x - 3.0) / 6.0;
        // The two constants are kept as they have always been stored; they
        // are close to, not exactly, 5/6 and 2/3.
        const double w =
            x * std::sqrt(h + lambda) / h - (g1 - g2) * (lambda + 0.8333333333 - 0.66666667 / h);
        return std::exp(2.0 * w);
    }

    const double tolerance = static_cast<float>(1.0e-4);
    const double dn = n;
    const double dm = m;
    double lo = 1.0;
    double hi = 1.0;
    for (;;) {
        hi = 2.0 * hi;
        if (hi > kFstatSearchLimit)
            return fail(message, " FSTAT-E no F value up to " + ftn::sci(kFstatSearchLimit, 10, 3) +
                                     " reaches the confidence level; F set to 0");
        const double z = paulson_z(hi, dn, dm);
        if (std::fabs(z - x) < tolerance) return hi;
        if (z > x) break;
        lo = hi;
    }
    for (;;) {
        const double mid = (lo + hi) / 2.0;
        const double z = paulson_z(mid, dn, dm);
        if (std::fabs(lo - hi) < tolerance) return mid;
        if (z > x)
            hi = mid;
        else
            lo = mid;
    }
}

double FSTAT(State &s, int n, int m, double P) {
    std::string message;
    const double f = fstat(n, m, P, &message);
    if (!message.empty()) Log::post_log_line(s, message);
    return f;
}

}  // namespace quillane
