// The double-precision RKF45 driver through its internal entry point, with controlled models in
// SimState's rhsDouble and direct access to the saved state.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "rkf45_double.h"
#include "rkf45_saved_state.h"
#include "sim_state.h"

using namespace skelvane;

namespace {

const double kEps = std::ldexp(1.0, -52);
const double kRelerrFloor = 2 * kEps + 1e-12;

// ---- Controlled models -------------------------------------------------------------------------
// The driver evaluates SimState's rhsDouble; it points at recordingModel, which notes the time
// of every call and hands it to the model the test installed. The models write entries 0 to 3
// only: the driver zeroes the rest.

using Model = std::function<void(double t, const double* y, double* yp)>;
Model installedModel;
std::vector<double> callTimes;

void recordingModel(double t, const double* y, double* yp) {
    callTimes.push_back(t);
    installedModel(t, y, yp);
}

// y' = d: every stage derivative equal, so the error combination (its weights sum to zero) is
// exactly 0 and every step is accepted with the largest growth.
Model constant(double d0, double d1, double d2, double d3) {
    return [=](double, const double*, double* yp) {
        yp[0] = d0;
        yp[1] = d1;
        yp[2] = d2;
        yp[3] = d3;
    };
}

// y0' = -y0 (decay), (y1, y2)' = (y2, -y1) (rotation), y3' = 0.
void decayAndRotation(double, const double* y, double* yp) {
    yp[0] = -y[0];
    yp[1] = y[2];
    yp[2] = -y[1];
    yp[3] = 0.0;
}

// y0' = b t^4. The fifth-order weights integrate it exactly; the fourth-order ones miss by
// b h^5 / 2080 (the error weights applied to the nodes' fourth powers give exactly 1/2080).
// From t = 0 with y = (1, 1, 1, 1), abserr 0 and step h, the scaled error is therefore
//   q = 2 b h^5 / 2080 / (relerr (2 + b h^5 / 5)),
// which lets a test choose q.
Model quartic(double b) {
    return [=](double t, const double*, double* yp) {
        yp[0] = b * t * t * t * t;
        yp[1] = 0.0;
        yp[2] = 0.0;
        yp[3] = 0.0;
    };
}
long double quarticQ(long double b, long double h, long double relerr) {
    const long double h5 = h * h * h * h * h;
    return 2 * b * h5 / 2080 / (relerr * (2 + b * h5 / 5));
}
// The b that gives q for a step of 1 at this relerr.
double quarticCoefficientFor(long double q, long double relerr) {
    return double(2 * q * relerr / (2.0L / 2080 - q * relerr / 5));
}

// Derivatives of alternating sign and huge size: no step size makes the error small. With
// relerr 1e-10 the scaled error stays near 1e8 whatever the step (the candidate's own size
// grows with h like the error does), so every attempt is rejected with the smallest shrink.
Model noise() {
    return [](double, const double*, double* yp) {
        yp[0] = (callTimes.size() % 2 == 0) ? 1e30 : -1e30;
        yp[1] = 0.0;
        yp[2] = 0.0;
        yp[3] = 0.0;
    };
}

bool sameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

::testing::AssertionResult sameSavedState(const Rkf45SavedStateDouble& a,
                                          const Rkf45SavedStateDouble& b) {
    if (a.resumeFlag == b.resumeFlag && a.lastOutcome == b.lastOutcome &&
        a.startStage == b.startStage && a.crowdedCount == b.crowdedCount &&
        a.evalCount == b.evalCount && sameBits(a.stepSize, b.stepSize) &&
        sameBits(a.savedRelerr, b.savedRelerr) && sameBits(a.savedAbserr, b.savedAbserr)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "saved state differs: resumeFlag " << a.resumeFlag << "/" << b.resumeFlag
           << ", lastOutcome " << a.lastOutcome << "/" << b.lastOutcome << ", startStage "
           << a.startStage << "/" << b.startStage << ", crowdedCount " << a.crowdedCount << "/"
           << b.crowdedCount << ", evalCount " << a.evalCount << "/" << b.evalCount << ", stepSize "
           << a.stepSize << "/" << b.stepSize << ", savedRelerr " << a.savedRelerr << "/"
           << b.savedRelerr << ", savedAbserr " << a.savedAbserr << "/" << b.savedAbserr;
}

class DriverTest : public ::testing::Test {
  protected:
    void SetUp() override {
        n_ = 4;
        setState(1, 1, 1, 1);
        for (int k = 4; k < 8; ++k) {
            y_[k] = 0.0;
        }
        for (double& v : yp_) {
            v = 0.0;
        }
        t_ = 0.0;
        relerr_ = 1e-6;
        abserr_ = 1e-6;
        simState = SimState{};
        simState.rhsDouble = recordingModel;
        r8SavedState = Rkf45SavedStateDouble{};
        callTimes.clear();
        installedModel = constant(1, 1, 1, 1);
    }
    void TearDown() override {
        r8SavedState = Rkf45SavedStateDouble{};
        installedModel = nullptr;
    }

    int32_t call(int32_t flag, double target) {
        return r8_rkf45(n_, y_, yp_, &t_, target, &relerr_, abserr_, flag);
    }

    // The driver as a running interval-mode (or single-step) integration leaves it.
    void primeRunning(double h, int32_t resumeFlag = 2, int32_t evalCount = 0) {
        r8SavedState.resumeFlag = resumeFlag;
        r8SavedState.lastOutcome = 0;
        r8SavedState.startStage = 1;
        r8SavedState.crowdedCount = 0;
        r8SavedState.evalCount = evalCount;
        r8SavedState.stepSize = h;
        r8SavedState.savedRelerr = relerr_;
        r8SavedState.savedAbserr = abserr_;
        installedModel(t_, y_, yp_);
    }

    void setState(double y0, double y1, double y2, double y3) {
        y_[0] = y0;
        y_[1] = y1;
        y_[2] = y2;
        y_[3] = y3;
    }

    // Times at which attempt i (counted from the first model call of interest) evaluated its
    // fourth stage, t + h: from t = 0 that is h itself.
    static double fourthStageTime(std::size_t firstCall, std::size_t attempt) {
        return callTimes.at(firstCall + 5 * attempt + 3);
    }

    struct Snapshot {
        Rkf45SavedStateDouble saved;
        std::vector<double> y, yp;
        double t, relerr;
        std::size_t calls;
    };
    Snapshot snapshot() const {
        return {r8SavedState,
                std::vector<double>(y_, y_ + 8),
                std::vector<double>(yp_, yp_ + 8),
                t_,
                relerr_,
                callTimes.size()};
    }
    void expectUnchangedSince(const Snapshot& s, const char* what) const {
        EXPECT_TRUE(sameSavedState(r8SavedState, s.saved)) << what;
        EXPECT_EQ(std::vector<double>(y_, y_ + 8), s.y) << what;
        EXPECT_EQ(std::vector<double>(yp_, yp_ + 8), s.yp) << what;
        EXPECT_TRUE(sameBits(t_, s.t)) << what;
        EXPECT_TRUE(sameBits(relerr_, s.relerr)) << what;
        EXPECT_EQ(callTimes.size(), s.calls) << what << ": the model was evaluated";
    }

    int32_t n_ = 4;
    double y_[8] = {1, 1, 1, 1, 0, 0, 0, 0};
    double yp_[8] = {};
    double t_ = 0.0;
    double relerr_ = 1e-6;
    double abserr_ = 1e-6;
};

}  // namespace

// ---- Load values, invalid input, protocol violations -------------------------------------------

TEST(DriverLoadTest, TheSavedStateStartsAsANeverStartedDriver) {
    const Rkf45SavedStateDouble& s = r8SavedState;
    EXPECT_EQ(s.resumeFlag, -1000);
    EXPECT_EQ(s.lastOutcome, -1000);
    EXPECT_EQ(s.startStage, -1000);
    EXPECT_EQ(s.crowdedCount, -1);
    EXPECT_EQ(s.evalCount, -1);
    EXPECT_EQ(s.stepSize, -1.0);
    EXPECT_EQ(s.savedRelerr, -1.0);
    EXPECT_EQ(s.savedAbserr, -1.0);
}

TEST_F(DriverTest, InvalidInputAnswersEightAndChangesNothing) {
    const struct {
        const char* what;
        int32_t n;
        double relerr, abserr;
        int32_t flag;
        bool noModel;
    } cases[] = {
        {"n 0", 0, 1e-6, 1e-6, 1, false},
        {"n -1", -1, 1e-6, 1e-6, 1, false},
        {"n 3, fewer than the model writes", 3, 1e-6, 1e-6, 1, false},
        {"n 1", 1, 1e-6, 1e-6, 2, false},
        {"negative relerr", 4, -1e-9, 1e-6, 1, false},
        {"negative abserr", 4, 1e-6, -1e-9, 1, false},
        {"flag 0", 4, 1e-6, 1e-6, 0, false},
        {"flag 9", 4, 1e-6, 1e-6, 9, false},
        {"flag -3", 4, 1e-6, 1e-6, -3, false},
        {"flag INT_MIN", 4, 1e-6, 1e-6, INT_MIN, false},
        {"flag INT_MAX", 4, 1e-6, 1e-6, INT_MAX, false},
        {"no model selected", 4, 1e-6, 1e-6, 1, true},
    };
    for (bool running : {false, true}) {
        for (const auto& c : cases) {
            SetUp();
            if (running) {
                ASSERT_EQ(call(1, 1.0), 2);
            }
            n_ = c.n;
            relerr_ = c.relerr;
            abserr_ = c.abserr;
            if (c.noModel) {
                simState.rhsDouble = nullptr;
            }
            const Snapshot before = snapshot();
            EXPECT_EQ(call(c.flag, t_ + 1.0), 8) << c.what << (running ? ", running" : "");
            expectUnchangedSince(before, c.what);
        }
    }
}

TEST_F(DriverTest, ProtocolViolationsAnswerEightAndChangeNothing) {
    const struct {
        const char* what;
        int32_t flag;
        double abserr;
        double interval;
    } cases[] = {
        {"flag 6", 6, 1e-6, 1.0},
        {"flag 7", 7, 1e-6, 1.0},
        {"flag 8", 8, 1e-6, 1.0},
        {"flag -6 is out of range too", -6, 1e-6, 1.0},
        {"flag 5 while abserr is 0", 5, 0.0, 1.0},
        {"flag 2 on its own target", 2, 1e-6, 0.0},
        {"flag -2 on its own target", -2, 1e-6, 0.0},
        {"flag 3 on its own target", 3, 1e-6, 0.0},
        {"flag 4 on its own target", 4, 1e-6, 0.0},
    };
    for (const auto& c : cases) {
        SetUp();
        ASSERT_EQ(call(1, 1.0), 2);
        abserr_ = c.abserr;
        const Snapshot before = snapshot();
        EXPECT_EQ(call(c.flag, t_ + c.interval), 8) << c.what;
        expectUnchangedSince(before, c.what);
        abserr_ = 1e-6;
        EXPECT_EQ(call(2, t_ + 1.0), 2) << "a valid flag continues after " << c.what;
    }
}

// ---- Relative-tolerance floor and flag 3 -------------------------------------------------------

TEST_F(DriverTest, RelerrBelowTheFloorIsRaisedWithoutIntegrating) {
    EXPECT_NEAR(kRelerrFloor, 1.00044408920985e-12, 1e-26);
    const struct {
        double relerr;
        bool raised;
    } cases[] = {
        {0.0, true},
        {1e-13, true},
        {std::nextafter(kRelerrFloor, 0.0), true},
        {kRelerrFloor, false},  // equal to the floor passes
        {std::nextafter(kRelerrFloor, 1.0), false},
    };
    for (const auto& c : cases) {
        SetUp();
        relerr_ = c.relerr;
        abserr_ = 1e-9;
        const Snapshot before = snapshot();
        const int32_t r = call(1, 1.0);
        if (!c.raised) {
            EXPECT_EQ(r, 2) << c.relerr;
            EXPECT_EQ(relerr_, c.relerr);
            continue;
        }
        EXPECT_EQ(r, 3) << c.relerr;
        EXPECT_EQ(relerr_, kRelerrFloor);
        EXPECT_TRUE(sameBits(t_, before.t));
        EXPECT_EQ(std::vector<double>(y_, y_ + 8), before.y);
        EXPECT_EQ(callTimes.size(), 0u) << "nothing evaluated";
        EXPECT_EQ(r8SavedState.lastOutcome, 3);
        EXPECT_EQ(r8SavedState.resumeFlag, 1);
        EXPECT_TRUE(sameBits(r8SavedState.savedRelerr, c.relerr)) << "taken before the raise";
        EXPECT_EQ(r8SavedState.savedAbserr, 1e-9);
        EXPECT_EQ(r8SavedState.startStage, -1000) << "the start itself was not made";
    }
}

TEST_F(DriverTest, AfterThreeTheInterruptedStartIsRedone) {
    const struct {
        int32_t start, resumeWith, expected;
    } cases[] = {
        {1, 3, 2}, {1, 2, 2}, {1, -2, 2}, {1, 4, 2}, {1, 5, 2}, {-1, 3, -2}, {-1, 2, -2},
    };
    for (const auto& c : cases) {
        SetUp();
        relerr_ = 0.0;
        ASSERT_EQ(call(c.start, 10.0), 3);
        yp_[0] = 99.0;  // stale: a redone start evaluates it afresh
        EXPECT_EQ(call(c.resumeWith, 10.0), c.expected)
            << "start " << c.start << ", resumed with " << c.resumeWith;
        ASSERT_FALSE(callTimes.empty());
        EXPECT_EQ(callTimes[0], 0.0) << "the start evaluates the model at t";
        EXPECT_EQ(r8SavedState.startStage, 1);
        EXPECT_EQ(r8SavedState.resumeFlag, c.start < 0 ? -2 : 2);
        EXPECT_EQ(r8SavedState.lastOutcome, 0);
        EXPECT_EQ(yp_[0], 1.0);
    }
}

TEST_F(DriverTest, AfterThreeOnAContinuationTheIntegrationSimplyGoesOn) {
    ASSERT_EQ(call(1, 1.0), 2);
    const int32_t evaluationsSoFar = r8SavedState.evalCount;
    const double stepSoFar = r8SavedState.stepSize;
    relerr_ = 0.0;
    ASSERT_EQ(call(2, 2.0), 3);
    EXPECT_EQ(r8SavedState.evalCount, evaluationsSoFar);
    EXPECT_EQ(r8SavedState.stepSize, stepSoFar);
    const std::size_t firstCall = callTimes.size();
    EXPECT_EQ(call(3, 2.0), 2);
    EXPECT_EQ(t_, 2.0);
    EXPECT_GT(callTimes.at(firstCall), 1.0) << "no start: the first evaluation is a stage";
    EXPECT_EQ(r8SavedState.resumeFlag, 2);
    EXPECT_EQ(r8SavedState.evalCount,
              evaluationsSoFar + static_cast<int32_t>(callTimes.size() - firstCall));
}

TEST_F(DriverTest, OnItsOwnTargetAContinuationIsAcceptedOnlyAfterThree) {
    relerr_ = 0.0;
    ASSERT_EQ(call(1, 0.0), 3);
    EXPECT_EQ(call(2, 0.0), 2) << "after a 3, t = T passes and the start is redone";
    EXPECT_EQ(callTimes.size(), 1u);
    EXPECT_EQ(call(2, 0.0), 8) << "otherwise t = T is invalid";
}

// ---- Starts ------------------------------------------------------------------------------------

TEST_F(DriverTest, AStartOnItsOwnTargetOnlyEvaluatesAndTheNextCallChoosesTheStep) {
    for (int32_t start : {1, -1}) {
        SetUp();
        setState(1, 2, 3, 4);
        EXPECT_EQ(call(start, 0.0), 2);
        EXPECT_EQ(callTimes.size(), 1u);
        EXPECT_EQ(t_, 0.0);
        EXPECT_EQ(yp_[2], 1.0);
        EXPECT_EQ(r8SavedState.startStage, 0);
        EXPECT_EQ(r8SavedState.crowdedCount, 0);
        EXPECT_EQ(r8SavedState.evalCount, 1);
        EXPECT_EQ(r8SavedState.resumeFlag, start);

        // The continuation resumes with the start's mode and chooses the initial step; it
        // does not start again.
        const int32_t r = call(2, 10.0);
        EXPECT_EQ(r, start < 0 ? -2 : 2) << "start " << start;
        EXPECT_GT(callTimes.at(1), 0.0) << "no second start evaluation";
        EXPECT_EQ(r8SavedState.startStage, 1);
        EXPECT_EQ(r8SavedState.resumeFlag, start < 0 ? -2 : 2);
    }
}

TEST_F(DriverTest, InitialStepSizeFollowsTheTolerancesAndTheDerivatives) {
    const double dtMin10 = 26 * kEps * 10;
    struct Case {
        const char* what;
        double y[4], d[4];
        double relerr, abserr, t0, target;
        double expectedH;
    };
    const auto reduced = [](double y, double relerr, double abserr, double d) {
        return std::pow((std::fabs(y) * relerr + abserr) / std::fabs(d), 0.2);
    };
    const Case cases[] = {
        {"no derivative: the whole interval", {1, 1, 1, 1}, {0, 0, 0, 0}, 1e-6, 1e-6, 0, 8, 8},
        {"one component reduces it",
         {1, 1, 1, 1},
         {0, 0, 1e3, 0},
         1e-6,
         1e-6,
         0,
         1,
         reduced(1, 1e-6, 1e-6, 1e3)},
        {"each component reduces the step the previous one left",
         {1, 0, 2, 4},
         {10, 0, -1e3, 1e4},
         1e-6,
         1e-6,
         0,
         1,
         reduced(4, 1e-6, 1e-6, 1e4)},
        {"a later, weaker component keeps it",
         {1, 1, 1, 1},
         {1e4, 0, 10, 0},
         1e-6,
         1e-6,
         0,
         1,
         reduced(1, 1e-6, 1e-6, 1e4)},
        {"no positive tolerance: the smallest step of the interval",
         {0, 0, 0, 0},
         {1, 1, 1, 1},
         1e-6,
         0,
         0,
         10,
         dtMin10},
        {"no positive tolerance, |t| larger than |dt|",
         {0, 0, 0, 0},
         {1, 1, 1, 1},
         1e-6,
         0,
         1024,
         1025,
         26 * kEps * 1024},
        {"no positive tolerance, backwards",
         {0, 0, 0, 0},
         {1, 1, 1, 1},
         1e-6,
         0,
         -2,
         -1026,
         -26 * kEps * 1024},
        {"reduced below the smallest step",
         {1, 1, 1, 1},
         {1e300, 0, 0, 0},
         1e-6,
         1e-6,
         0,
         1,
         26 * kEps * 1},
    };
    for (const Case& c : cases) {
        for (int32_t start : {1, -1}) {
            SetUp();
            setState(c.y[0], c.y[1], c.y[2], c.y[3]);
            installedModel = constant(c.d[0], c.d[1], c.d[2], c.d[3]);
            relerr_ = c.relerr;
            abserr_ = c.abserr;
            t_ = c.t0;
            call(start, c.target);
            // The first attempt's fourth stage is at t + h.
            ASSERT_GE(callTimes.size(), 6u) << c.what;
            EXPECT_DOUBLE_EQ(callTimes[4] - c.t0, c.expectedH) << c.what;
            EXPECT_EQ(callTimes[4], c.t0 + c.expectedH) << c.what;
            EXPECT_EQ(r8SavedState.resumeFlag, start < 0 ? -2 : 2) << c.what;
        }
    }
}

TEST_F(DriverTest, TheCarriedStepTakesTheDirectionOfTheNextInterval) {
    installedModel = constant(1, -2, 0.5, 4);
    ASSERT_EQ(call(1, 4.0), 2);
    ASSERT_GT(r8SavedState.stepSize, 0.0);
    const std::size_t firstCall = callTimes.size();
    EXPECT_EQ(call(2, 1.0), 2);
    EXPECT_EQ(t_, 1.0);
    for (std::size_t i = firstCall; i < callTimes.size(); ++i) {
        EXPECT_LT(callTimes[i], 4.0);
        EXPECT_GE(callTimes[i], 1.0);
    }
    EXPECT_LT(r8SavedState.stepSize, 0.0);
    // y' is constant: y(1) = y(0) + d, whatever path the steps took.
    EXPECT_DOUBLE_EQ(y_[1], 1.0 - 2.0);
    EXPECT_DOUBLE_EQ(y_[3], 1.0 + 4.0);
}

// ---- The step loop -----------------------------------------------------------------------------

TEST_F(DriverTest, TheIntervalEndIsReachedByLandingOrBySplittingTheRemainder) {
    // Carried step 1, constant derivative (every step accepted, the next one 5 times larger).
    const struct {
        double target;
        std::vector<double> stepEnds;
    } cases[] = {
        {0.8, {0.8}},        // |dt| <= |h|: the step is dt
        {1.0, {1.0}},        // equal: still dt
        {1.5, {0.75, 1.5}},  // |h| < |dt| < 2|h|: half of dt first
        {1.9375, {0.96875, 1.9375}},
        {2.0, {1.0, 2.0}},  // |dt| = 2|h|: h unchanged
        {3.0, {1.0, 3.0}},
        {-1.5, {-0.75, -1.5}},
    };
    for (const auto& c : cases) {
        SetUp();
        primeRunning(1.0);
        EXPECT_EQ(call(2, c.target), 2) << c.target;
        EXPECT_EQ(t_, c.target);
        // After each accepted step the model is evaluated at the new t: every sixth call.
        std::vector<double> ends;
        for (std::size_t i = 6; i <= callTimes.size(); i += 6) {
            ends.push_back(callTimes[i - 1]);
        }
        EXPECT_EQ(ends, c.stepEnds) << "target " << c.target;
        EXPECT_EQ(callTimes.size() % 6, 0u) << "whole steps, none rejected";
    }
}

TEST_F(DriverTest, ReachingTheTargetSetsTheTimeToItExactly) {
    t_ = 0.7;
    primeRunning(4.0);
    ASSERT_NE(0.7 + (2.9 - 0.7), 2.9) << "t + dt must miss T for this case";
    EXPECT_EQ(call(2, 2.9), 2);
    EXPECT_EQ(callTimes.size(), 6u) << "one step of dt";
    EXPECT_TRUE(sameBits(t_, 2.9));
}

TEST_F(DriverTest, ARejectedStepShrinksByTheSafetyFactorOrByAtMostTen) {
    const double relerr = 1e-10;
    const long double qs[] = {1e6L, 7e4L, 5e4L, 10.0L, 1.5L};
    for (long double q : qs) {
        SetUp();
        relerr_ = relerr;
        abserr_ = 0.0;
        installedModel = quartic(quarticCoefficientFor(q, relerr));
        primeRunning(1.0, -2);
        ASSERT_EQ(call(-2, 100.0), -2) << double(q);
        ASSERT_GE(callTimes.size(), 10u);
        EXPECT_EQ(fourthStageTime(0, 0), 1.0);
        const double h2 = fourthStageTime(0, 1);
        if (q >= 59049) {
            EXPECT_EQ(h2, 0.1) << "q " << double(q) << ": exactly one tenth";
        } else {
            const double s = double(0.9L / std::pow(q, 0.2L));
            EXPECT_NEAR(h2, s, 1e-12) << "q " << double(q);
        }
    }
}

TEST_F(DriverTest, AnAcceptedStepGrowsByTheSafetyFactorOrByAtMostFive) {
    const double relerr = 1e-10;
    const long double qs[] = {1e-5L, 1.8e-4L, 2e-4L, 1e-2L, 0.5L, 0.99L};
    for (long double q : qs) {
        SetUp();
        relerr_ = relerr;
        abserr_ = 0.0;
        installedModel = quartic(quarticCoefficientFor(q, relerr));
        primeRunning(1.0, -2);
        ASSERT_EQ(call(-2, 100.0), -2) << double(q);
        EXPECT_EQ(callTimes.size(), 6u) << "one attempt, accepted";
        EXPECT_EQ(t_, 1.0);
        if (q <= 0.0001889568L) {
            EXPECT_EQ(r8SavedState.stepSize, 5.0) << "q " << double(q);
        } else {
            EXPECT_NEAR(r8SavedState.stepSize, double(0.9L / std::pow(q, 0.2L)), 1e-12)
                << "q " << double(q);
        }
    }
    EXPECT_NEAR(double(quarticQ(quarticCoefficientFor(0.25L, 1e-10L), 1, 1e-10L)), 0.25, 1e-12);
}

TEST_F(DriverTest, AStepThatNeededARetryIsNeverFollowedByALargerOne) {
    // The first attempt sees noise and is rejected (h 1 -> 0.1); the retry sees a constant
    // derivative, so its error is 0 and would allow five times the step.
    relerr_ = 1e-10;
    installedModel = [](double t, const double* y, double* yp) {
        if (callTimes.size() <= 5) {
            noise()(t, y, yp);
        } else {
            constant(0, 0, 0, 0)(t, y, yp);
        }
    };
    primeRunning(1.0, -2);
    yp_[0] = 0.0;
    ASSERT_EQ(call(-2, 100.0), -2);
    EXPECT_EQ(callTimes.size(), 11u) << "one rejected and one accepted attempt";
    EXPECT_EQ(t_, 0.1);
    EXPECT_EQ(r8SavedState.stepSize, 0.1) << "growth is capped at 1 after a rejection";
}

TEST_F(DriverTest, TooSmallAStepGivesSixAndLeavesTheLastAcceptedStep) {
    t_ = 1.0;
    relerr_ = 1e-10;
    installedModel = noise();
    primeRunning(1e-3);
    callTimes.clear();
    const Snapshot before = snapshot();
    EXPECT_EQ(call(2, 2.0), 6);
    const double hmin = 26 * kEps * 1.0;
    int attempts = 0;
    for (double h = 1e-3; !(h < hmin); h = 0.1 * h) {
        ++attempts;
    }
    EXPECT_EQ(callTimes.size(), std::size_t(5 * attempts)) << "every attempt rejected";
    EXPECT_EQ(r8SavedState.lastOutcome, 6);
    EXPECT_LT(r8SavedState.stepSize, hmin);
    EXPECT_GE(r8SavedState.stepSize * 10.5, hmin);
    EXPECT_EQ(r8SavedState.evalCount, 5 * attempts);
    EXPECT_TRUE(sameBits(t_, before.t));
    EXPECT_EQ(std::vector<double>(y_, y_ + 8), before.y);
    EXPECT_EQ(std::vector<double>(yp_, yp_ + 8), before.yp);
}

TEST_F(DriverTest, AReducedStepEqualToTheSmallestIsRetried) {
    t_ = 1.0;  // the smallest step is 26 eps exactly
    relerr_ = 1e-10;
    const double hmin = 26 * kEps;
    ASSERT_EQ(0.1 * (10 * hmin), hmin) << "one tenth of 10 hmin must round to hmin";
    installedModel = noise();
    primeRunning(10 * hmin);
    callTimes.clear();
    EXPECT_EQ(call(2, 2.0), 6);
    ASSERT_EQ(callTimes.size(), 10u) << "the attempt at exactly hmin was made";
    EXPECT_EQ(fourthStageTime(0, 1), 1.0 + hmin);
    EXPECT_EQ(r8SavedState.stepSize, 0.1 * hmin);
}

TEST_F(DriverTest, ContinuingAfterSixNeedsARaisedToleranceOrAnExplicitResume) {
    const struct {
        int32_t flag;
        double relerrFactor, abserrFactor;
        bool continues;
        int32_t expected;
    } cases[] = {
        {2, 1, 1, false, 8}, {-2, 1, 1, false, 8}, {2, 0.5, 0.5, false, 8},
        {2, 2, 1, true, 2},  {2, 1, 2, true, 2},   {-2, 2, 1, true, -2},
        {3, 1, 1, true, 2},  {4, 1, 1, true, 2},   {5, 1, 1, true, 2},
    };
    for (const auto& c : cases) {
        SetUp();
        t_ = 1.0;
        relerr_ = 1e-10;
        primeRunning(1e-3);  // yp from the constant model, which the continuation uses again
        installedModel = noise();
        ASSERT_EQ(call(2, 2.0), 6);
        installedModel = constant(1, 1, 1, 1);
        relerr_ *= c.relerrFactor;
        abserr_ *= c.abserrFactor;
        const Snapshot before = snapshot();
        EXPECT_EQ(call(c.flag, 2.0), c.expected)
            << "flag " << c.flag << ", relerr x" << c.relerrFactor << ", abserr x"
            << c.abserrFactor;
        if (!c.continues) {
            expectUnchangedSince(before, "refused continuation after a 6");
        } else {
            EXPECT_GT(t_, 1.0);
            EXPECT_EQ(r8SavedState.lastOutcome, 0);
        }
    }
}

// ---- Tiny intervals, crowded output ------------------------------------------------------------

TEST_F(DriverTest, AnIntervalBelowTheSmallestStepIsOneEulerStep) {
    const double t0 = 1048576.0;  // 2^20: 26 eps |t| = 26 * 2^-32 exactly
    const double smallest = 26 * kEps * t0;
    const struct {
        int32_t flag;
        double dt;
        bool euler;
    } cases[] = {
        {1, std::ldexp(1.0, -30), true},
        {2, std::ldexp(1.0, -30), true},
        {2, -std::ldexp(1.0, -30), true},
        {-2, std::ldexp(1.0, -30), true},
        {2, smallest, true},
        {2, 2 * smallest, false},
    };
    for (const auto& c : cases) {
        SetUp();
        t_ = t0;
        setState(1, 2, 3, 4);
        installedModel = constant(1, -2, 0.5, 4);
        if (c.flag != 1) {
            primeRunning(1.0, c.flag, 10);
        }
        callTimes.clear();
        const double target = t0 + c.dt;
        ASSERT_EQ(target - t0, c.dt) << "the target must be exact";
        EXPECT_EQ(call(c.flag, target), 2) << c.dt;
        EXPECT_TRUE(sameBits(t_, target));
        if (!c.euler) {
            EXPECT_EQ(callTimes.size(), 6u) << "an ordinary step";
            continue;
        }
        const std::size_t expectedCalls = c.flag == 1 ? 2 : 1;
        ASSERT_EQ(callTimes.size(), expectedCalls) << c.dt;
        EXPECT_EQ(callTimes.back(), target) << "the derivative belongs to T";
        EXPECT_EQ(r8SavedState.evalCount, c.flag == 1 ? 2 : 11);
        const double d[4] = {1, -2, 0.5, 4};
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(y_[k], double(k + 1) + c.dt * d[k]) << k;  // exact: dyadic values
        }
    }
}

