// The single-precision RKF45 driver's saved state; the driver itself is the export r4_rkf45.
#ifndef SKELVANE_RKF45_FLOAT_H
#define SKELVANE_RKF45_FLOAT_H

#include "rkf45_saved_state.h"

namespace skelvane {

// Load values at library load; written only by r4_rkf45, independent of the double driver's.
extern Rkf45SavedStateFloat r4SavedState;

}  // namespace skelvane

#endif
