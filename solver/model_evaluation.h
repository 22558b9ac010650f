// One evaluation of the selected model for an n-equation system.
#ifndef SKELVANE_MODEL_EVALUATION_H
#define SKELVANE_MODEL_EVALUATION_H

#include <cstdint>

#include "projectile_models.h"

namespace skelvane {

// The drivers rely on the model filling the derivative completely. The projectile model writes
// entries 0 to 3 only, so the entries past them get a zero derivative and stay constant
// (stale values there would act as derivatives and make those entries drift).
template <typename Real, typename Model>
void evaluateModel(Model model, Real t, const Real* y, Real* yp, int32_t n) {
    model(t, y, yp);
    for (int32_t k = kProjectileEquationCount; k < n; ++k) {
        yp[k] = 0;
    }
}

}  // namespace skelvane

#endif
