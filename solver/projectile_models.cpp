#include "projectile_models.h"

#include <cmath>

#include "platform/float_environment.h"
#include "precision.h"
#include "sim_state.h"

namespace skelvane {

// Computed at load in the library's own floating-point mode: a host that loads the library
// with the x87 unit at 24-bit precision must still get the double nearest pi.
const double PI = [] {
    const FloatEnvironmentScope fpScope;
    return std::atan(1.0) * 4.0;
}();

void projectileRhsDouble(double /*t*/, const double* y, double* yp) {
    const double m = simState.params[0];
    const double g = simState.params[1];
    const double cd = simState.params[2];
    const double rho = simState.params[3];
    const double r = simState.params[4];
    const double vx = y[1];
    const double vy = y[3];
    const double s = std::sqrt(vx * vx + vy * vy);
    // The grouping below is the model's definition: it matters to the last bit.
    const double kx = (-0.5 * rho) * PI;
    const double fx = (((kx * r * r) * cd) * vx) * s;
    const double ky = (0.5 * rho) * PI;
    const double fy = m * g - (((ky * r * r) * cd) * vy) * s;
    yp[0] = vx;
    yp[1] = fx / m;
    yp[2] = vy;
    yp[3] = fy / m;
}

void projectileRhsFloat(float /*t*/, const float* y, float* yp) {
    const double m = simState.params[0];
    const double g = simState.params[1];
    const double c = simState.params[2];
    const float vx = y[1];
    const float vy = y[3];
    const float vx2 = stored<float>(double(vx) * vx);
    const float vy2 = stored<float>(double(vy) * vy);
    const float s2 = stored<float>(double(vx2) + vy2);
    const float s = stored<float>(std::sqrt(double(s2)));
    const float fx = stored<float>(-c * vx * s);
    const float fy = stored<float>(m * g - c * vy * s);
    yp[0] = vx;
    yp[1] = stored<float>(fx / m);
    yp[2] = vy;
    yp[3] = stored<float>(fy / m);
}

}  // namespace skelvane