TEST_F(DriverTest, TheHundredthCrowdedCallAnswersSevenWithoutIntegrating) {
    const double dt = 1.0 / 64;
    ASSERT_EQ(call(1, dt), 2);  // the step is dt, so this call is not crowded
    EXPECT_EQ(r8SavedState.crowdedCount, 0);
    for (int round = 0; round < 2; ++round) {
        for (int crowded = 1; crowded < 100; ++crowded) {
            ASSERT_EQ(call(2, t_ + dt), 2) << "crowded call " << crowded;
            EXPECT_EQ(r8SavedState.crowdedCount, crowded);
        }
        const Snapshot before = snapshot();
        EXPECT_EQ(call(2, t_ + dt), 7) << "round " << round;
        EXPECT_EQ(r8SavedState.crowdedCount, 0);
        EXPECT_TRUE(sameBits(t_, before.t));
        EXPECT_EQ(std::vector<double>(y_, y_ + 8), before.y);
        EXPECT_EQ(callTimes.size(), before.calls) << "nothing integrated";
    }
}

TEST_F(DriverTest, CrowdedCallsNeedNotBeConsecutive) {
    const double dt = 1.0 / 64;
    ASSERT_EQ(call(1, dt), 2);
    for (int crowded = 1; crowded < 100; ++crowded) {
        ASSERT_EQ(call(2, t_ + dt), 2);
        ASSERT_EQ(r8SavedState.crowdedCount, crowded);
        // A roomy interval in between: not crowded, and it resets nothing.
        ASSERT_LT(std::fabs(r8SavedState.stepSize), 2.0);
        ASSERT_EQ(call(2, t_ + 1.0), 2);
        ASSERT_EQ(r8SavedState.crowdedCount, crowded);
    }
    EXPECT_EQ(call(2, t_ + dt), 7);
}

