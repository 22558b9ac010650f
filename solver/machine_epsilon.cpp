#include "machine_epsilon.h"

namespace skelvane {
namespace {

// Stored through a volatile so that the sum is really rounded to Real before it is compared,
// whatever precision the compiler keeps in registers (x87 would otherwise give 2^-63).
template <typename Real>
Real roundedThroughMemory(double x) {
    volatile Real rounded = static_cast<Real>(x);
    return rounded;
}

template <typename Real>
Real measureMachineEpsilon() {
    Real r = 1;
    while (roundedThroughMemory<Real>(1.0 + double(r)) > Real(1)) {
        r = roundedThroughMemory<Real>(double(r) / 2.0);
    }
    return roundedThroughMemory<Real>(2.0 * double(r));
}

}  // namespace

float r4_machine_epsilon() { return measureMachineEpsilon<float>(); }

double r8_machine_epsilon() { return measureMachineEpsilon<double>(); }

}  // namespace skelvane
