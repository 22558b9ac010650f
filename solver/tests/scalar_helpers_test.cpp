// The drivers' scalar routines at ties, signed zeros and non-numbers, the measured machine
// epsilon, and the Fehlberg step on right-hand sides that a fifth-order step integrates exactly.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "fehlberg_step.h"
#include "machine_epsilon.h"
#include "scalar_helpers.h"

using namespace skelvane;

namespace {

// Same value and same sign bit (so +0 and -0 differ), any NaN equal to any NaN.
template <typename Real>
::testing::AssertionResult sameValue(Real expected, Real actual) {
    if (std::isnan(expected) && std::isnan(actual)) {
        return ::testing::AssertionSuccess();
    }
    if (expected == actual && std::signbit(expected) == std::signbit(actual)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "expected " << expected << (std::signbit(expected) ? " (sign set)" : "") << ", got "
           << actual << (std::signbit(actual) ? " (sign set)" : "");
}

template <typename Real>
struct Helpers;

template <>
struct Helpers<double> {
    static double abs(double x) { return r8_abs(x); }
    static double sign(double x) { return r8_sign(x); }
    static double max(double a, double b) { return r8_max(a, b); }
    static double min(double a, double b) { return r8_min(a, b); }
};

template <>
struct Helpers<float> {
    static float abs(float x) { return r4_abs(x); }
    static float sign(float x) { return r4_sign(x); }
    static float max(float a, float b) { return r4_max(a, b); }
    static float min(float a, float b) { return r4_min(a, b); }
};

template <typename Real>
class ScalarHelpersTest : public ::testing::Test {};

using BothPrecisions = ::testing::Types<double, float>;
// The empty name-generator argument keeps clang -Wpedantic quiet about the variadic macro.
TYPED_TEST_SUITE(ScalarHelpersTest, BothPrecisions, );

}  // namespace

TYPED_TEST(ScalarHelpersTest, AbsNegatesOnlyValuesBelowZero) {
    using Real = TypeParam;
    using H = Helpers<Real>;
    const Real inf = std::numeric_limits<Real>::infinity();
    const Real nan = std::numeric_limits<Real>::quiet_NaN();
    const Real tiny = std::numeric_limits<Real>::denorm_min();
    const struct {
        Real x, expected;
    } cases[] = {
        {Real(-3.5), Real(3.5)},
        {Real(3.5), Real(3.5)},
        {Real(0), Real(0)},
        {-Real(0), -Real(0)},  // -0 < 0 is false: it comes back unchanged
        {-tiny, tiny},
        {-inf, inf},
        {nan, nan},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(sameValue(c.expected, H::abs(c.x))) << "abs(" << c.x << ")";
    }
}

TYPED_TEST(ScalarHelpersTest, SignCountsZeroOfEitherSignAsForward) {
    using Real = TypeParam;
    using H = Helpers<Real>;
    const Real tiny = std::numeric_limits<Real>::denorm_min();
    const struct {
        Real x, expected;
    } cases[] = {
        {Real(0), Real(1)},
        {-Real(0), Real(1)},
        {tiny, Real(1)},
        {-tiny, Real(-1)},
        {Real(-7), Real(-1)},
        {std::numeric_limits<Real>::infinity(), Real(1)},
        {-std::numeric_limits<Real>::infinity(), Real(-1)},
        {std::numeric_limits<Real>::quiet_NaN(), Real(1)},  // not below zero
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(sameValue(c.expected, H::sign(c.x))) << "sign(" << c.x << ")";
    }
}

TYPED_TEST(ScalarHelpersTest, MaxGivesTheSecondArgumentAndMinTheFirstOnTies) {
    using Real = TypeParam;
    using H = Helpers<Real>;
    const Real nan = std::numeric_limits<Real>::quiet_NaN();
    const Real pz = Real(0);
    const Real nz = -Real(0);
    // Signed zeros compare equal, so they show which argument a tie returns; a NaN compares
    // false, so it shows which argument the failed comparison returns.
    const struct {
        Real a, b, max, min;
    } cases[] = {
        {Real(1), Real(2), Real(2), Real(1)},
        {Real(2), Real(1), Real(2), Real(1)},
        {Real(-1), Real(-2), Real(-1), Real(-2)},
        {pz, nz, nz, pz},
        {nz, pz, pz, nz},
        {nan, Real(1), Real(1), nan},
        {Real(1), nan, nan, Real(1)},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(sameValue(c.max, H::max(c.a, c.b))) << "max(" << c.a << ", " << c.b << ")";
        EXPECT_TRUE(sameValue(c.min, H::min(c.a, c.b))) << "min(" << c.a << ", " << c.b << ")";
    }
}

TEST(MachineEpsilonTest, IsTheGapAboveOneInEachPrecision) {
    EXPECT_EQ(r8_machine_epsilon(), std::ldexp(1.0, -52));
    EXPECT_EQ(r8_machine_epsilon(), 2.220446049250313e-16);
    EXPECT_EQ(r4_machine_epsilon(), std::ldexp(1.0f, -23));
}

// ---- The Fehlberg step -------------------------------------------------------------------------

namespace {

// The step evaluates the model the way the driver does: entries past the projectile model's
// four get a zero derivative, so these right-hand sides use four entries.

// y_k' = t^(k+1): the fifth-order weights integrate polynomials up to degree 4 exactly, so one
// step gives ((t + h)^(k+2) - t^(k+2)) / (k + 2) up to rounding.
void timePowers(double t, const double* /*y*/, double* yp) {
    double p = t;
    for (int k = 0; k < 4; ++k) {
        yp[k] = p;
        p *= t;
    }
}

// y_0' = t, y_k' = y_(k-1): a linear system whose solution is a polynomial of degree 5. Every
// elementary differential of order six or more vanishes, so a fifth-order step reproduces it
// exactly; this checks how the stages feed each other, not only the quadrature weights.
void chain(double t, const double* y, double* yp) {
    yp[0] = t;
    for (int k = 1; k < 4; ++k) {
        yp[k] = y[k - 1];
    }
}

struct StepArrays {
    explicit StepArrays(int n)
        : f1(std::size_t(n), -99.0),
          f2(std::size_t(n), -99.0),
          f3(std::size_t(n), -99.0),
          f4(std::size_t(n), -99.0),
          f5(std::size_t(n), -99.0) {}
    std::vector<double> f1, f2, f3, f4, f5;
};

}  // namespace

TEST(FehlbergStepTest, IntegratesPolynomialsInTimeUpToDegreeFourExactly) {
    const struct {
        double t, h;
    } cases[] = {{0.0, 1.0}, {0.0, 0.125}, {1.5, 0.5}, {-2.0, 0.75}, {3.0, -1.25}};
    for (const auto& c : cases) {
        std::vector<double> y = {1.0, -2.0, 0.5, 3.0};
        const std::vector<double> y0 = y;
        std::vector<double> yp(4);
        timePowers(c.t, y.data(), yp.data());
        const std::vector<double> yp0 = yp;
        StepArrays w(4);
        std::vector<double> s(4);
        r8_fehlberg_step(timePowers, 4, y.data(), c.t, c.h, yp.data(), w.f1.data(), w.f2.data(),
                         w.f3.data(), w.f4.data(), w.f5.data(), s.data());
        for (int k = 0; k < 4; ++k) {
            const long double a = c.t;
            const long double b = static_cast<long double>(c.t) + c.h;
            const long double exact =
                y0[std::size_t(k)] + (std::pow(b, k + 2) - std::pow(a, k + 2)) / (k + 2);
            // Rounding only: a few units in the last place of the largest term involved.
            const double scale = std::fabs(y0[std::size_t(k)]) +
                                 double(std::pow(std::fabs(b) + std::fabs(a), k + 2));
            EXPECT_NEAR(s[std::size_t(k)], double(exact), 64 * 2.22e-16 * scale)
                << "degree " << k + 1 << ", t " << c.t << ", h " << c.h;
        }
        EXPECT_EQ(y, y0) << "the state is read only";
        EXPECT_EQ(yp, yp0) << "the derivative is read only";
    }
}

TEST(FehlbergStepTest, StageDerivativesAreTakenAtTheFehlbergAbscissae) {
    // With y' = t^k the stage derivatives k3..k6 left in F2..F5 are the powers of their stage
    // times t + 3h/8, t + 12h/13, t + h and t + h/2.
    const double t = 0.5;
    const double h = 0.25;
    std::vector<double> y(4, 0.0);
    std::vector<double> yp(4);
    timePowers(t, y.data(), yp.data());
    StepArrays w(4);
    std::vector<double> s(4);
    r8_fehlberg_step(timePowers, 4, y.data(), t, h, yp.data(), w.f1.data(), w.f2.data(),
                     w.f3.data(), w.f4.data(), w.f5.data(), s.data());
    const struct {
        const std::vector<double>* stage;
        double time;
    } stages[] = {
        {&w.f2, t + 3 * h / 8}, {&w.f3, t + 12 * h / 13}, {&w.f4, t + h}, {&w.f5, t + h / 2}};
    for (const auto& st : stages) {
        EXPECT_NEAR((*st.stage)[0], st.time, 1e-15);
        EXPECT_NEAR((*st.stage)[3], std::pow(st.time, 4), 1e-15);
    }
}

TEST(FehlbergStepTest, ReproducesThePolynomialSolutionOfALinearChainWhenSIsF1) {
    const double h = 0.75;
    const std::vector<double> a = {2.0, -1.0, 0.5, 3.0};
    std::vector<double> yp(4);
    chain(0.0, a.data(), yp.data());
    StepArrays w(4);
    // The driver passes F1 as S: the candidate solution must end up in F1.
    r8_fehlberg_step(chain, 4, a.data(), 0.0, h, yp.data(), w.f1.data(), w.f2.data(), w.f3.data(),
                     w.f4.data(), w.f5.data(), w.f1.data());
    // From t = 0: y_k(h) = sum over j <= k of a_(k-j) h^j / j!  +  h^(k+2) / (k+2)!
    for (int k = 0; k < 4; ++k) {
        long double exact = 0;
        long double term = 1;  // h^j / j!
        for (int j = 0; j <= k; ++j) {
            exact += a[std::size_t(k - j)] * term;
            term = term * h / (j + 1);
        }
        exact += term * h / (k + 2);
        EXPECT_NEAR(w.f1[std::size_t(k)], double(exact), 1e-14) << "component " << k;
    }
}