TEST_F(DriverTest, ACrowdedCountThatStandsAtTheLimitAnswersSevenEvenOnARoomyInterval) {
    primeRunning(1.0);
    r8SavedState.crowdedCount = 100;
    callTimes.clear();
    EXPECT_EQ(call(2, 1000.0), 7);
    EXPECT_EQ(r8SavedState.crowdedCount, 0);
    EXPECT_EQ(callTimes.size(), 0u);
}

// ---- Evaluation budget -------------------------------------------------------------------------

TEST_F(DriverTest, TheBudgetIsTestedOnlyBeforeAnAttempt) {
    const struct {
        int32_t primed, expectedCount, steps;
    } cases[] = {
        {2994, 3006, 2},
        {2995, 3001, 1},
        {3000, 3006, 1},
        {3001, 3001, 0},
    };
    for (const auto& c : cases) {
        SetUp();
        primeRunning(0.125, 2, c.primed);
        callTimes.clear();
        EXPECT_EQ(call(2, 1000.0), 4) << c.primed;
        EXPECT_EQ(r8SavedState.evalCount, c.expectedCount) << c.primed;
        EXPECT_EQ(r8SavedState.lastOutcome, 4);
        EXPECT_EQ(callTimes.size(), std::size_t(6 * c.steps));
        const double reached[] = {0.0, 0.125, 0.125 + 0.625};
        EXPECT_EQ(t_, reached[c.steps]) << "t belongs to the last accepted step";
    }
}

