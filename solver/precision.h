// The precision rule shared by both drivers and the models: arithmetic inside one expression is
// carried out in double, and every value that is stored or passed is rounded once to the
// precision it is stored in. For double storage the rounding is the identity.
#ifndef SKELVANE_PRECISION_H
#define SKELVANE_PRECISION_H

#include <cfloat>

// x87 code keeps intermediates in 80-bit registers and may skip the rounding of a cast; the
// bit-exact single-precision results need every float and double to round where it is stored.
// Build 32-bit x86 with SSE2 arithmetic (-msse2 -mfpmath=sse).
static_assert(FLT_EVAL_METHOD == 0,
              "floating-point expressions must evaluate in their own type (use SSE2 math)");

namespace skelvane {

// The value as stored in Real: x rounded once to Real's precision.
template <typename Real>
constexpr Real stored(double x) {
    return static_cast<Real>(x);
}

}  // namespace skelvane

#endif
