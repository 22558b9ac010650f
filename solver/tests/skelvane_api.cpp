#include "skelvane_api.h"

#define SKELVANE_LOOK_UP(name)                                                  \
    name = library.function<decltype(name)>(#name);                             \
    if (name == nullptr) {                                                      \
        ADD_FAILURE() << "export " #name " is missing or its name is decorated"; \
    }

void SkelvaneApi::lookUp(const hostsupport::LoadedLibrary& library) {
    SKELVANE_LOOK_UP(selectRHS)
    SKELVANE_LOOK_UP(initSimDouble)
    SKELVANE_LOOK_UP(setRKF_ICs)
    SKELVANE_LOOK_UP(advanceSimDouble)
    SKELVANE_LOOK_UP(getSimStateDouble)
    SKELVANE_LOOK_UP(setSolverFlag)
    SKELVANE_LOOK_UP(updateParams)
    SKELVANE_LOOK_UP(dump_u_dudt)
    SKELVANE_LOOK_UP(r4_rkf45)
    SKELVANE_LOOK_UP(calcEpsilon)
    SKELVANE_LOOK_UP(calcEpsilonDouble)
}

#undef SKELVANE_LOOK_UP

std::vector<float> ShotParams::asArray() const {
    std::vector<float> params(50, 0.0f);
    params[0] = mass;
    params[1] = gravity;
    params[2] = dragCoefficient;
    params[3] = density;
    params[4] = radius;
    return params;
}

std::vector<float> initialState(float x, float vx, float y, float vy) {
    std::vector<float> state(20, 0.0f);
    state[0] = x;
    state[1] = vx;
    state[2] = y;
    state[3] = vy;
    return state;
}

void SkelvaneTest::SetUp() {
    ASSERT_TRUE(library_.loaded()) << library_.error();
    api_.lookUp(library_);
    ASSERT_FALSE(HasFailure());
}

void SkelvaneTest::startShot(const ShotParams& params, const std::vector<float>& state,
                             int32_t power) {
    api_.selectRHS(1, 4, params.asArray().data());
    ASSERT_EQ(api_.initSimDouble(4, power, state.data()), 1);
}

std::string SkelvaneTest::trace() const { return testsupport::readTextFile("op1.txt"); }

SkelvaneTest::Readback SkelvaneTest::readBack() const {
    Readback r{};
    api_.getSimStateDouble(&r.t, r.y);
    return r;
}