TEST_F(DriverTest, TheBudgetCountsEveryEvaluationAndIsResetToContinue) {
    installedModel = decayAndRotation;
    setState(1, 1, 0, 0);
    relerr_ = 1e-11;
    abserr_ = 1e-11;
    ASSERT_EQ(call(1, 1000.0), 4);
    EXPECT_EQ(r8SavedState.evalCount, int32_t(callTimes.size())) << "a start counts 1";
    EXPECT_GT(r8SavedState.evalCount, 3000);
    EXPECT_LE(r8SavedState.evalCount, 3006);
    ASSERT_GT(t_, 0.0);
    ASSERT_LT(t_, 1000.0);
    // t, y and yp belong to the last accepted step.
    EXPECT_EQ(callTimes.back(), t_);
    EXPECT_EQ(yp_[0], -y_[0]);
    EXPECT_EQ(yp_[1], y_[2]);
    EXPECT_NEAR(y_[1], std::cos(t_), 1e-8);

    const struct {
        int32_t flag;
        int32_t expected;
    } resumes[] = {{4, 4}, {2, 4}, {-2, -2}};
    for (const auto& r : resumes) {
        const std::size_t firstCall = callTimes.size();
        EXPECT_EQ(call(r.flag, 1000.0), r.expected) << "flag " << r.flag;
        EXPECT_EQ(r8SavedState.evalCount, int32_t(callTimes.size() - firstCall))
            << "flag " << r.flag << " reset the budget";
    }
}

