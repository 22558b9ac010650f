// One Runge-Kutta-Fehlberg 4(5) step: five model evaluations, the fifth-order candidate in S.
#ifndef SKELVANE_FEHLBERG_STEP_H
#define SKELVANE_FEHLBERG_STEP_H

#include <cstdint>

#include "model_evaluation.h"
#include "precision.h"
#include "projectile_models.h"

namespace skelvane {

// Stage arrays are written in a fixed order: F5 holds each stage state until stage 5, which
// overwrites F1 component by component (each F1[k] read before written); the result row does
// not read F1, so S may be F1. Afterwards F2..F5 hold the stage derivatives k3..k6.
// Every coefficient product and every stage time is formed in double and stored once in Real.
// FixedN > 0 compiles the step for exactly that many equations (n is then ignored).
template <int32_t FixedN, typename Real, typename Model>
void fehlbergStep(Model model, int32_t n, const Real* y, Real t, Real h, const Real* yp, Real* f1,
                  Real* f2, Real* f3, Real* f4, Real* f5, Real* s) {
    if constexpr (FixedN > 0) {
        n = FixedN;
    }
    const double td = t;
    const double hd = h;

    double c = stored<Real>(hd / 4.0);
    for (int32_t k = 0; k < n; ++k) {
        f5[k] = stored<Real>(y[k] + c * yp[k]);
    }
    evaluateModel(model, stored<Real>(td + c), f5, f1, n);

    c = stored<Real>((3.0 * hd) / 32.0);
    for (int32_t k = 0; k < n; ++k) {
        f5[k] = stored<Real>(y[k] + c * (yp[k] + 3.0 * f1[k]));
    }
    evaluateModel(model, stored<Real>(td + (3.0 * hd) / 8.0), f5, f2, n);

    c = stored<Real>(hd / 2197.0);
    for (int32_t k = 0; k < n; ++k) {
        f5[k] = stored<Real>(y[k] + c * (1932.0 * yp[k] + (7296.0 * f2[k] - 7200.0 * f1[k])));
    }
    evaluateModel(model, stored<Real>(td + (12.0 * hd) / 13.0), f5, f3, n);

    c = stored<Real>(hd / 4104.0);
    for (int32_t k = 0; k < n; ++k) {
        f5[k] = stored<Real>(
            y[k] + c * ((8341.0 * yp[k] - 845.0 * f3[k]) + (29440.0 * f2[k] - 32832.0 * f1[k])));
    }
    evaluateModel(model, stored<Real>(td + hd), f5, f4, n);

    c = stored<Real>(hd / 20520.0);
    for (int32_t k = 0; k < n; ++k) {
        f1[k] = stored<Real>(y[k] + c * ((-6080.0 * yp[k] + (9295.0 * f3[k] - 5643.0 * f4[k])) +
                                         (41040.0 * f1[k] - 28352.0 * f2[k])));
    }
    evaluateModel(model, stored<Real>(td + hd / 2.0), f1, f5, n);

    c = stored<Real>(hd / 7618050.0);
    for (int32_t k = 0; k < n; ++k) {
        s[k] = stored<Real>(
            y[k] + c * ((902880.0 * yp[k] + (3855735.0 * f3[k] - 1371249.0 * f4[k])) +
                        (3953664.0 * f2[k] + 277020.0 * f5[k])));
    }
}

inline void r8_fehlberg_step(RhsFunctionDouble model, int32_t n, const double* y, double t,
                             double h, const double* yp, double* f1, double* f2, double* f3,
                             double* f4, double* f5, double* s) {
    fehlbergStep<0>(model, n, y, t, h, yp, f1, f2, f3, f4, f5, s);
}

inline void r4_fehlberg_step(RhsFunctionFloat model, int32_t n, const float* y, float t, float h,
                             const float* yp, float* f1, float* f2, float* f3, float* f4,
                             float* f5, float* s) {
    fehlbergStep<0>(model, n, y, t, h, yp, f1, f2, f3, f4, f5, s);
}

}  // namespace skelvane

#endif
