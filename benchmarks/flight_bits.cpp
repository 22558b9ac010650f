// Prints every bit a 600-frame flight produces, for both drivers, so that a change to the library
// that must not change a result can be checked by comparing this output before and after it:
//   - advanceSimDouble + getSimStateDouble through the loaded library (time and state as floats);
//   - r4_rkf45 through the loaded library (time, state and derivative on the host's arrays);
//   - the double driver linked in, time, state and derivative in full double precision.
// Each on the default shot and on the fall, at tolerance exponents -3, -6 and -9 (the float
// driver floors the last). One line per frame, in hexadecimal.
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "flight_methods.h"
#include "loaded_library.h"
#include "shots.h"
#include "sim_state.h"

namespace {

void put(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    std::printf(" %08" PRIx32, bits);
}

void put(double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    std::printf(" %016" PRIx64, bits);
}

}  // namespace

int main() {
    hostsupport::LoadedLibrary library("Skelvane");
    bench::SkelvaneExports api;
    if (!library.loaded() || !api.lookUp(library).empty()) {
        std::fprintf(stderr, "cannot load Skelvane or its exports\n");
        return 1;
    }
    const int exponents[] = {-3, -6, -9};
    for (const bench::Shot& shot : {bench::defaultShot(10.0), bench::verticalFall(10.0)}) {
        for (int exponent : exponents) {
            // The double simulation, as the host sees it.
            const auto params = bench::hostParams(shot, false);
            float initial[20] = {};
            initial[1] = shot.vx0;
            initial[3] = shot.vy0;
            api.selectRHS(1, 4, params.data());
            api.initSimDouble(4, exponent, initial);
            for (int k = 1; k <= shot.frames; ++k) {
                const int32_t flag = api.advanceSimDouble(bench::kFrameSeconds);
                float t = 0, y[4] = {};
                api.getSimStateDouble(&t, y);
                std::printf("%s %d advanceSimDouble %d %d", shot.name.c_str(), exponent, k, flag);
                put(t);
                for (float v : y) put(v);
                std::printf("\n");
            }

            // r4_rkf45 on the host's arrays.
            api.updateParams(bench::hostParams(shot, true).data());
            float y[4] = {0.0f, shot.vx0, 0.0f, shot.vy0}, yp[4] = {}, t = 0.0f;
            float relerr = exponent == -3 ? 1e-3f : exponent == -6 ? 1e-6f : 1e-9f;
            const float abserr = relerr;
            int32_t request = 1;
            for (int k = 1; k <= shot.frames; ++k) {
                const int32_t flag = api.r4_rkf45(4, y, yp, &t, static_cast<float>(k / 60.0), &relerr,
                                                  abserr, request);
                request = 2;
                std::printf("%s %d r4_rkf45 %d %d", shot.name.c_str(), exponent, k, flag);
                put(t);
                put(relerr);
                for (float v : y) put(v);
                for (float v : yp) put(v);
                std::printf("\n");
            }

            // The double driver linked in: the full state.
            auto linked = bench::makeLinkedDouble();
            linked->start(shot, exponent);
            for (int k = 1; k <= shot.frames; ++k) {
                linked->frame();
                std::printf("%s %d r8_rkf45 %d", shot.name.c_str(), exponent, k);
                put(skelvane::simState.t);
                for (int i = 0; i < 4; ++i) put(skelvane::simState.y[i]);
                for (int i = 0; i < 4; ++i) put(skelvane::simState.yp[i]);
                std::printf(" %lld\n", linked->evaluations());
            }
        }
    }
    return 0;
}
