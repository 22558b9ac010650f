// What an RKF45 driver keeps between calls, so that a sequence of calls forms one integration.
// The load values mark a driver that has never been started.
#ifndef SKELVANE_RKF45_SAVED_STATE_H
#define SKELVANE_RKF45_SAVED_STATE_H

#include <cstdint>

namespace skelvane {

template <typename Real>
struct Rkf45SavedState {
    int32_t resumeFlag = -1000;   // flag with which continuation codes resume
    int32_t lastOutcome = -1000;  // 0, or 3, 4 or 6 when the latest passing call ended so
    int32_t startStage = -1000;   // 0: start made, initial step still to choose; 1: chosen
    int32_t crowdedCount = -1;    // calls with |h| >= 2|dt| since the last start or 7
    int32_t evalCount = -1;       // model evaluations since the last start or budget reset
    Real stepSize = -1;           // signed step size h
    Real savedRelerr = -1;        // relerr of the latest passing call, before any raise
    Real savedAbserr = -1;        // abserr of that call
};

using Rkf45SavedStateDouble = Rkf45SavedState<double>;
using Rkf45SavedStateFloat = Rkf45SavedState<float>;

}  // namespace skelvane

#endif
