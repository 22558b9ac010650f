// r4_rkf45 on host arrays: its entry checks, the single-precision constants, its own saved
// state, and a flight that agrees with the double-precision simulation.
#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

#include "skelvane_api.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// What the host owns for one single-precision integration.
struct HostArrays {
    float y[4] = {0, 0, 0, 0};
    float yp[4] = {0, 0, 0, 0};
    float t = 0.0f;
    float relerr = 1e-6f;

    bool operator==(const HostArrays& other) const {
        return std::memcmp(this, &other, sizeof(HostArrays)) == 0;
    }
};

HostArrays launch(float vx, float vy) {
    HostArrays h;
    h.y[1] = vx;
    h.y[3] = vy;
    return h;
}

// The demo's sphere with its drag lumped for the single-precision model: c = rho Cd pi r^2 / 2.
std::vector<float> lumpedParams(float mass = 2.0f, float gravity = -9.81f) {
    const double c = 0.5 * 1.225 * 0.47 * kPi * 0.1 * 0.1;
    std::vector<float> params = ShotParams().asArray();
    params[0] = mass;
    params[1] = gravity;
    params[2] = static_cast<float>(c);
    return params;
}

class SinglePrecisionDriverTest : public SkelvaneTest {
protected:
    void SetUp() override {
        SkelvaneTest::SetUp();
        api_.selectRHS(1, 4, lumpedParams().data());
    }

    int32_t call(HostArrays& h, float tout, int32_t flag, float abserr = 1e-6f, int32_t n = 4) {
        return api_.r4_rkf45(n, h.y, h.yp, &h.t, tout, &h.relerr, abserr, flag);
    }

    // One frame as a host flies it: after a 7 (nothing integrated) or a 4 (budget used up part
    // way) it calls again for the same target.
    int32_t advanceTo(HostArrays& h, float target, int32_t flag) {
        int32_t r = call(h, target, flag);
        while (r == 7 || r == 4) {
            r = call(h, target, 2);
        }
        return r;
    }

    // The same for the double-precision simulation, whose target is always t + dt.
    int32_t advanceSimulation(float dt) {
        const float frameEnd = readBack().t + dt;
        int32_t r = api_.advanceSimDouble(dt);
        while (r == 7 || r == 4) {
            r = api_.advanceSimDouble(r == 7 ? dt : frameEnd - readBack().t);
        }
        return r;
    }

    // Flies 1/60 s frames up to `frames`.
    void flyFrames(HostArrays& h, int frames) {
        for (int frame = 1; frame <= frames; ++frame) {
            ASSERT_EQ(advanceTo(h, static_cast<float>(frame) / 60.0f, frame == 1 ? 1 : 2), 2)
                << "frame " << frame;
        }
    }
};

}  // namespace

TEST_F(SinglePrecisionDriverTest, InvalidInputAnswersEightAndTouchesNothing) {
    struct Case {
        const char* what;
        int32_t n;
        float relerr;
        float abserr;
        int32_t flag;
    };
    const Case cases[] = {
        {"n = 0", 0, 1e-6f, 1e-6f, 1},     {"n < 0", -1000, 1e-6f, 1e-6f, 1},
        {"n = 3", 3, 1e-6f, 1e-6f, 1},     {"negative relerr", 4, -1e-6f, 1e-6f, 1},
        {"negative abserr", 4, 1e-6f, -1e-6f, 1}, {"flag 0", 4, 1e-6f, 1e-6f, 0},
        {"flag 9", 4, 1e-6f, 1e-6f, 9},    {"flag -3", 4, 1e-6f, 1e-6f, -3},
        {"flag 6", 4, 1e-6f, 1e-6f, 6},    {"flag 7", 4, 1e-6f, 1e-6f, 7},
        {"flag 8", 4, 1e-6f, 1e-6f, 8},    {"flag INT_MIN", 4, 1e-6f, 1e-6f, INT_MIN},
    };
    for (const Case& c : cases) {
        HostArrays h = launch(10, 10);
        h.t = 0.5f;
        h.relerr = c.relerr;
        const HostArrays before = h;
        EXPECT_EQ(api_.r4_rkf45(c.n, h.y, h.yp, &h.t, 1.0f, &h.relerr, c.abserr, c.flag), 8)
            << c.what;
        EXPECT_TRUE(h == before) << c.what;
    }
}

