#include "shots.h"

#include <algorithm>

namespace bench {
namespace {

constexpr double kDegrees45 = 0.78539816339744830962;

Shot sphere(const std::string& name, double speed, double seconds, double framesPerSecond) {
    Shot s{};
    s.name = name;
    s.mass = 2.0f;
    s.gravity = -9.81f;
    s.dragCoefficient = 0.47f;
    s.density = 1.225f;
    s.radius = 0.1f;
    s.vx0 = static_cast<float>(speed * std::cos(kDegrees45));
    s.vy0 = static_cast<float>(speed * std::sin(kDegrees45));
    s.frames = static_cast<int>(std::lround(seconds * framesPerSecond));
    s.framesPerSecond = framesPerSecond;
    return s;
}

// k of the drag force k s^2, in long double from the host's float parameters.
long double dragPerSquaredSpeed(const Shot& shot, bool lumpedDrag) {
    if (lumpedDrag) {
        return static_cast<long double>(LumpedDragModel(shot).lumped());
    }
    const long double pi = 3.141592653589793238462643383279502884L;
    return 0.5L * shot.density * pi * shot.radius * shot.radius * shot.dragCoefficient;
}

}  // namespace

Shot defaultShot(double seconds, double framesPerSecond) {
    return sphere("default shot", 30.0, seconds, framesPerSecond);
}

Shot verticalFall(double seconds, double framesPerSecond) {
    Shot s = sphere("fall from rest", 0.0, seconds, framesPerSecond);
    s.vx0 = 0.0f;
    s.vy0 = 0.0f;
    return s;
}

std::array<float, 50> hostParams(const Shot& shot, bool lumpedDrag) {
    std::array<float, 50> p{};
    p[0] = shot.mass;
    p[1] = shot.gravity;
    p[2] = lumpedDrag ? LumpedDragModel(shot).lumped() : shot.dragCoefficient;
    p[3] = shot.density;
    p[4] = shot.radius;
    return p;
}

double libraryPi() { return std::atan(1.0) * 4.0; }

DragModel::DragModel(const Shot& shot) {
    const double mass = shot.mass;
    const double g = shot.gravity;
    const double cd = shot.dragCoefficient;
    const double rho = shot.density;
    const double r = shot.radius;
    const double pi = libraryPi();
    // The library's model forms (((k * r * r) * Cd) * v) * s: the prefix is a constant.
    dragX = (((-0.5 * rho) * pi) * r * r) * cd;
    dragY = (((0.5 * rho) * pi) * r * r) * cd;
    mg = mass * g;
    m = mass;
}

LumpedDragModel::LumpedDragModel(const Shot& shot) {
    const double pi = libraryPi();
    const double r = shot.radius;
    c = static_cast<float>(0.5 * double(shot.density) * double(shot.dragCoefficient) * pi * r * r);
    m = shot.mass;
    mg = m * double(shot.gravity);
}

State4 fallClosedForm(const Shot& shot, bool lumpedDrag, double t) {
    const long double g = std::fabs(static_cast<long double>(shot.gravity));
    const long double k = dragPerSquaredSpeed(shot, lumpedDrag);
    const long double vt = std::sqrt(shot.mass * g / k);
    const long double u = g * t / vt;
    return State4{0.0, 0.0, static_cast<double>(-(vt * vt / g) * std::log(std::cosh(u))),
                  static_cast<double>(-vt * std::tanh(u))};
}

State4 referenceFlight(const Shot& shot, bool lumpedDrag, double t, int steps) {
    using Vec = std::array<long double, 4>;
    const long double k = dragPerSquaredSpeed(shot, lumpedDrag);
    const long double m = shot.mass;
    const long double g = shot.gravity;
    auto f = [&](const Vec& y) {
        const long double s = std::sqrt(y[1] * y[1] + y[3] * y[3]);
        return Vec{y[1], -(k / m) * y[1] * s, y[3], g - (k / m) * y[3] * s};
    };
    Vec y{0.0L, shot.vx0, 0.0L, shot.vy0};
    const long double h = static_cast<long double>(t) / steps;
    for (int i = 0; i < steps; ++i) {
        const Vec k1 = f(y);
        Vec a;
        for (int j = 0; j < 4; ++j) a[j] = y[j] + 0.5L * h * k1[j];
        const Vec k2 = f(a);
        for (int j = 0; j < 4; ++j) a[j] = y[j] + 0.5L * h * k2[j];
        const Vec k3 = f(a);
        for (int j = 0; j < 4; ++j) a[j] = y[j] + h * k3[j];
        const Vec k4 = f(a);
        for (int j = 0; j < 4; ++j) y[j] += h / 6.0L * (k1[j] + 2.0L * k2[j] + 2.0L * k3[j] + k4[j]);
    }
    return State4{static_cast<double>(y[0]), static_cast<double>(y[1]), static_cast<double>(y[2]),
                  static_cast<double>(y[3])};
}

double errorInTolerances(const State4& y, const State4& exact, double tolerance) {
    double worst = 0.0;
    for (int i = 0; i < 4; ++i) {
        worst = std::max(worst, std::fabs(y[i] - exact[i]) / (tolerance * (std::fabs(exact[i]) + 1.0)));
    }
    return worst;
}

}  // namespace bench