// ---- Pure relative test, flag 5 ----------------------------------------------------------------

TEST_F(DriverTest, AZeroComponentWithoutAbsoluteToleranceGivesFive) {
    for (int32_t start : {1, -1}) {
        SetUp();
        setState(0, 0, 0, 0);
        installedModel = constant(0, 0, 0, 0);
        abserr_ = 0.0;
        EXPECT_EQ(call(start, 1.0), 5);
        EXPECT_EQ(t_, 0.0);
        EXPECT_EQ(callTimes.size(), 6u) << "the start and one abandoned attempt";
        EXPECT_EQ(r8SavedState.lastOutcome, 0) << "5 leaves it 0";
        EXPECT_EQ(r8SavedState.evalCount, 6);

        EXPECT_EQ(call(5, 1.0), 8) << "5 needs abserr > 0";
        abserr_ = 1e-6;
        EXPECT_EQ(call(5, 1.0), start < 0 ? -2 : 2) << "resumes with the saved mode";
        EXPECT_GT(t_, 0.0);
    }
}

TEST_F(DriverTest, FlagFiveResumesTheSavedMode) {
    installedModel = decayAndRotation;
    setState(1, 1, 0, 0);
    ASSERT_EQ(call(-1, 10.0), -2);
    EXPECT_EQ(call(5, 10.0), -2) << "single-step mode carries on";
    ASSERT_EQ(call(1, 20.0), 2);
    EXPECT_EQ(call(5, 30.0), 2);
}

