// The machine-epsilon probes: exact powers of two, the same on every call.
#include <cmath>

#include "skelvane_api.h"

TEST_F(SkelvaneTest, EpsilonProbesReturnTheUnitRoundoffOfEachPrecision) {
    const float single = std::ldexp(1.0f, -23);
    const double twice = std::ldexp(1.0, -52);
    for (int call = 0; call < 3; ++call) {  // before anything else, and again
        EXPECT_EQ(api_.calcEpsilon(), single);
        EXPECT_EQ(api_.calcEpsilonDouble(), twice);
    }
    EXPECT_NE(api_.calcEpsilon(), std::ldexp(1.0f, -24)) << "the final trial value";
    EXPECT_EQ(static_cast<float>(1.0f + api_.calcEpsilon()) > 1.0f, true);
}

TEST_F(SkelvaneTest, EpsilonProbesChangeNothingTheSimulationReads) {
    startShot(ShotParams(), initialState(0, 10, 0, 10), -6);
    ASSERT_EQ(api_.advanceSimDouble(0.25f), 2);
    const Readback before = readBack();
    api_.calcEpsilon();
    api_.calcEpsilonDouble();
    const Readback after = readBack();
    EXPECT_EQ(after.t, before.t);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(after.y[i], before.y[i]);
    }
    EXPECT_EQ(api_.advanceSimDouble(0.25f), 2);
}
