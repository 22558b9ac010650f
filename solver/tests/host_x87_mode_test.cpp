// The x87 side of the host's mode: Direct3D leaves the x87 unit at 24-bit precision unless told
// otherwise, and the MinGW runtime's pow runs on the x87 unit. The library is loaded and flown
// under the host's mode (static initialisation included) and must give the same bits as under the
// default mode, handing the host's control words back after every call. The SSE rounding and
// flush modes on their own are float_environment_test.cpp's.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <float.h>
#endif

#include "skelvane_api.h"

namespace {

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))

struct FloatMode {
    uint16_t x87;
    uint32_t sse;
    bool operator==(const FloatMode& other) const { return x87 == other.x87 && sse == other.sse; }
};

// Control bits only: the exception flags in MXCSR's low six bits are status, not mode.
constexpr uint32_t kSseControlBits = 0xFFC0;

FloatMode currentMode() {
    FloatMode mode{};
    __asm__ volatile("fnstcw %0" : "=m"(mode.x87) : : "memory");
    __asm__ volatile("stmxcsr %0" : "=m"(mode.sse) : : "memory");
    mode.sse &= kSseControlBits;
    return mode;
}

void setMode(const FloatMode& mode) {
    __asm__ volatile("fldcw %0" : : "m"(mode.x87) : "memory");
    __asm__ volatile("ldmxcsr %0" : : "m"(mode.sse) : "memory");
}

// Round to nearest everywhere, 53-bit x87 precision, every exception masked.
constexpr FloatMode kDefaultMode{0x027F, 0x1F80};

std::string describe(const FloatMode& mode) {
    char text[48];
    std::snprintf(text, sizeof text, "x87 %04X, MXCSR %04X", unsigned(mode.x87),
                  unsigned(mode.sse));
    return text;
}

constexpr int kFrames = 120;
constexpr float kFrame = 1.0f / 60.0f;
constexpr int kSingleFrames = 8;
constexpr float kSingleTargets[kSingleFrames] = {0.25f, 0.5f, 0.75f, 1.0f,
                                                 1.25f, 1.5f, 1.75f, 2.0f};

// What a flight hands back, bit for bit, and the host's mode seen after each call.
struct Flight {
    std::vector<int32_t> flags;
    std::vector<uint32_t> bits;  // t and the state after every frame, both drivers; the probes
    std::vector<FloatMode> modesAfterCalls;
};

uint32_t bitsOf(float x) {
    uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

// Loads the library and flies the shot with the host's mode left as it is. Nothing here does
// arithmetic of its own: every number comes from a constant or from the library.
Flight fly(const ShotParams& shot, const std::vector<float>& start) {
    const std::vector<float> params = shot.asArray();
    Flight flight;
    flight.flags.reserve(kFrames);
    flight.bits.reserve(kFrames * 5);
    hostsupport::LoadedLibrary library("Skelvane");
    flight.modesAfterCalls.push_back(currentMode());
    if (!library.loaded()) {
        return flight;
    }
    SkelvaneApi api;
    api.lookUp(library);
    if (api.selectRHS == nullptr || api.initSimDouble == nullptr ||
        api.advanceSimDouble == nullptr || api.getSimStateDouble == nullptr ||
        api.r4_rkf45 == nullptr || api.calcEpsilon == nullptr || api.calcEpsilonDouble == nullptr) {
        return flight;
    }
    api.selectRHS(1, 4, params.data());
    flight.modesAfterCalls.push_back(currentMode());
    api.initSimDouble(4, -6, start.data());
    flight.modesAfterCalls.push_back(currentMode());
    float t = 0.0f;
    float y[4] = {};
    for (int frame = 0; frame < kFrames; ++frame) {
        flight.flags.push_back(api.advanceSimDouble(kFrame));
        api.getSimStateDouble(&t, y);
        flight.bits.push_back(bitsOf(t));
        for (float v : y) {
            flight.bits.push_back(bitsOf(v));
        }
    }
    flight.modesAfterCalls.push_back(currentMode());

    // The single-precision driver on arrays of its own, frame targets from a table of constants.
    float singleY[4] = {start[0], start[1], start[2], start[3]};
    float singleYp[4] = {};
    float singleT = 0.0f;
    float relerr = 1e-6f;
    for (int frame = 0; frame < kSingleFrames; ++frame) {
        flight.flags.push_back(api.r4_rkf45(4, singleY, singleYp, &singleT, kSingleTargets[frame],
                                            &relerr, 1e-6f, frame == 0 ? 1 : 2));
        flight.bits.push_back(bitsOf(singleT));
        for (float v : singleY) {
            flight.bits.push_back(bitsOf(v));
        }
    }
    flight.modesAfterCalls.push_back(currentMode());

    const double epsilon = api.calcEpsilonDouble();
    uint64_t epsilonBits;
    std::memcpy(&epsilonBits, &epsilon, sizeof epsilonBits);
    flight.bits.push_back(bitsOf(api.calcEpsilon()));
    flight.bits.push_back(static_cast<uint32_t>(epsilonBits >> 32));
    flight.modesAfterCalls.push_back(currentMode());
    return flight;
}

struct HostMode {
    const char* name;
    std::function<void()> set;  // puts the host's mode in place
};

std::vector<HostMode> hostModes() {
    std::vector<HostMode> modes = {
        {"x87 at 24-bit precision", [] { setMode({0x007F, 0x1F80}); }},
        {"x87 at 64-bit precision, rounding down", [] { setMode({0x077F, 0x1F80}); }},
        {"x87 rounding toward zero", [] { setMode({0x0E7F, 0x1F80}); }},
        {"x87 24-bit rounding down, SSE rounding toward zero with flush-to-zero",
         [] { setMode({0x047F, 0xFF80}); }},
    };
#if defined(_WIN32) && defined(__i386__)
    // What a Direct3D 9 device does to the thread unless told to preserve the FPU state.
    modes.push_back({"_controlfp(_PC_24, _MCW_PC)", [] { _controlfp(_PC_24, _MCW_PC); }});
#endif
    return modes;
}

TEST(HostX87Mode, LoadAndFlightsGiveTheSameBitsWhateverX87ModeTheHostLeft) {
    testsupport::ScratchDirectory scratch;
    const ShotParams shot;
    const std::vector<float> start = initialState(0.0f, 21.2132f, 0.0f, 21.2132f);

    setMode(kDefaultMode);
    const Flight reference = fly(shot, start);
    ASSERT_EQ(reference.flags.size(), std::size_t(kFrames + kSingleFrames))
        << "the library did not load or lacks an export";

    for (const HostMode& host : hostModes()) {
        SCOPED_TRACE(host.name);
        host.set();
        const FloatMode hostMode = currentMode();
        const Flight flight = fly(shot, start);
        setMode(kDefaultMode);

        ASSERT_EQ(flight.flags.size(), reference.flags.size());
        EXPECT_EQ(flight.flags, reference.flags);
        EXPECT_EQ(flight.bits, reference.bits) << "under " << describe(hostMode);
        for (const FloatMode& after : flight.modesAfterCalls) {
            EXPECT_TRUE(after == hostMode)
                << "host mode " << describe(hostMode) << " came back as " << describe(after);
        }
    }
}

#else

TEST(HostX87Mode, LoadAndFlightsGiveTheSameBitsWhateverX87ModeTheHostLeft) {
    GTEST_SKIP() << "the mode registers checked here are those of x86";
}

#endif

}  // namespace
