// Flying one shot through the loaded Skelvane library, frame by frame, as the game does.
#ifndef DEMO_FLIGHT_H
#define DEMO_FLIGHT_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "loaded_library.h"
#include "skelvane.h"

namespace demo {

struct ShotSettings {
    double mass = 2.0;
    double gravity = -9.81;
    double dragCoefficient = 0.47;
    double density = 1.225;
    double radius = 0.1;
    double speed = 30.0;
    double angleDegrees = 45.0;
    int32_t toleranceExponent = -6;
    double framesPerSecond = 60.0;
    double maxFlightSeconds = 120.0;  // a shot that never comes back down stops here
};

struct Frame {
    float t;
    float x, vx, y, vy;
};

struct FlightSummary {
    std::string name;
    std::vector<Frame> frames;
    std::map<int32_t, int> unusualFlags;  // every flag other than 2, with its count
    bool landed = false;
    std::string stoppedBecause;            // empty when the flight came back to launch height
    double timeOfFlight = 0, range = 0, apex = 0, impactSpeed = 0;
};

// The exports the demo calls, looked up by name.
struct SkelvaneExports {
    decltype(&::selectRHS) selectRHS;
    decltype(&::initSimDouble) initSimDouble;
    decltype(&::advanceSimDouble) advanceSimDouble;
    decltype(&::getSimStateDouble) getSimStateDouble;
    decltype(&::updateParams) updateParams;
    decltype(&::r4_rkf45) r4_rkf45;
    decltype(&::calcEpsilon) calcEpsilon;
    decltype(&::calcEpsilonDouble) calcEpsilonDouble;

    // False (with the missing name in `missing`) when an export is not found.
    bool lookUp(const hostsupport::LoadedLibrary& library, std::string& missing);
};

// The double-precision simulation: selectRHS, initSimDouble, then advance + read back per frame.
FlightSummary flyDouble(const SkelvaneExports& api, const ShotSettings& shot, const std::string& name);

// r4_rkf45 on the demo's own arrays, with the drag lumped into c = rho Cd pi r^2 / 2.
FlightSummary flySingle(const SkelvaneExports& api, const ShotSettings& shot, const std::string& name);

}  // namespace demo

#endif
