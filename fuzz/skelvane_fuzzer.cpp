// Skelvane under any sequence of its exports with any argument values.
//
// Each input is a sequence of calls: a running simulation is set up first, then every byte
// group picks an export and its arguments (any flag, NaN, infinities, zeros, negative and huge
// intervals, counts from -1000 to 1000, zero masses, NULL arrays, and the host's floating-point
// mode). Every call must return (libFuzzer reports a hang, an exit or a crash), and:
//   - no export writes outside the host arrays it was given, nor reads past them;
//   - the host's floating-point mode is the same after every call as before it;
//   - every integrator result is one of the flag codes 2, -2, 3, 4, 5, 6, 7, 8;
//   - r4_rkf45 answering 8 or 7 changed none of the host's values; answering 3 it changed
//     only relerr, which is then the single-precision floor;
//   - advanceSimDouble answering 8 or 7 left time and state as they were;
//   - only selectRHS, initSimDouble and dump_u_dudt touch the trace file;
//   - the epsilon probes return 2^-23 and 2^-52 in every host mode.
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "fuzz_support.h"
#include "skelvane.h"

namespace {

using fuzzing::FuzzInput;
using fuzzing::GuardedArray;

constexpr const char* kLibrary = "Skelvane";
constexpr int kMaxCalls = 64;
constexpr int32_t kCountRange = 1000;
constexpr size_t kParamCount = 50;
constexpr size_t kInitialValueCount = 20;
// The single-precision relerr floor 2 eps + 1e-12, formed in double and rounded to single
// (2.3841957e-07). Rounded by the compiler, not in whatever mode the host has set.
constexpr float kRelerrFloor = static_cast<float>(2.0 * 0x1p-23 + 1e-12);

struct Exports {
    decltype(&::selectRHS) selectRHS = fuzzing::exportOf<decltype(selectRHS)>(kLibrary, "selectRHS");
    decltype(&::initSimDouble) initSimDouble =
        fuzzing::exportOf<decltype(initSimDouble)>(kLibrary, "initSimDouble");
    decltype(&::setRKF_ICs) setRKF_ICs = fuzzing::exportOf<decltype(setRKF_ICs)>(kLibrary, "setRKF_ICs");
    decltype(&::advanceSimDouble) advanceSimDouble =
        fuzzing::exportOf<decltype(advanceSimDouble)>(kLibrary, "advanceSimDouble");
    decltype(&::getSimStateDouble) getSimStateDouble =
        fuzzing::exportOf<decltype(getSimStateDouble)>(kLibrary, "getSimStateDouble");
    decltype(&::setSolverFlag) setSolverFlag =
        fuzzing::exportOf<decltype(setSolverFlag)>(kLibrary, "setSolverFlag");
    decltype(&::updateParams) updateParams =
        fuzzing::exportOf<decltype(updateParams)>(kLibrary, "updateParams");
    decltype(&::dump_u_dudt) dump_u_dudt = fuzzing::exportOf<decltype(dump_u_dudt)>(kLibrary, "dump_u_dudt");
    decltype(&::r4_rkf45) r4_rkf45 = fuzzing::exportOf<decltype(r4_rkf45)>(kLibrary, "r4_rkf45");
    decltype(&::calcEpsilon) calcEpsilon = fuzzing::exportOf<decltype(calcEpsilon)>(kLibrary, "calcEpsilon");
    decltype(&::calcEpsilonDouble) calcEpsilonDouble =
        fuzzing::exportOf<decltype(calcEpsilonDouble)>(kLibrary, "calcEpsilonDouble");
};

const Exports& exports() {
    static const Exports e;
    return e;
}

// Runs one library call and checks that it handed the host's floating-point mode back.
template <typename Call>
auto inHostMode(const char* name, Call call) {
    const uint32_t before = fuzzing::floatControl();
    auto result = call();
    FUZZ_CHECK(fuzzing::floatControl() == before,
               std::string(name) + " changed the host's floating-point mode");
    return result;
}

bool isFlagResult(int32_t r) {
    return r == 2 || r == -2 || (r >= 3 && r <= 8);
}

// Size of the trace file, -1 when there is none.
long long traceSize() {
    struct stat info {};
    return stat("op1.txt", &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

// The 2 kg sphere of radius 0.1 m under g = -9.81 with Cd 0.47 in air, and its lumped drag.
std::vector<float> shotParams() {
    std::vector<float> p(kParamCount, 0.0f);
    p[0] = 2.0f;
    p[1] = -9.81f;
    p[2] = 0.47f;
    p[3] = 1.225f;
    p[4] = 0.1f;
    return p;
}

class Session {
public:
    explicit Session(FuzzInput& in) : in_(in) {}

    void run() {
        fuzzing::setFloatControl(fuzzing::hostFloatMode(0));
        startShot();
        for (int call = 0; call < kMaxCalls && !in_.exhausted(); ++call) {
            step();
        }
        fuzzing::setFloatControl(fuzzing::hostFloatMode(0));
    }

private:
    const Exports& api_ = exports();
    FuzzInput& in_;
    int32_t neqn_ = 4;  // the equation count the library was last given

    // The single-precision integration the host owns.
    int32_t n_ = 4;
    GuardedArray<float> y_{4};
    GuardedArray<float> yp_{4};
    GuardedArray<float> t_{1};
    GuardedArray<float> relerr_{1};

    void startShot() {
        std::vector<float> params = shotParams();
        api_.selectRHS(1, 4, params.data());
        std::vector<float> initial(kInitialValueCount, 0.0f);
        initial[1] = 30.0f;
        initial[3] = 40.0f;
        api_.initSimDouble(4, -6, initial.data());
        neqn_ = 4;
        y_[1] = 30.0f;
        y_[3] = 40.0f;
        relerr_[0] = 1e-6f;
    }

    // An exactly sized array of fuzzed floats, or none.
    bool floats(GuardedArray<float>& array, size_t count) {
        if (in_.chance(16)) {
            return false;
        }
        array.resize(count);
        for (size_t i = 0; i < count; ++i) {
            array[i] = in_.anyFloat();
        }
        return true;
    }

    // The host's arrays hold the counts it passes, so they stay within -1000 to 1000; the most
    // negative integer needs no room and comes as well.
    int32_t count() {
        return in_.chance(32) ? INT32_MIN : in_.intIn(-kCountRange, kCountRange);
    }

    int32_t flag() {
        static constexpr int32_t kFlags[] = {1, -1, 2, -2, 3, 4, 5, 6, 7, 8, 0, 9, -3};
        return in_.chance(8) ? in_.anyInt(-1000, 1000) : kFlags[in_.byte() % 13];
    }

    void step() {
        switch (in_.byte() % 12) {
            case 0:
                selectRhs();
                break;
            case 1:
                initSimDouble();
                break;
            case 2:
                setRkfIcs();
                break;
            case 3:
            case 4:
                advance();
                break;
            case 5:
                readBack();
                break;
            case 6: {
                const int32_t f = flag();
                untracedCall("setSolverFlag", [&] { api_.setSolverFlag(f); });
                break;
            }
            case 7: {
                GuardedArray<float> params;
                const bool given = floats(params, kParamCount);
                untracedCall("updateParams", [&] { api_.updateParams(given ? params.data() : nullptr); });
                FUZZ_CHECK(params.guardsIntact(), "updateParams wrote into the host's parameters");
                break;
            }
            case 8:
                inHostMode("dump_u_dudt", [&] { api_.dump_u_dudt(); return 0; });
                break;
            case 9:
            case 10:
                singlePrecision();
                break;
            default:
                hostSide();
                break;
        }
    }

    // A call that must leave the trace file as it was.
    template <typename Call>
    void untracedCall(const char* name, Call call) {
        const long long before = traceSize();
        inHostMode(name, [&] { call(); return 0; });
        FUZZ_CHECK(traceSize() == before, std::string(name) + " wrote the trace file");
    }

    void selectRhs() {
        static constexpr int32_t kCodes[] = {1, 0, 2, -1};
        const int32_t code = in_.chance(4) ? in_.anyInt(-10, 10) : kCodes[in_.byte() % 4];
        const int32_t n = count();
        GuardedArray<float> params;
        bool given = floats(params, kParamCount);
        if (given && in_.chance(2)) {
            // Mostly the shot's physics with a few values replaced: zero masses and the like.
            std::vector<float> shot = shotParams();
            for (size_t i = 0; i < kParamCount; ++i) {
                if (i >= 5 || !in_.chance(3)) {
                    params[i] = shot[i];
                }
            }
        }
        inHostMode("selectRHS", [&] {
            api_.selectRHS(code, n, given ? params.data() : nullptr);
            return 0;
        });
        FUZZ_CHECK(params.guardsIntact(), "selectRHS wrote into the host's parameters");
        neqn_ = n;
    }

    void initSimDouble() {
        const int32_t n = count();
        const int32_t power = in_.anyInt(-60, 60);
        GuardedArray<float> values;
        const bool given = floats(values, kInitialValueCount);
        const int32_t r = inHostMode("initSimDouble", [&] {
            return api_.initSimDouble(n, power, given ? values.data() : nullptr);
        });
        FUZZ_CHECK(r == 1, "initSimDouble returned " + std::to_string(r));
        FUZZ_CHECK(values.guardsIntact(), "initSimDouble wrote into the host's values");
        neqn_ = n;
    }

    void setRkfIcs() {
        const int32_t n = count();
        GuardedArray<float> values;
        const bool given = floats(values, n > 0 ? static_cast<size_t>(n) : 0);
        untracedCall("setRKF_ICs", [&] { api_.setRKF_ICs(n, given ? values.data() : nullptr); });
        FUZZ_CHECK(values.guardsIntact(), "setRKF_ICs wrote into the host's values");
    }

    struct Readback {
        GuardedArray<float> time{1};
        GuardedArray<float> state;
    };

    // getSimStateDouble into host arrays of exactly the room the host gives: neqn floats.
    Readback read(bool timeGiven = true, bool stateGiven = true) {
        Readback r;
        r.state.resize(neqn_ > 0 ? static_cast<size_t>(neqn_) : 0);
        untracedCall("getSimStateDouble", [&] {
            api_.getSimStateDouble(timeGiven ? r.time.data() : nullptr,
                                   stateGiven ? r.state.data() : nullptr);
        });
        FUZZ_CHECK(r.time.guardsIntact(), "getSimStateDouble wrote past the time");
        FUZZ_CHECK(r.state.guardsIntact(), "getSimStateDouble wrote past neqn state entries");
        return r;
    }

    void readBack() {
        const bool timeGiven = !in_.chance(8);
        const bool stateGiven = !in_.chance(8);
        read(timeGiven, stateGiven);
    }

    void advance() {
        float dt = in_.anyFloat();
        if (in_.chance(2)) {
            dt = std::fabs(dt) < 1.0f ? dt : 1.0f / 60.0f;  // a frame, mostly
        }
        const Readback before = read();
        const int32_t r = inHostMode("advanceSimDouble", [&] {
            const long long traced = traceSize();
            const int32_t result = api_.advanceSimDouble(dt);
            FUZZ_CHECK(traceSize() == traced, "advanceSimDouble wrote the trace file");
            return result;
        });
        fuzzing::trace("advanceSimDouble(" + std::to_string(dt) + ") = " + std::to_string(r));
        FUZZ_CHECK(isFlagResult(r), "advanceSimDouble returned " + std::to_string(r));
        if (r == 8 || r == 7) {
            const Readback after = read();
            FUZZ_CHECK(after.time.snapshot() == before.time.snapshot() &&
                           after.state.snapshot() == before.state.snapshot(),
                       "advanceSimDouble answered " + std::to_string(r) + " but moved the simulation");
        }
    }

    void singlePrecision() {
        if (in_.chance(4)) {
            // Mostly the sizes a host uses, sometimes any: a 1000-equation call that spends its
            // whole evaluation budget takes a good part of a second under the sanitizers.
            static constexpr int32_t kCommon[] = {4, 5, 3, 0, 8, 100, -1};
            n_ = in_.chance(4) ? count() : kCommon[in_.byte() % 7];
            const size_t room = n_ > 0 ? static_cast<size_t>(n_) : 0;
            y_.resize(room);
            yp_.resize(room);
        }
        float tout;
        switch (in_.byte() % 4) {
            case 0:
                tout = in_.anyFloat();
                break;
            case 1:
                tout = t_[0];
                break;
            default:
                tout = t_[0] + in_.anyFloat() / 100.0f;
                break;
        }
        const float abserr = in_.chance(2) ? in_.anyFloat() : 1e-6f;
        const int32_t f = flag();
        const uint8_t nulls = in_.chance(8) ? in_.byte() : 0;

        const auto y0 = y_.snapshot();
        const auto yp0 = yp_.snapshot();
        const auto t0 = t_.snapshot();
        const auto relerr0 = relerr_.snapshot();
        const int32_t r = inHostMode("r4_rkf45", [&] {
            return api_.r4_rkf45(n_, (nulls & 1) ? nullptr : y_.data(), (nulls & 2) ? nullptr : yp_.data(),
                                 (nulls & 4) ? nullptr : t_.data(), tout,
                                 (nulls & 8) ? nullptr : relerr_.data(), abserr, f);
        });
        const std::string call = "r4_rkf45(n " + std::to_string(n_) + ", flag " + std::to_string(f) +
                                 ") = " + std::to_string(r);
        fuzzing::trace(call + ", t " + std::to_string(t_[0]) + ", relerr " +
                       std::to_string(relerr_[0]) + ", host mode " +
                       std::to_string(fuzzing::floatControl()));
        FUZZ_CHECK(isFlagResult(r), call + ": not a flag code");
        FUZZ_CHECK(y_.guardsIntact() && yp_.guardsIntact(), call + " wrote past the n entries it was given");
        FUZZ_CHECK(t_.guardsIntact() && relerr_.guardsIntact(), call + " wrote past the time or relerr");
        if (r == 8 || r == 7 || r == 3) {
            FUZZ_CHECK(y_.snapshot() == y0 && yp_.snapshot() == yp0 && t_.snapshot() == t0,
                       call + " but changed the host's time or arrays");
        }
        if (r == 8 || r == 7) {
            FUZZ_CHECK(relerr_.snapshot() == relerr0, call + " but changed relerr");
        }
        if (r == 3) {
            FUZZ_CHECK(relerr_[0] == kRelerrFloor, call + " but relerr is not the floor");
        }
    }

    // What a host does between calls: changes its own arrays, its floating-point mode, the
    // trace file's place, or asks for machine epsilon.
    void hostSide() {
        switch (in_.byte() % 6) {
            case 0:
                if (y_.size() > 0) {
                    y_[in_.u16() % y_.size()] = in_.anyFloat();
                }
                break;
            case 1:
                relerr_[0] = in_.anyFloat();
                break;
            case 2:
                t_[0] = in_.anyFloat();
                break;
            case 3:
                fuzzing::setFloatControl(fuzzing::hostFloatMode(in_.byte()));
                break;
            case 4:
                // A trace file that cannot be opened: a directory in its place, or none.
                if (in_.chance(2)) {
                    unlink("op1.txt");
                    mkdir("op1.txt", 0700);
                } else {
                    rmdir("op1.txt");
                }
                break;
            default: {
                const float e = inHostMode("calcEpsilon", [&] { return api_.calcEpsilon(); });
                const double d = inHostMode("calcEpsilonDouble", [&] { return api_.calcEpsilonDouble(); });
                FUZZ_CHECK(e == std::ldexp(1.0f, -23), "calcEpsilon is not 2^-23");
                FUZZ_CHECK(d == std::ldexp(1.0, -52), "calcEpsilonDouble is not 2^-52");
                break;
            }
        }
    }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    exports();  // loads the library before the first input, so its coverage is seen from the start
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::InScratchDirectory scratch("skelvane-fuzz");
    FuzzInput in(data, size);
    Session session(in);
    session.run();
    rmdir("op1.txt");
    return 0;
}
