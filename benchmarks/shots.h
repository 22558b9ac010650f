// The flights every method is measured on, the projectile model written out for the peers and the
// bound, and the independent answers (closed form, long-double reference) that errors are taken
// against.
#ifndef BENCH_SHOTS_H
#define BENCH_SHOTS_H

#include <array>
#include <cmath>
#include <cstdint>
#include <string>

namespace bench {

using State4 = std::array<double, 4>;  // x, vx, y, vy

// One host frame, as the game passes it: 1/60 s rounded to float.
constexpr float kFrameSeconds = static_cast<float>(1.0 / 60.0);

struct Shot {
    std::string name;
    // The host's single-precision parameters: mass, acceleration along +y, Cd, density, radius.
    float mass, gravity, dragCoefficient, density, radius;
    float vx0, vy0;  // initial velocity as the host passes it (float)
    int frames;      // number of frames flown
    double framesPerSecond;  // 60 for the host's frames
    // One frame as the host passes it: 1 / framesPerSecond rounded to float.
    float frameSeconds() const { return static_cast<float>(1.0 / framesPerSecond); }
};

// The demo's default shot: 2 kg sphere of radius 0.1 m, 30 m/s at 45 degrees.
Shot defaultShot(double seconds, double framesPerSecond = 60.0);
// The same sphere let go from rest: the closed form below applies.
Shot verticalFall(double seconds, double framesPerSecond = 60.0);

// The params array handed to selectRHS / updateParams (50 floats).
std::array<float, 50> hostParams(const Shot& shot, bool lumpedDrag);

// atan(1) * 4, as the library forms it.
double libraryPi();

// The double-precision model with its parameter products taken once: the same operations in the
// same order as the library's model, so the same bits, without re-reading and widening the
// parameters on every evaluation.
struct DragModel {
    double dragX, dragY, mg, m;
    explicit DragModel(const Shot& shot);
    void operator()(const double* y, double* yp) const {
        const double vx = y[1];
        const double vy = y[3];
        const double s = std::sqrt(vx * vx + vy * vy);
        yp[0] = vx;
        yp[1] = ((dragX * vx) * s) / m;
        yp[2] = vy;
        yp[3] = (mg - (dragY * vy) * s) / m;
    }
};

// The single-precision model with the lumped coefficient c = rho Cd pi r^2 / 2 (rounded to float):
// every intermediate rounded to float, as the library's float model does.
struct LumpedDragModel {
    double c, mg, m;
    explicit LumpedDragModel(const Shot& shot);
    float lumped() const { return static_cast<float>(c); }
    void operator()(const float* y, float* yp) const {
        const float vx = y[1];
        const float vy = y[3];
        const float vx2 = static_cast<float>(double(vx) * vx);
        const float vy2 = static_cast<float>(double(vy) * vy);
        const float s2 = static_cast<float>(double(vx2) + vy2);
        const float s = static_cast<float>(std::sqrt(double(s2)));
        const float fx = static_cast<float>(-c * vx * s);
        const float fy = static_cast<float>(mg - c * vy * s);
        yp[0] = vx;
        yp[1] = static_cast<float>(fx / m);
        yp[2] = vy;
        yp[3] = static_cast<float>(fy / m);
    }
};

// Fall from rest under quadratic drag, closed form (long double):
//   v(t) = -vt tanh(|g| t / vt),  y(t) = -(vt^2 / |g|) ln cosh(|g| t / vt),  vt = sqrt(m |g| / k).
// k is the drag force per squared speed: rho Cd pi r^2 / 2 (double model) or c (lumped model).
State4 fallClosedForm(const Shot& shot, bool lumpedDrag, double t);

// A reference for any shot, independent of every method measured: classical fourth-order
// Runge-Kutta in long double with `steps` equal steps to t (error ~ steps^-4).
State4 referenceFlight(const Shot& shot, bool lumpedDrag, double t, int steps);

// The global error in units of the tolerance: max over the components of
// |y - exact| / (tolerance (|exact| + 1)), the mixed measure every method is asked to keep.
double errorInTolerances(const State4& y, const State4& exact, double tolerance);

}  // namespace bench

#endif