TEST_F(SinglePrecisionDriverTest, NullPointersAnswerEight) {
    HostArrays h = launch(10, 10);
    EXPECT_EQ(api_.r4_rkf45(4, nullptr, h.yp, &h.t, 1.0f, &h.relerr, 1e-6f, 1), 8);
    EXPECT_EQ(api_.r4_rkf45(4, h.y, nullptr, &h.t, 1.0f, &h.relerr, 1e-6f, 1), 8);
    EXPECT_EQ(api_.r4_rkf45(4, h.y, h.yp, nullptr, 1.0f, &h.relerr, 1e-6f, 1), 8);
    EXPECT_EQ(api_.r4_rkf45(4, h.y, h.yp, &h.t, 1.0f, nullptr, 1e-6f, 1), 8);
    EXPECT_TRUE(h == launch(10, 10));
}

TEST_F(SkelvaneTest, WithoutAModelTheSinglePrecisionDriverAnswersEight) {
    HostArrays h = launch(10, 10);
    EXPECT_EQ(api_.r4_rkf45(4, h.y, h.yp, &h.t, 1.0f, &h.relerr, 1e-6f, 1), 8);
    api_.selectRHS(3, 4, lumpedParams().data());  // not the projectile model
    EXPECT_EQ(api_.r4_rkf45(4, h.y, h.yp, &h.t, 1.0f, &h.relerr, 1e-6f, 1), 8);
    EXPECT_TRUE(h == launch(10, 10));
}

TEST_F(SinglePrecisionDriverTest, RelerrBelowTheFloorIsRaisedToIt) {
    // 2 eps + 1e-12, with eps = 2^-23 and 1e-12 held in float, formed in double and rounded.
    const float floor = static_cast<float>(2.0 * std::ldexp(1.0, -23) + double(1e-12f));
    ASSERT_EQ(floor, 2.3841957e-07f);
    for (float relerr : {0.0f, 1e-7f, std::nextafter(floor, 0.0f)}) {
        HostArrays h = launch(10, 10);
        h.relerr = relerr;
        EXPECT_EQ(call(h, 1.0f, 1), 3) << relerr;
        EXPECT_EQ(h.relerr, floor);
        EXPECT_EQ(h.t, 0.0f) << "nothing integrated";
        EXPECT_EQ(call(h, 1.0f, 3), 2) << "3 redoes the interrupted start";
        EXPECT_EQ(h.t, 1.0f);
    }
    HostArrays atFloor = launch(10, 10);
    atFloor.relerr = floor;
    EXPECT_EQ(call(atFloor, 1.0f, 1), 2);
}

TEST_F(SinglePrecisionDriverTest, AStartOnItsTargetOnlyEvaluatesTheModel) {
    HostArrays h = launch(3, 4);
    for (int repeat = 0; repeat < 1000; ++repeat) {
        ASSERT_EQ(call(h, 0.0f, 1), 2);
    }
    EXPECT_EQ(h.t, 0.0f);
    EXPECT_EQ(h.y[1], 3.0f);
    // The single-precision model at (3, 4): s = 5, drag c s^2 against the velocity.
    const float c = lumpedParams()[2];
    const float s = 5.0f;
    EXPECT_EQ(h.yp[0], 3.0f);
    EXPECT_EQ(h.yp[1], static_cast<float>(double(static_cast<float>(-double(c) * 3.0 * s)) / 2.0));
    EXPECT_EQ(h.yp[2], 4.0f);
    EXPECT_NEAR(h.yp[3], -9.81 - double(c) * 4.0 * 5.0 / 2.0, 1e-6);
}

TEST_F(SinglePrecisionDriverTest, ATinyIntervalIsOneEulerStep) {
    // At t = 1000 the smallest step is 26 * 2^-23 * 1000 = 0.0031 s: an interval of 2^-9 is
    // below it and taken as one Euler step; 2^-8 is above it and integrated normally.
    HostArrays h = launch(30, 40);
    h.t = 1000.0f;
    ASSERT_EQ(call(h, 1000.0f, 1), 2);
    HostArrays normal = h;

    const float tinyTarget = 1000.001953125f;
    const float dt = tinyTarget - h.t;
    ASSERT_EQ(dt, 0.001953125f);
    HostArrays euler = h;
    for (int k = 0; k < 4; ++k) {
        euler.y[k] = static_cast<float>(double(h.y[k]) + double(dt) * h.yp[k]);
    }
    ASSERT_EQ(call(h, tinyTarget, 2), 2);
    EXPECT_EQ(h.t, tinyTarget);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(h.y[k], euler.y[k]) << k;
    }

    ASSERT_EQ(call(normal, 1000.00390625f, 2), 2);
    EXPECT_EQ(normal.t, 1000.00390625f);
    const float dt2 = 0.00390625f;
    // Drag bends the velocity: one Euler step over 2^-8 s misses the curvature that the
    // Fehlberg step follows, by about |d2v/dt2| dt^2 / 2, far above float resolution.
    const double eulerVy = double(40.0f) + double(dt2) * double(euler.yp[3]);
    EXPECT_NE(static_cast<float>(eulerVy), normal.y[3]);
}

