// Results do not depend on the floating-point mode the host left, and the host gets its own
// mode back from every call.
#include <cfenv>
#include <cstring>
#include <vector>

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#define SKELVANE_TEST_HAS_MXCSR 1
#endif

#include "skelvane_api.h"

namespace {

// A host's floating-point mode: a rounding direction and, on x86, the SSE flush bits.
struct HostMode {
    const char* name;
    int rounding;
    unsigned flushBits;  // FTZ 0x8000, DAZ 0x0040
};

const HostMode kModes[] = {
    {"round upward", FE_UPWARD, 0},
    {"round downward", FE_DOWNWARD, 0},
    {"round toward zero", FE_TOWARDZERO, 0},
#if defined(SKELVANE_TEST_HAS_MXCSR)
    {"flush to zero and denormals are zero", FE_TONEAREST, 0x8040},
#endif
};

// Sets the mode for its lifetime; reports whether it is still in force at each check.
class ModeGuard {
public:
    explicit ModeGuard(const HostMode& mode) : mode_(mode) {
        std::fesetround(mode.rounding);
#if defined(SKELVANE_TEST_HAS_MXCSR)
        savedCsr_ = _mm_getcsr();
        _mm_setcsr(_mm_getcsr() | mode.flushBits);
        expectedCsrControl_ = _mm_getcsr() & kControlMask;
#endif
    }
    ~ModeGuard() {
#if defined(SKELVANE_TEST_HAS_MXCSR)
        _mm_setcsr(savedCsr_);
#endif
        std::fesetround(FE_TONEAREST);
    }
    bool stillInForce() const {
        bool same = std::fegetround() == mode_.rounding;
#if defined(SKELVANE_TEST_HAS_MXCSR)
        same = same && (_mm_getcsr() & kControlMask) == expectedCsrControl_;
#endif
        return same;
    }

private:
    static constexpr unsigned kControlMask = 0xFFC0;  // DAZ, masks, rounding, FTZ: not the flags
    HostMode mode_;
    unsigned savedCsr_ = 0;
    unsigned expectedCsrControl_ = 0;
};

// Everything a 200-frame flight of both drivers leaves, as raw bits.
struct FlightBits {
    float t = 0;
    float y[4] = {};
    float singleY[4] = {};
    float singleYp[4] = {};
    float singleT = 0;
    uint32_t flags = 0;  // a checksum of every flag returned; unsigned, so it may wrap

    bool operator==(const FlightBits& other) const {
        return std::memcmp(this, &other, sizeof(FlightBits)) == 0;
    }
};

class FloatEnvironmentTest : public SkelvaneTest {
protected:
    // Frame targets of the single-precision flight, computed in the default mode (the host's
    // own arithmetic follows the host's mode; only the library's must not).
    void SetUp() override {
        SkelvaneTest::SetUp();
        for (int frame = 0; frame <= 200; ++frame) {
            targets_.push_back(static_cast<float>(frame) / 60.0f);
        }
    }

    // Flies both drivers; `check` runs after every call, while the host's mode is in force.
    template <typename Check>
    FlightBits fly(Check check) {
        FlightBits bits;
        ShotParams shot;
        std::vector<float> params = shot.asArray();
        api_.selectRHS(1, 4, params.data());
        check();
        api_.initSimDouble(4, -6, initialState(0, 21.2f, 0, 21.2f).data());
        check();
        float relerr = 1e-6f;
        bits.singleY[1] = 21.2f;
        bits.singleY[3] = 21.2f;
        for (int frame = 1; frame <= 200; ++frame) {
            api_.updateParams(params.data());
            bits.flags = bits.flags * 31 + uint32_t(api_.advanceSimDouble(1.0f / 60.0f));
            check();
            api_.getSimStateDouble(&bits.t, bits.y);
            check();
            std::vector<float> lumped = params;
            lumped[2] = 0.0090438f;  // rho Cd pi r^2 / 2 for the single-precision model
            api_.updateParams(lumped.data());
            bits.flags = bits.flags * 31 +
                         uint32_t(api_.r4_rkf45(4, bits.singleY, bits.singleYp, &bits.singleT,
                                                targets_[frame], &relerr, 1e-6f,
                                                frame == 1 ? 1 : 2));
            check();
        }
        return bits;
    }

    std::vector<float> targets_;
};

}  // namespace

TEST_F(FloatEnvironmentTest, FlightsGiveTheSameBitsWhateverModeTheHostLeft) {
    const FlightBits reference = fly([] {});
    for (const HostMode& mode : kModes) {
        ModeGuard guard(mode);
        const FlightBits flown = fly([&] { ASSERT_TRUE(guard.stillInForce()) << mode.name; });
        EXPECT_TRUE(flown == reference) << mode.name;
    }
}

TEST_F(FloatEnvironmentTest, ProbesGiveTheSameValuesWhateverModeTheHostLeft) {
    for (const HostMode& mode : kModes) {
        ModeGuard guard(mode);
        EXPECT_EQ(api_.calcEpsilon(), 1.1920929e-07f) << mode.name;
        EXPECT_EQ(api_.calcEpsilonDouble(), 2.220446049250313e-16) << mode.name;
        EXPECT_TRUE(guard.stillInForce()) << mode.name;
    }
}

TEST_F(FloatEnvironmentTest, SubnormalValuesSurviveARoundTripUnderFlushModes) {
    // 1e-40 is subnormal in float: flush-to-zero or denormals-are-zero would read it as 0.
    const float tiny = 1e-40f;
    ASSERT_NE(tiny, 0.0f);
    for (const HostMode& mode : kModes) {
        ModeGuard guard(mode);
        api_.selectRHS(1, 4, ShotParams().asArray().data());
        const float values[4] = {tiny, -tiny, 3 * tiny, 0.5f};
        api_.setRKF_ICs(4, values);
        float t = -1;
        float state[4] = {};
        api_.getSimStateDouble(&t, state);
        EXPECT_EQ(std::memcmp(state, values, sizeof values), 0) << mode.name;
        EXPECT_TRUE(guard.stillInForce()) << mode.name;
    }
}
