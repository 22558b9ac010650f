// The Skelvane exports as a host sees them: looked up by undecorated name in the library loaded
// at run time. Every test gets a fresh load in a fresh scratch directory.
#ifndef SKELVANE_TESTS_SKELVANE_API_H
#define SKELVANE_TESTS_SKELVANE_API_H

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "loaded_library.h"
#include "scratch_directory.h"
#include "skelvane.h"
#include "text_file.h"

struct SkelvaneApi {
    decltype(&::selectRHS) selectRHS = nullptr;
    decltype(&::initSimDouble) initSimDouble = nullptr;
    decltype(&::setRKF_ICs) setRKF_ICs = nullptr;
    decltype(&::advanceSimDouble) advanceSimDouble = nullptr;
    decltype(&::getSimStateDouble) getSimStateDouble = nullptr;
    decltype(&::setSolverFlag) setSolverFlag = nullptr;
    decltype(&::updateParams) updateParams = nullptr;
    decltype(&::dump_u_dudt) dump_u_dudt = nullptr;
    decltype(&::r4_rkf45) r4_rkf45 = nullptr;
    decltype(&::calcEpsilon) calcEpsilon = nullptr;
    decltype(&::calcEpsilonDouble) calcEpsilonDouble = nullptr;

    // Looks every export up; each missing one is a test failure of its own.
    void lookUp(const hostsupport::LoadedLibrary& library);
};

// The drag shot of the demo: 2 kg sphere of radius 0.1 m, g = -9.81, Cd = 0.47, rho = 1.225.
struct ShotParams {
    float mass = 2.0f;
    float gravity = -9.81f;
    float dragCoefficient = 0.47f;
    float density = 1.225f;
    float radius = 0.1f;

    std::vector<float> asArray() const;  // the 50 parameters selectRHS takes
};

// Initial values in SimState's layout: x, vx, y, vy, then zeros up to 20 entries.
std::vector<float> initialState(float x, float vx, float y, float vy);

class SkelvaneTest : public ::testing::Test {
protected:
    void SetUp() override;

    // selectRHS(1, 4, params) and initSimDouble(4, power, state).
    void startShot(const ShotParams& params, const std::vector<float>& state, int32_t power);
    // The trace file's text so far, read in text mode (CR LF as LF on Windows).
    std::string trace() const;
    // Reads t and the state back.
    struct Readback {
        float t;
        float y[100];  // room for any equation count
    };
    Readback readBack() const;

    testsupport::ScratchDirectory scratch_;
    hostsupport::LoadedLibrary library_{"Skelvane"};
    SkelvaneApi api_;
};

#endif