TEST_F(SinglePrecisionDriverTest, TheTinyIntervalBoundIsComparedUnrounded) {
    // At t = 1181.5384521484375, 26 * 2^-23 * t = 0.0036621093458... lies just below the float
    // 0.003662109375 = 30 * 2^-13. An interval of exactly that float is above the unrounded
    // bound, so it is integrated by Fehlberg steps, not by one Euler step.
    const float t0 = 1181.5384521484375f;
    const double bound = 26.0 * std::ldexp(1.0, -23) * double(t0);
    const float interval = 30.0f * std::ldexp(1.0f, -13);
    ASSERT_GT(double(interval), bound);
    ASSERT_LE(interval, static_cast<float>(bound));
    const float target = t0 + interval;
    ASSERT_EQ(target - t0, interval);

    HostArrays h = launch(30, 40);
    h.t = t0;
    ASSERT_EQ(call(h, t0, 1), 2);
    float eulerVy = static_cast<float>(double(h.y[3]) + double(interval) * h.yp[3]);
    ASSERT_EQ(call(h, target, 2), 2);
    EXPECT_EQ(h.t, target);
    EXPECT_NE(h.y[3], eulerVy);
}

TEST_F(SinglePrecisionDriverTest, SingleStepModeEndsWithTwoOnTheTarget) {
    HostArrays h = launch(20, 20);
    h.relerr = 1e-5f;
    int32_t r = call(h, 2.0f, -1, 1e-5f);
    int steps = 1;
    float previous = 0.0f;
    while (r == -2 && steps < 10000) {
        EXPECT_GT(h.t, previous);
        EXPECT_LT(h.t, 2.0f);
        previous = h.t;
        r = call(h, 2.0f, -2, 1e-5f);
        ++steps;
    }
    EXPECT_EQ(r, 2);
    EXPECT_EQ(h.t, 2.0f);
    EXPECT_GT(steps, 3);
}

TEST_F(SinglePrecisionDriverTest, EntriesPastTheFourthStayConstant) {
    float y[6] = {0, 20, 0, 20, 1.5f, -2.5f};
    float yp[6] = {0, 0, 0, 0, 99, 99};
    float t = 0.0f;
    float relerr = 1e-6f;
    ASSERT_EQ(api_.r4_rkf45(6, y, yp, &t, 1.0f, &relerr, 1e-6f, 1), 2);
    EXPECT_EQ(y[4], 1.5f);
    EXPECT_EQ(y[5], -2.5f);
    EXPECT_EQ(yp[4], 0.0f);
    EXPECT_EQ(yp[5], 0.0f);
}

TEST_F(SinglePrecisionDriverTest, UpdateParamsTakesEffectAtTheNextEvaluation) {
    HostArrays h = launch(0, 0);
    ASSERT_EQ(call(h, 0.0f, 1), 2);
    EXPECT_EQ(h.yp[3], -9.81f);
    api_.updateParams(lumpedParams(2.0f, -4.0f).data());
    ASSERT_EQ(call(h, 0.0f, 1), 2);
    EXPECT_EQ(h.yp[3], -4.0f);
}

TEST_F(SinglePrecisionDriverTest, AProtocolViolationLeavesTheSavedStateAsItWas) {
    // Two identical runs from a start; the second has refused calls in the middle. A start
    // rewrites the whole saved state, so both runs must end with the same bits.
    HostArrays clean = launch(20, 25);
    HostArrays interrupted = launch(20, 25);
    flyFrames(clean, 30);
    int32_t flag = 1;
    for (int frame = 1; frame <= 30; ++frame) {
        const float target = static_cast<float>(frame) / 60.0f;
        if (frame == 12) {
            const HostArrays before = interrupted;
            for (int32_t bad : {6, 7, 8, 0}) {
                ASSERT_EQ(call(interrupted, target, bad), 8);
            }
            ASSERT_EQ(call(interrupted, interrupted.t, 2), 8) << "t = T on a continuation";
            ASSERT_TRUE(interrupted == before);
        }
        ASSERT_EQ(advanceTo(interrupted, target, flag), 2);
        flag = 2;
    }
    EXPECT_TRUE(clean == interrupted);
}

