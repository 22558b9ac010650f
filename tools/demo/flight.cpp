#include "flight.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace demo {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int32_t kReached = 2;

std::vector<float> modelParams(const ShotSettings& shot, double dragParameter) {
    std::vector<float> params(50, 0.0f);
    params[0] = static_cast<float>(shot.mass);
    params[1] = static_cast<float>(shot.gravity);
    params[2] = static_cast<float>(dragParameter);
    params[3] = static_cast<float>(shot.density);
    params[4] = static_cast<float>(shot.radius);
    return params;
}

Frame launchFrame(const ShotSettings& shot) {
    const double angle = shot.angleDegrees * kPi / 180.0;
    return Frame{0.0f, 0.0f, static_cast<float>(shot.speed * std::cos(angle)), 0.0f,
                 static_cast<float>(shot.speed * std::sin(angle))};
}

// Landing: the frame where the height comes back below the launch height after rising (or at
// once, for a shot aimed downwards), interpolated linearly within that frame.
bool finishIfLanded(FlightSummary& flight) {
    const std::vector<Frame>& f = flight.frames;
    if (f.size() < 2) {
        return false;
    }
    const Frame& a = f[f.size() - 2];
    const Frame& b = f.back();
    if (!(b.y < 0.0f && b.vy < 0.0f)) {
        return false;
    }
    const double share = a.y == b.y ? 1.0 : a.y / (double(a.y) - b.y);
    auto at = [share](double from, double to) { return from + share * (to - from); };
    flight.landed = true;
    flight.timeOfFlight = at(a.t, b.t);
    flight.range = at(a.x, b.x);
    flight.impactSpeed = std::hypot(at(a.vx, b.vx), at(a.vy, b.vy));
    return true;
}

void noteApex(FlightSummary& flight) {
    flight.apex = std::max(flight.apex, double(flight.frames.back().y));
}

// Result codes a host must stop on (see the library header): they need a restart.
bool needsRestart(int32_t flag) { return flag == 5 || flag == 6 || flag == 8; }

}  // namespace

bool SkelvaneExports::lookUp(const hostsupport::LoadedLibrary& library, std::string& missing) {
#define DEMO_LOOK_UP(name)                                   \
    name = library.function<decltype(name)>(#name);          \
    if (name == nullptr) {                                   \
        missing = #name;                                     \
        return false;                                        \
    }
    DEMO_LOOK_UP(selectRHS)
    DEMO_LOOK_UP(initSimDouble)
    DEMO_LOOK_UP(advanceSimDouble)
    DEMO_LOOK_UP(getSimStateDouble)
    DEMO_LOOK_UP(updateParams)
    DEMO_LOOK_UP(r4_rkf45)
    DEMO_LOOK_UP(calcEpsilon)
    DEMO_LOOK_UP(calcEpsilonDouble)
#undef DEMO_LOOK_UP
    return true;
}

FlightSummary flyDouble(const SkelvaneExports& api, const ShotSettings& shot,
                        const std::string& name) {
    FlightSummary flight;
    flight.name = name;
    const std::vector<float> params = modelParams(shot, shot.dragCoefficient);
    const Frame start = launchFrame(shot);
    std::vector<float> initial(20, 0.0f);
    initial[1] = start.vx;
    initial[3] = start.vy;
    api.selectRHS(1, 4, params.data());
    api.initSimDouble(4, shot.toleranceExponent, initial.data());
    flight.frames.push_back(start);

    const float dt = static_cast<float>(1.0 / shot.framesPerSecond);
    const int maxFrames = static_cast<int>(shot.maxFlightSeconds * shot.framesPerSecond);
    for (int frame = 1; frame <= maxFrames; ++frame) {
        // One frame: after a 3 or a 7 nothing was integrated, so the same interval is asked
        // again; after a 4 part of it was, so the rest of the frame is asked for.
        const float frameEnd = flight.frames.back().t + dt;
        float remaining = dt;
        int32_t flag = api.advanceSimDouble(remaining);
        while (flag == 3 || flag == 4 || flag == 7) {
            ++flight.unusualFlags[flag];
            if (flag == 4) {
                float now = 0.0f;
                api.getSimStateDouble(&now, nullptr);
                remaining = frameEnd - now;
            }
            flag = api.advanceSimDouble(remaining);
        }
        if (flag != kReached) {
            ++flight.unusualFlags[flag];
        }
        if (needsRestart(flag)) {
            flight.stoppedBecause = "the solver answered " + std::to_string(flag);
            return flight;
        }
        Frame f{};
        float state[4];
        api.getSimStateDouble(&f.t, state);
        f.x = state[0];
        f.vx = state[1];
        f.y = state[2];
        f.vy = state[3];
        flight.frames.push_back(f);
        noteApex(flight);
        if (finishIfLanded(flight)) {
            return flight;
        }
    }
    flight.stoppedBecause = "it did not come back down within the flight time limit";
    return flight;
}

FlightSummary flySingle(const SkelvaneExports& api, const ShotSettings& shot,
                        const std::string& name) {
    FlightSummary flight;
    flight.name = name;
    const double lumped = 0.5 * shot.density * shot.dragCoefficient * kPi * shot.radius * shot.radius;
    api.updateParams(modelParams(shot, lumped).data());  // selectRHS already chose the model
    const Frame start = launchFrame(shot);
    flight.frames.push_back(start);

    float y[4] = {start.x, start.vx, start.y, start.vy};
    float yp[4] = {0, 0, 0, 0};
    float t = 0.0f;
    float relerr = static_cast<float>(std::pow(10.0, shot.toleranceExponent));
    const float abserr = relerr;
    int32_t request = 1;
    const int maxFrames = static_cast<int>(shot.maxFlightSeconds * shot.framesPerSecond);
    for (int frame = 1; frame <= maxFrames; ++frame) {
        const float target = static_cast<float>(frame / shot.framesPerSecond);
        int32_t flag = api.r4_rkf45(4, y, yp, &t, target, &relerr, abserr, request);
        while (flag == 3 || flag == 4 || flag == 7) {
            ++flight.unusualFlags[flag];
            flag = api.r4_rkf45(4, y, yp, &t, target, &relerr, abserr, 2);
        }
        if (flag != kReached) {
            ++flight.unusualFlags[flag];
        }
        if (needsRestart(flag)) {
            flight.stoppedBecause = "the solver answered " + std::to_string(flag);
            return flight;
        }
        request = 2;
        flight.frames.push_back(Frame{t, y[0], y[1], y[2], y[3]});
        noteApex(flight);
        if (finishIfLanded(flight)) {
            return flight;
        }
    }
    flight.stoppedBecause = "it did not come back down within the flight time limit";
    return flight;
}

}  // namespace demo
