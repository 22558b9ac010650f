// The simulation exports: the host's view of SimState.
#include <cmath>

#include "model_evaluation.h"
#include "platform/float_environment.h"
#include "rkf45_double.h"
#include "sim_state.h"
#include "skelvane.h"
#include "trace_file.h"

using skelvane::clampedEquationCount;
using skelvane::FloatEnvironmentScope;
using skelvane::SimState;
using skelvane::simState;

namespace {

constexpr int32_t kProjectileModelCode = 1;
constexpr int32_t kInitialValueCount = 20;

void copyParams(const float* parameters) {
    if (parameters == nullptr) {
        return;
    }
    for (int32_t i = 0; i < SimState::kParamCount; ++i) {
        simState.params[i] = parameters[i];
    }
}

}  // namespace

extern "C" {

SKELVANE_API void SKELVANE_CALL selectRHS(int32_t modelCode, int32_t equationCount,
                                          const float* parameters) {
    FloatEnvironmentScope fpScope;
    simState.neqn = equationCount;
    if (modelCode == kProjectileModelCode) {
        simState.rhsFloat = skelvane::projectileRhsFloat;
        simState.rhsDouble = skelvane::projectileRhsDouble;
    }
    copyParams(parameters);
    for (int32_t i = 0; i < clampedEquationCount(equationCount); ++i) {
        simState.y[i] = 0.0;
        simState.yp[i] = 0.0;
    }
    skelvane::writeParameterBlock();
}

SKELVANE_API int32_t SKELVANE_CALL initSimDouble(int32_t equationCount, int32_t power,
                                                 const float* initialValues) {
    FloatEnvironmentScope fpScope;
    if (initialValues != nullptr) {
        for (int32_t i = 0; i < kInitialValueCount; ++i) {
            simState.y[i] = initialValues[i];
        }
    }
    simState.neqn = equationCount;
    simState.abserr = std::pow(10.0, double(power));
    simState.relerr = simState.abserr;
    skelvane::writeInitialisationBlock();
    simState.t = 0.0;
    simState.flag = 1;
    if (simState.rhsDouble != nullptr) {
        skelvane::evaluateModel(simState.rhsDouble, simState.t, simState.y, simState.yp,
                                clampedEquationCount(simState.neqn));
    }
    return simState.flag;
}

SKELVANE_API void SKELVANE_CALL setRKF_ICs(int32_t count, const float* values) {
    FloatEnvironmentScope fpScope;
    if (values == nullptr) {
        return;
    }
    for (int32_t i = 0; i < clampedEquationCount(count); ++i) {
        simState.y[i] = values[i];
    }
}

SKELVANE_API int32_t SKELVANE_CALL advanceSimDouble(float dt) {
    FloatEnvironmentScope fpScope;
    const double tout = simState.t + double(dt);
    const int32_t result = skelvane::r8_rkf45(
        clampedEquationCount(simState.neqn), simState.y, simState.yp, &simState.t, tout,
        &simState.relerr, simState.abserr, simState.flag);
    // 4 and 7 reach the host, but the next advance simply continues.
    simState.flag = (result == 4 || result == 7) ? 2 : result;
    return result;
}

SKELVANE_API void SKELVANE_CALL getSimStateDouble(float* time, float* state) {
    FloatEnvironmentScope fpScope;
    if (time != nullptr) {
        *time = static_cast<float>(simState.t);
    }
    if (state != nullptr) {
        // The bound is taken once: called in the condition it is a call per entry per frame.
        const int32_t count = clampedEquationCount(simState.neqn);
        for (int32_t i = 0; i < count; ++i) {
            state[i] = static_cast<float>(simState.y[i]);
        }
    }
}

SKELVANE_API void SKELVANE_CALL setSolverFlag(int32_t flag) { simState.flag = flag; }

SKELVANE_API void SKELVANE_CALL updateParams(const float* parameters) { copyParams(parameters); }

SKELVANE_API void SKELVANE_CALL dump_u_dudt(void) {
    FloatEnvironmentScope fpScope;
    skelvane::writeDumpBlock();
}

}  // extern "C"
