// The library's one simulation record, shared by the exports, the models and both drivers.
#ifndef SKELVANE_SIM_STATE_H
#define SKELVANE_SIM_STATE_H

#include <cstdint>

#include "projectile_models.h"

namespace skelvane {

struct SimState {
    static constexpr int32_t kCapacity = 100;   // entries of y and yp
    static constexpr int32_t kParamCount = 50;  // entries of params

    int32_t neqn;
    double y[kCapacity];
    double yp[kCapacity];
    double t;
    double relerr;
    double abserr;
    int32_t flag;
    float params[kParamCount];
    RhsFunctionDouble rhsDouble;
    RhsFunctionFloat rhsFloat;
};

// Zero (empty model pointers) at load.
extern SimState simState;

// An equation count as an index bound into SimState's vectors: 0 to kCapacity.
inline int32_t clampedEquationCount(int32_t count) {
    if (count < 0) {
        return 0;
    }
    return count > SimState::kCapacity ? SimState::kCapacity : count;
}

}  // namespace skelvane

#endif