TEST_F(SinglePrecisionDriverTest, TheTwoDriversKeepSeparateSavedStates) {
    // Each integration alone, then both interleaved frame by frame: the same bits either way.
    ShotParams doubleShot;
    auto flyDouble = [&](int frame) { ASSERT_EQ(advanceSimulation(1.0f / 60.0f), 2) << frame; };
    auto startDouble = [&] {
        api_.selectRHS(1, 4, lumpedParams().data());
        std::vector<float> params = lumpedParams();
        params[2] = doubleShot.dragCoefficient;  // the double model reads Cd, rho and r
        api_.updateParams(params.data());
        api_.initSimDouble(4, -6, initialState(0, 21, 0, 21).data());
    };

    startDouble();
    for (int frame = 1; frame <= 150; ++frame) {
        flyDouble(frame);
    }
    const Readback doubleAlone = readBack();

    HostArrays singleAlone = launch(21, 21);
    api_.updateParams(lumpedParams().data());
    flyFrames(singleAlone, 150);

    startDouble();
    std::vector<float> params = lumpedParams();
    params[2] = doubleShot.dragCoefficient;
    HostArrays interleaved = launch(21, 21);
    int32_t flag = 1;
    for (int frame = 1; frame <= 150; ++frame) {
        // Both models read params[2]: swap it around each call, as a host flying both would.
        api_.updateParams(params.data());
        flyDouble(frame);
        api_.updateParams(lumpedParams().data());
        ASSERT_EQ(advanceTo(interleaved, static_cast<float>(frame) / 60.0f, flag), 2);
        flag = 2;
    }
    const Readback doubleInterleaved = readBack();
    EXPECT_TRUE(interleaved == singleAlone);
    EXPECT_EQ(doubleInterleaved.t, doubleAlone.t);
    EXPECT_EQ(std::memcmp(doubleInterleaved.y, doubleAlone.y, sizeof(float) * 4), 0);
}

TEST_F(SinglePrecisionDriverTest, ASingleFlightAgreesWithTheDoubleFlight) {
    // Both fly the demo's shot (30 m/s at 45 degrees) for 600 frames at tolerance 1e-6.
    // Each solution is within sum over steps of (relerr |y| + abserr) of the exact one (the
    // error test bounds the local error of every accepted step; drag damps velocity errors, so
    // they do not grow). Crowded frames take one step each; allow two steps a frame, N = 1200.
    // The float run adds a rounding of every stored value, at most a few units of 2^-24 |y|
    // per step; allow 4. With Y the largest magnitude of a component:
    //   |y_single - y_double| <= N (2 (1e-6 Y + 1e-6) + 4 2^-24 Y).
    // The parameters differ only by the rounding of c to float (relative 2^-24), far below it.
    const float v = 30.0f * static_cast<float>(std::sqrt(0.5));
    api_.selectRHS(1, 4, lumpedParams().data());
    std::vector<float> doubleParams = ShotParams().asArray();
    api_.initSimDouble(4, -6, initialState(0, v, 0, v).data());
    HostArrays single = launch(v, v);
    int32_t flag = 1;
    float largest[4] = {0, 0, 0, 0};
    for (int frame = 1; frame <= 600; ++frame) {
        api_.updateParams(doubleParams.data());
        ASSERT_EQ(advanceSimulation(1.0f / 60.0f), 2) << "frame " << frame;
        api_.updateParams(lumpedParams().data());
        ASSERT_EQ(advanceTo(single, readBack().t, flag), 2) << "frame " << frame;
        flag = 2;
        for (int k = 0; k < 4; ++k) {
            largest[k] = std::max(largest[k], std::fabs(single.y[k]));
        }
    }
    const Readback dbl = readBack();
    EXPECT_EQ(single.t, dbl.t);
    const double n = 1200.0;
    for (int k = 0; k < 4; ++k) {
        const double y = largest[k];
        const double bound = n * (2.0 * (1e-6 * y + 1e-6) + 4.0 * std::ldexp(1.0, -24) * y);
        EXPECT_NEAR(single.y[k], dbl.y[k], bound) << "component " << k;
    }
}