// ---- Single-step mode --------------------------------------------------------------------------

TEST_F(DriverTest, SingleStepModeTakesOneStepPerCallAndEndsWithTwo) {
    installedModel = decayAndRotation;
    setState(1, 1, 0, 0);
    relerr_ = 1e-9;
    abserr_ = 1e-9;
    int32_t r = call(-1, 1.0);
    int calls = 1;
    double previous = 0.0;
    while (r == -2 && calls < 1000) {
        EXPECT_GT(t_, previous);
        EXPECT_LT(t_, 1.0);
        previous = t_;
        const std::size_t firstCall = callTimes.size();
        r = call(-2, 1.0);
        const std::size_t used = callTimes.size() - firstCall;
        EXPECT_EQ(used % 5, 1u) << "whole attempts and one evaluation after the accepted step";
        ++calls;
    }
    EXPECT_EQ(r, 2);
    EXPECT_EQ(t_, 1.0);
    EXPECT_GT(calls, 3);
    EXPECT_EQ(r8SavedState.resumeFlag, -2);

    EXPECT_EQ(call(-2, 2.0), -2) << "passing -2 again stays in single-step mode";
    EXPECT_EQ(call(2, 2.0), 2) << "passing 2 goes back to interval mode";
    EXPECT_EQ(t_, 2.0);
}

