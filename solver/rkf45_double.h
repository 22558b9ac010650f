// The double-precision RKF45 driver, reached by the host only through advanceSimDouble.
#ifndef SKELVANE_RKF45_DOUBLE_H
#define SKELVANE_RKF45_DOUBLE_H

#include <cstdint>

#include "rkf45_saved_state.h"

namespace skelvane {

// Load values at library load; written only by r8_rkf45.
extern Rkf45SavedStateDouble r8SavedState;

// Advances y, yp and *t towards tout through SimState's rhsDouble; returns the flag code.
int32_t r8_rkf45(int32_t n, double* y, double* yp, double* t, double tout, double* relerr,
                 double abserr, int32_t flag);

}  // namespace skelvane

#endif
