// SPDX-License-Identifier: MIT
#include "fit_fquantile.h"

#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <exception>

#include "fit_fstat.h"

namespace quillane {

double fstat_exact(int n, int m, double P, std::string *message) {
    if (!fstat_arguments_ok(n, m, P, message)) return 0.0;
    try {
        const boost::math::fisher_f_distribution<double> f(n, m);
        // The complement keeps the accuracy of a small upper tail 1 - P.
        return boost::math::quantile(boost::math::complement(f, 1.0 - P));
    } catch (const std::exception &e) {
        if (message != nullptr)
            *message = std::string(" FSTAT-E no exact F quantile: ") + e.what() + "; F set to 0";
        return 0.0;
    }
}

double critical_f(const State &s, int n, int m, double P, std::string *message) {
    return s.exact_f ? fstat_exact(n, m, P, message) : fstat(n, m, P, message);
}

double student_t_two_sided(int dof, double confidence) {
    if (dof < 1 || !(confidence > 0.0) || !(confidence < 1.0)) return 0.0;
    try {
        const boost::math::students_t_distribution<double> t(dof);
        return boost::math::quantile(boost::math::complement(t, (1.0 - confidence) / 2.0));
    } catch (const std::exception &) {
        return 0.0;
    }
}

}  // namespace quillane