// ---- Entries past the fourth, accuracy ---------------------------------------------------------

TEST_F(DriverTest, EntriesPastTheFourthGetAZeroDerivativeAndStayConstant) {
    installedModel = decayAndRotation;
    n_ = 6;
    setState(1, 1, 0, 0);
    y_[4] = 3.25;
    y_[5] = -7.5;
    yp_[4] = 99.0;
    yp_[5] = 99.0;
    ASSERT_EQ(call(1, 5.0), 2);
    ASSERT_EQ(call(2, 10.0), 2);
    EXPECT_EQ(y_[4], 3.25);
    EXPECT_EQ(y_[5], -7.5);
    EXPECT_TRUE(sameBits(yp_[4], 0.0));
    EXPECT_TRUE(sameBits(yp_[5], 0.0));

    // The first four entries come out exactly as without the extra ones.
    const std::vector<double> withExtra(y_, y_ + 4);
    SetUp();
    installedModel = decayAndRotation;
    setState(1, 1, 0, 0);
    ASSERT_EQ(call(1, 5.0), 2);
    ASSERT_EQ(call(2, 10.0), 2);
    EXPECT_EQ(std::vector<double>(y_, y_ + 4), withExtra);
}

TEST_F(DriverTest, DecayAndRotationStayWithinTheSumOfTheLocalTolerances) {
    // Each accepted step keeps its estimated local error within relerr |y| + abserr per
    // component, and the fifth-order solution that is propagated is more accurate than the
    // estimate. Decay damps earlier errors and rotation keeps their size, so after N steps the
    // error is at most N (relerr |y|max + abserr), with |y| <= 1 here. N is counted from the
    // evaluations: each accepted step costs at least six.
    installedModel = decayAndRotation;
    setState(1, 1, 0, 0);
    relerr_ = 1e-10;
    abserr_ = 1e-10;
    const double twoPi = 2 * 3.14159265358979323846;
    int32_t flag = 1;
    for (int i = 1; i <= 10; ++i) {
        const double target = twoPi * i / 10;
        ASSERT_EQ(call(flag, target), 2);
        flag = 2;
        const double steps = double(callTimes.size()) / 6;
        const double bound = steps * (relerr_ + abserr_);
        EXPECT_NEAR(y_[0], std::exp(-target), bound) << target;
        EXPECT_NEAR(y_[1], std::cos(target), bound) << target;
        EXPECT_NEAR(y_[2], -std::sin(target), bound) << target;
        EXPECT_EQ(y_[3], 0.0);
    }
}
