// The single-precision driver on host arrays, and the machine-epsilon probes.
#include "machine_epsilon.h"
#include "platform/float_environment.h"
#include "rkf45_driver.h"
#include "rkf45_float.h"
#include "skelvane.h"

extern "C" {

SKELVANE_API int32_t SKELVANE_CALL r4_rkf45(int32_t n, float* y, float* yp, float* t, float tout,
                                            float* relerr, float abserr, int32_t flag) {
    skelvane::FloatEnvironmentScope fpScope;
    return skelvane::rkf45Drive(skelvane::r4SavedState, n, y, yp, t, tout, relerr, abserr, flag);
}

SKELVANE_API float SKELVANE_CALL calcEpsilon(void) {
    skelvane::FloatEnvironmentScope fpScope;
    return skelvane::r4_machine_epsilon();
}

SKELVANE_API double SKELVANE_CALL calcEpsilonDouble(void) {
    skelvane::FloatEnvironmentScope fpScope;
    return skelvane::r8_machine_epsilon();
}

}  // extern "C"
