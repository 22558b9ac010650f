// The projectile models evaluated directly, with the parameters installed in SimState.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "projectile_models.h"
#include "sim_state.h"

using namespace skelvane;

namespace {

struct Params {
    float mass = 2.0f;
    float gravity = -9.81f;
    float drag = 0.47f;  // Cd in the double model, the lumped c in the float model
    float density = 1.225f;
    float radius = 0.1f;
};

class ProjectileModelTest : public ::testing::Test {
  protected:
    void SetUp() override { simState = SimState{}; }

    static void install(const Params& p) {
        for (float& v : simState.params) {
            v = 0.0f;
        }
        simState.params[0] = p.mass;
        simState.params[1] = p.gravity;
        simState.params[2] = p.drag;
        simState.params[3] = p.density;
        simState.params[4] = p.radius;
    }

    struct Derivative {
        double v[4];
    };
    static Derivative evalDouble(double vx, double vy, double x = 0.0, double y = 0.0,
                                 double t = 0.0) {
        const double state[4] = {x, vx, y, vy};
        Derivative d{};
        projectileRhsDouble(t, state, d.v);
        return d;
    }
    struct DerivativeF {
        float v[4];
    };
    static DerivativeF evalFloat(float vx, float vy) {
        const float state[4] = {0.0f, vx, 0.0f, vy};
        DerivativeF d{};
        projectileRhsFloat(0.0f, state, d.v);
        return d;
    }
};

// The double model's accelerations from the physics, in long double: drag of magnitude
// (1/2) rho Cd pi r^2 s^2 against the velocity, plus m g along y, over m.
void referenceAccelerations(const Params& p, long double vx, long double vy, long double* ax,
                            long double* ay) {
    const long double pi = 3.141592653589793238462643383279502884L;
    const long double k = 0.5L * p.density * p.drag * pi * p.radius * p.radius;
    const long double s = std::sqrt(vx * vx + vy * vy);
    *ax = -k * vx * s / p.mass;
    *ay = (static_cast<long double>(p.mass) * p.gravity - k * vy * s) / p.mass;
}

bool sameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

TEST(PiTest, IsTheDoubleNearestToPi) {
    EXPECT_EQ(PI, 3.141592653589793);
    const long double pi = 3.141592653589793238462643383279502884L;
    EXPECT_LE(std::fabs(static_cast<long double>(PI) - pi), std::ldexp(1.0L, -52));
}

TEST_F(ProjectileModelTest, DoubleModelMatchesTheStatedValues) {
    install(Params());
    const double g = double(-9.81f);
    const struct {
        double vx, vy, ax, ay, tolerance;
    } cases[] = {
        {10.0, 0.0, -0.452193, g, 5e-7},
        {3.0, 4.0, -0.0678290, -9.900439, 5e-7},
    };
    for (const auto& c : cases) {
        const Derivative d = evalDouble(c.vx, c.vy);
        EXPECT_EQ(d.v[0], c.vx);
        EXPECT_EQ(d.v[2], c.vy);
        EXPECT_NEAR(d.v[1], c.ax, c.tolerance) << c.vx << ", " << c.vy;
        EXPECT_NEAR(d.v[3], c.ay, c.tolerance) << c.vx << ", " << c.vy;
    }
    EXPECT_EQ(evalDouble(10.0, 0.0).v[3], g) << "no drag along y without vertical speed";
}

TEST_F(ProjectileModelTest, DoubleModelAgreesWithTheDragLawToRounding) {
    const struct {
        Params p;
        double vx, vy;
    } cases[] = {
        {Params(), 30.0, -20.0},
        {Params{0.5f, -1.62f, 1.05f, 0.02f, 0.3f}, -12.0, 7.5},
        {Params{80.0f, -9.81f, 0.7f, 1000.0f, 0.25f}, 1.0e3, 1.0e-3},
    };
    for (const auto& c : cases) {
        install(c.p);
        long double ax = 0;
        long double ay = 0;
        referenceAccelerations(c.p, c.vx, c.vy, &ax, &ay);
        const Derivative d = evalDouble(c.vx, c.vy);
        // A chain of about ten correctly rounded operations: well within 1e-14 relative.
        EXPECT_NEAR(d.v[1], double(ax), 1e-14 * std::fabs(double(ax)));
        EXPECT_NEAR(d.v[3], double(ay), 1e-14 * (std::fabs(double(ay)) + std::fabs(c.p.gravity)));
    }
}

TEST_F(ProjectileModelTest, DoubleModelMultipliesTheConstantByTheRadiusTwice) {
    // (kx * r) * r and kx * (r * r) round differently for this density and radius; the model
    // is defined by the first grouping. The reference below is written step by step from the
    // drag law, each product rounded to double as IEEE arithmetic does.
    const Params p{2.0f, -9.81f, 0.47f, 1.225f, 0.13f};
    install(p);
    const double rho = p.density;
    const double r = p.radius;
    const double cd = p.drag;
    const double m = p.mass;
    const double pi = 3.141592653589793;
    const double kx = (-0.5 * rho) * pi;
    const double kxr = kx * r;
    const double leftGrouped = kxr * r;
    const double rr = r * r;
    const double rightGrouped = kx * rr;
    ASSERT_NE(leftGrouped, rightGrouped) << "this case must tell the groupings apart";

    const struct { double vx, vy; } states[] = {{10.0, 0.0}, {3.0, 4.0}, {30.0, -20.0}};
    for (const auto& st : states) {
        const double s = std::sqrt(st.vx * st.vx + st.vy * st.vy);
        const double c1 = leftGrouped * cd;
        const double c2 = c1 * st.vx;
        const double fx = c2 * s;
        const double expected = fx / m;
        const double w1 = rightGrouped * cd;
        const double w2 = w1 * st.vx;
        const double wfx = w2 * s;
        const double wrong = wfx / m;
        ASSERT_NE(expected, wrong) << "the grouping reaches the acceleration here";
        EXPECT_TRUE(sameBits(evalDouble(st.vx, st.vy).v[1], expected))
            << st.vx << ", " << st.vy << ": got " << evalDouble(st.vx, st.vy).v[1];
    }
}

TEST_F(ProjectileModelTest, AtRestOnlyGravityActs) {
    const float masses[] = {2.0f, 3.0f, 0.7f};
    for (float m : masses) {
        Params p;
        p.mass = m;
        install(p);
        const Derivative d = evalDouble(0.0, 0.0);
        EXPECT_EQ(d.v[0], 0.0);
        EXPECT_EQ(d.v[1], 0.0);  // either sign of zero
        EXPECT_EQ(d.v[2], 0.0);
        // m and g are floats, so m*g is exact in double and the quotient gives g back.
        EXPECT_EQ(d.v[3], double(p.gravity)) << m;

        p.drag = 0.1f;
        install(p);
        const DerivativeF f = evalFloat(0.0f, 0.0f);
        EXPECT_EQ(f.v[1], 0.0f);
        // m*g is rounded to float, then its quotient by m: at most one unit away from g each.
        const float mg = static_cast<float>(double(m) * double(p.gravity));
        EXPECT_EQ(f.v[3], static_cast<float>(double(mg) / double(m))) << m;
        EXPECT_NEAR(f.v[3], p.gravity, 2 * 9.81 * 1.2e-7);
    }
}

TEST_F(ProjectileModelTest, NoDensityNoRadiusOrNoCoefficientRemovesTheDrag) {
    Params noDensity;
    noDensity.density = 0.0f;
    Params noRadius;
    noRadius.radius = 0.0f;
    const Params doubleCases[] = {noDensity, noRadius};
    for (const Params& p : doubleCases) {
        install(p);
        for (double vx : {10.0, -3.0}) {
            const Derivative d = evalDouble(vx, 4.0);
            EXPECT_EQ(d.v[1], 0.0) << vx;
            EXPECT_EQ(d.v[3], double(p.gravity)) << vx;
        }
    }
    Params noCoefficient;
    noCoefficient.drag = 0.0f;
    install(noCoefficient);
    const DerivativeF f = evalFloat(10.0f, 4.0f);
    EXPECT_EQ(f.v[1], 0.0f);
    EXPECT_EQ(f.v[3], -9.81f);
}

TEST_F(ProjectileModelTest, FloatModelMatchesTheStatedValues) {
    Params p;
    p.drag = 0.1f;
    install(p);
    const DerivativeF d = evalFloat(3.0f, 4.0f);
    EXPECT_EQ(d.v[0], 3.0f);
    EXPECT_EQ(d.v[2], 4.0f);
    EXPECT_EQ(d.v[1], -0.75f);  // -c vx s / m = -0.1 * 3 * 5 / 2, rounded to float
    EXPECT_NEAR(d.v[3], -10.81f, 2e-6f);
}

TEST_F(ProjectileModelTest, PositionsTimeAndUnusedParametersChangeNoDerivative) {
    install(Params());
    const Derivative base = evalDouble(12.0, -5.0);
    const Derivative moved[] = {
        evalDouble(12.0, -5.0, 1.0e4, 0.0),
        evalDouble(12.0, -5.0, 0.0, -250.0),
        evalDouble(12.0, -5.0, -3.0, 7.0, 123.5),
    };
    for (const Derivative& d : moved) {
        for (int k = 0; k < 4; ++k) {
            EXPECT_TRUE(sameBits(d.v[k], base.v[k])) << k;
        }
    }
    for (int i = 5; i < SimState::kParamCount; ++i) {
        simState.params[i] = 1.0e6f * float(i);
    }
    const Derivative withUnused = evalDouble(12.0, -5.0);
    for (int k = 0; k < 4; ++k) {
        EXPECT_TRUE(sameBits(withUnused.v[k], base.v[k])) << k;
    }
}

TEST_F(ProjectileModelTest, DragPointsAgainstTheVelocity) {
    // Every operation of the drag term is odd in vx, so mirroring x mirrors the acceleration
    // bit for bit; along y gravity breaks the symmetry.
    install(Params());
    const Derivative right = evalDouble(17.0, 3.0);
    const Derivative left = evalDouble(-17.0, 3.0);
    EXPECT_LT(right.v[1], 0.0);
    EXPECT_EQ(left.v[1], -right.v[1]);
    EXPECT_LT(evalDouble(0.0, 20.0).v[3], double(-9.81f)) << "rising: drag adds to gravity";
    EXPECT_GT(evalDouble(0.0, -20.0).v[3], double(-9.81f)) << "falling: drag opposes it";
}
