// The projectile model: a point mass in a plane under a constant acceleration along +y and a
// drag force proportional to the squared speed, opposite to the velocity.
// State layout, both precisions: 0 x, 1 vx, 2 y, 3 vy. Derivatives: vx, ax, vy, ay.
#ifndef SKELVANE_PROJECTILE_MODELS_H
#define SKELVANE_PROJECTILE_MODELS_H

#include <cstdint>

namespace skelvane {

// Model signature: time, read-only state, derivative vector that the model fills.
using RhsFunctionDouble = void (*)(double t, const double* y, double* yp);
using RhsFunctionFloat = void (*)(float t, const float* y, float* yp);

// Entries of the state that the projectile models read and of the derivative that they write.
constexpr int32_t kProjectileEquationCount = 4;

// atan(1.0) * 4.0, computed at load.
extern const double PI;

// Drag from density params[3], coefficient params[2] and a sphere of radius params[4];
// all arithmetic in double.
void projectileRhsDouble(double t, const double* y, double* yp);

// Drag from the lumped coefficient params[2]; every intermediate stored in single precision.
void projectileRhsFloat(float t, const float* y, float* yp);

}  // namespace skelvane

#endif
