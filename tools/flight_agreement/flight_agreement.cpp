// Flies the default shot for 600 frames through the Skelvane library loaded by name, with the
// double-precision driver (advanceSimDouble) and, where the library exports it, with r4_rkf45,
// and prints every frame as bit patterns. Run on two builds (native and Windows under Wine), the
// outputs are compared with `flight-agreement compare A B`.
//
//   flight-agreement fly              prints the flights
//   flight-agreement compare A B      exit 0 when A and B agree (see compare below)
//
// Output lines: "<driver> <frame> <flag> <t> <y0> <y1> <y2> <y3>", each value as the eight hex
// digits of its float bits, then the same values as hex floats after a '#' for reading.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "loaded_library.h"

namespace {

constexpr int kFrames = 600;
constexpr float kFrame = 1.0f / 60.0f;

// The default shot of the demo: a 2 kg sphere of radius 0.1 m in air (density 1.225, drag coefficient 0.47)
// under g = -9.81, launched at 30 m/s and 45 degrees, tolerances 1e-6.
constexpr float kMass = 2.0f;
constexpr float kGravity = -9.81f;
constexpr float kDragCoefficient = 0.47f;
constexpr float kDensity = 1.225f;
constexpr float kRadius = 0.1f;
constexpr float kLaunchComponent = 21.21320343559643f;  // 30 cos 45 degrees = 15 sqrt(2)
constexpr int32_t kTolerancePower = -6;

using SelectRhs = void (*)(int32_t, int32_t, const float*);
using InitSimDouble = int32_t (*)(int32_t, int32_t, const float*);
using AdvanceSimDouble = int32_t (*)(float);
using GetSimStateDouble = void (*)(float*, float*);
using UpdateParams = void (*)(const float*);
using R4Rkf45 = int32_t (*)(int32_t, float*, float*, float*, float, float*, float, int32_t);

uint32_t bitsOf(float x) {
    uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

void printFrame(const char* driver, int frame, int32_t flag, float t, const float* y) {
    const float values[5] = {t, y[0], y[1], y[2], y[3]};
    std::printf("%s %d %d", driver, frame, int(flag));
    for (float v : values) {
        std::printf(" %08lx", static_cast<unsigned long>(bitsOf(v)));
    }
    std::printf(" #");
    for (float v : values) {
        std::printf(" %a", double(v));
    }
    std::printf("\n");
}

std::vector<float> shotParams(float dragCoefficient) {
    std::vector<float> params(50, 0.0f);
    params[0] = kMass;
    params[1] = kGravity;
    params[2] = dragCoefficient;
    params[3] = kDensity;
    params[4] = kRadius;
    return params;
}

int fly() {
    hostsupport::LoadedLibrary library("Skelvane");
    if (!library.loaded()) {
        std::fprintf(stderr, "cannot load Skelvane: %s\n", library.error().c_str());
        return 2;
    }
    const auto selectRHS = library.function<SelectRhs>("selectRHS");
    const auto initSimDouble = library.function<InitSimDouble>("initSimDouble");
    const auto advanceSimDouble = library.function<AdvanceSimDouble>("advanceSimDouble");
    const auto getSimStateDouble = library.function<GetSimStateDouble>("getSimStateDouble");
    const auto updateParams = library.function<UpdateParams>("updateParams");
    const auto r4_rkf45 = library.function<R4Rkf45>("r4_rkf45");
    if (!selectRHS || !initSimDouble || !advanceSimDouble || !getSimStateDouble || !updateParams) {
        std::fprintf(stderr, "Skelvane lacks a simulation export\n");
        return 2;
    }

    std::vector<float> start(20, 0.0f);
    start[1] = kLaunchComponent;
    start[3] = kLaunchComponent;

    // The double-precision driver, frame by frame as the game runs it.
    const std::vector<float> params = shotParams(kDragCoefficient);
    selectRHS(1, 4, params.data());
    initSimDouble(4, kTolerancePower, start.data());
    float t = 0.0f;
    float y[4] = {};
    for (int frame = 1; frame <= kFrames; ++frame) {
        const int32_t flag = advanceSimDouble(kFrame);
        getSimStateDouble(&t, y);
        printFrame("r8", frame, flag, t, y);
    }

    // The single-precision driver on arrays of its own. Its model takes one lumped drag
    // coefficient, 0.5 * density * Cd * pi * r^2, for the same sphere.
    if (r4_rkf45 == nullptr) {
        std::printf("r4 absent\n");
        return 0;
    }
    const double lumped = 0.5 * double(kDensity) * double(kDragCoefficient) * (4.0 * std::atan(1.0)) *
                          double(kRadius) * double(kRadius);
    const std::vector<float> r4Params = shotParams(static_cast<float>(lumped));
    updateParams(r4Params.data());
    float state[4] = {start[0], start[1], start[2], start[3]};
    float rates[4] = {};
    float time = 0.0f;
    float relerr = 1e-5f;
    const float abserr = 1e-5f;
    int32_t flag = 1;
    for (int frame = 1; frame <= kFrames; ++frame) {
        const float target = static_cast<float>(frame) * kFrame;
        // 3 (tolerance raised), 4 (budget used) and 7 (crowded calls) ask for the same target again.
        int32_t result = 0;
        for (int attempt = 0; attempt < 10; ++attempt) {
            result = r4_rkf45(4, state, rates, &time, target, &relerr, abserr, flag);
            flag = (result == 3 || result == 4 || result == 7) ? 2 : result;
            if (result != 3 && result != 4 && result != 7) {
                break;
            }
        }
        printFrame("r4", frame, result, time, state);
        if (result != 2) {
            break;
        }
    }
    return 0;
}

// One parsed line: its label, flag and bit patterns.
struct Row {
    std::string driver;
    int frame = 0;
    int flag = 0;
    std::vector<uint32_t> bits;
    std::string text;
};

std::vector<Row> readRows(const char* path) {
    std::ifstream in(path);
    std::vector<Row> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();  // Wine's console writes CR LF
        }
        Row row;
        row.text = line;
        std::istringstream fields(line.substr(0, line.find('#')));
        fields >> row.driver;
        if (row.driver != "r4" && row.driver != "r8") {
            rows.push_back(row);  // "r4 absent" and the like compare as text
            continue;
        }
        fields >> row.frame >> row.flag;
        std::string hex;
        while (fields >> hex) {
            row.bits.push_back(static_cast<uint32_t>(std::stoul(hex, nullptr, 16)));
        }
        rows.push_back(row);
    }
    return rows;
}

