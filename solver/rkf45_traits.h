// Everything in which the single- and double-precision RKF45 drivers differ, in one place.
// The driver body (rkf45_driver.h) is written once against these traits.
#ifndef SKELVANE_RKF45_TRAITS_H
#define SKELVANE_RKF45_TRAITS_H

#include <cstddef>
#include <cstdlib>
#include <new>

#include "machine_epsilon.h"
#include "precision.h"
#include "projectile_models.h"
#include "scalar_helpers.h"
#include "sim_state.h"

namespace skelvane {

template <typename Real>
struct Rkf45Traits;

template <>
struct Rkf45Traits<double> {
    using Model = RhsFunctionDouble;
    static Model model() { return simState.rhsDouble; }

    // 2^-52, measured on the first call only: the loop costs more than the rest of a short call.
    static double machineEpsilon() {
        static const double eps = r8_machine_epsilon();
        return eps;
    }
    static constexpr double relerrFloorTerm = 1e-12;
    static constexpr double smallestShrinkFactor = 0.1;
    static constexpr double largestGrowthFactor = 5.0;
    // pow(q, 0.2) enters the step factor 0.9 / pow(q, 0.2) as it is.
    static double powResult(double p) { return p; }

    static constexpr double (*abs)(double) = r8_abs;
    static constexpr double (*sign)(double) = r8_sign;
    static constexpr double (*max)(double, double) = r8_max;
    static constexpr double (*min)(double, double) = r8_min;

    // Work arrays come from malloc; every element is written before it is read.
    static double* allocateWork(std::size_t count) {
        return static_cast<double*>(std::malloc(count * sizeof(double)));
    }
    static void releaseWork(double* block) { std::free(block); }
};

template <>
struct Rkf45Traits<float> {
    using Model = RhsFunctionFloat;
    static Model model() { return simState.rhsFloat; }

    // 2^-23, measured on the first call only.
    static float machineEpsilon() {
        static const float eps = r4_machine_epsilon();
        return eps;
    }
    static constexpr float relerrFloorTerm = 1e-12f;  // 9.99999996e-13
    static constexpr float smallestShrinkFactor = 0.1f;
    static constexpr float largestGrowthFactor = 5.0f;
    // pow(q, 0.2) is rounded to float before 0.9 is divided by it.
    static double powResult(double p) { return stored<float>(p); }

    static constexpr float (*abs)(float) = r4_abs;
    static constexpr float (*sign)(float) = r4_sign;
    static constexpr float (*max)(float, float) = r4_max;
    static constexpr float (*min)(float, float) = r4_min;

    // Work arrays come from array new, zero-initialised, so no path can ever read an unset
    // element (a host's arrays decide what the model sees).
    static float* allocateWork(std::size_t count) { return new (std::nothrow) float[count](); }
    static void releaseWork(float* block) { delete[] block; }
};

}  // namespace skelvane

#endif