// Distance in units in the last place between two floats of the same sign.
int64_t ulpDistance(uint32_t a, uint32_t b) {
    auto ordered = [](uint32_t bits) -> int64_t {
        return (bits & 0x80000000u) ? -int64_t(bits & 0x7FFFFFFFu) : int64_t(bits);
    };
    const int64_t d = ordered(a) - ordered(b);
    return d < 0 ? -d : d;
}

// Flags, frame counts and the drivers' outcomes must be identical. Values must be equal to the
// bit, or one unit in the last place of the float apart: both builds integrate in IEEE double
// (SSE2) with the same operations in the same order; only the C runtimes' pow may differ in the
// last place of a double, which moves a step size by about 1e-16 relative. The state read back is
// rounded to float (24 bits), so such a difference shows, if at all, as a float rounded the other
// way: one unit. More than one unit, or any difference in a flag, is a real divergence.
constexpr int64_t kUlpBound = 1;

int compare(const char* pathA, const char* pathB) {
    const std::vector<Row> a = readRows(pathA);
    const std::vector<Row> b = readRows(pathB);
    if (a.empty()) {
        std::fprintf(stderr, "%s has no frames\n", pathA);
        return 1;
    }
    if (a.size() != b.size()) {
        std::fprintf(stderr, "frame counts differ: %zu and %zu lines\n", a.size(), b.size());
        return 1;
    }
    int64_t worst = 0;
    int differing = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const Row& x = a[i];
        const Row& y = b[i];
        if (x.bits.empty() || y.bits.empty()) {
            if (x.text != y.text) {
                std::fprintf(stderr, "line %zu differs:\n  %s\n  %s\n", i + 1, x.text.c_str(),
                             y.text.c_str());
                return 1;
            }
            continue;
        }
        if (x.driver != y.driver || x.frame != y.frame || x.flag != y.flag ||
            x.bits.size() != y.bits.size()) {
            std::fprintf(stderr, "frame or flag differs:\n  %s\n  %s\n", x.text.c_str(),
                         y.text.c_str());
            return 1;
        }
        bool rowDiffers = false;
        for (std::size_t k = 0; k < x.bits.size(); ++k) {
            const int64_t d = ulpDistance(x.bits[k], y.bits[k]);
            if (d > worst) {
                worst = d;
            }
            rowDiffers = rowDiffers || d != 0;
        }
        if (rowDiffers) {
            ++differing;
        }
        if (worst > kUlpBound) {
            std::fprintf(stderr, "values differ by more than %lld ulp:\n  %s\n  %s\n",
                         static_cast<long long>(kUlpBound), x.text.c_str(), y.text.c_str());
            return 1;
        }
    }
    std::printf("agreement: %zu lines, %d differ in the last place (at most %lld ulp)\n", a.size(),
                differing, static_cast<long long>(worst));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "fly") == 0) {
        return fly();
    }
    if (argc == 4 && std::strcmp(argv[1], "compare") == 0) {
        return compare(argv[2], argv[3]);
    }
    std::fprintf(stderr, "usage: flight-agreement fly | compare A B\n");
    return 2;
}
