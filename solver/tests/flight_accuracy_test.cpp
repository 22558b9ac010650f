// Flights through the loaded library, as the host flies them, against closed-form solutions.
//
// Error bounds, derived before looking at any output.
//
// Tolerance bound. Each accepted step keeps the driver's estimate of its local error, per
// component, within relerr (|y| + |y_new|) / 2 + abserr <= tau (Y + 1), with tau = relerr =
// abserr = 10^power and Y the largest |value| of that component along the flight; the
// fifth-order result it keeps is more accurate than that estimate. In the three flights
// velocity errors do not grow: the parabola's velocity equation is neutral, and quadratic drag
// damps a velocity error (its linearisation is d(dv)/dt = -(2k/m)|v| dv). So after N steps
//   velocity error <= N e_v,   position error <= N e_x + T N e_v   (own steps plus v's drift),
// with e = tau (Y + 1) per step and T the flight time.
//
// Truncation bound at 1/60 s frames. No step exceeds the frame. At h = 1/60 the estimate is
// about |y^(5)| h^5 / 2080 (the weight the fourth-order formula misses on a fifth derivative),
// and along these flights the fifth derivatives stay below 1 (velocities: vt a^5 |tanh^(5)|
// <= 0.3 for the fall, 5! vx0 b^5 <= 0.2 for the coast; positions: the velocities' fourth,
// <= 0.4; the parabola's are 0). That is 6.2e-13 per step, far below tau = 1e-6, so each frame
// is one accepted step of exactly the frame (the step then grows past the frame and the
// interval end cuts it back), apart from the first frame, which the initial step may halve:
// N <= 2 per frame. Adding the double rounding of a step, at most 1e-12 on values below 400,
// gives e = 1.7e-12 per step and component in the formula above.
//
// The readback rounds each value to float, which adds up to 2^-24 |value|; that is taken off
// before comparing, so the bounds above apply to the integration alone.
#include <cmath>
#include <string>
#include <vector>

#include "skelvane_api.h"

namespace {

constexpr float kFrame = 1.0f / 60.0f;
constexpr int kFramesIn10s = 600;

struct Exact {
    long double x, vx, y, vy;
};

// k = (1/2) rho Cd pi r^2 from the parameters as the library holds them (floats).
long double dragConstant(const ShotParams& p) {
    const long double pi = 3.141592653589793238462643383279502884L;
    return 0.5L * p.density * p.dragCoefficient * pi * p.radius * p.radius;
}

struct Flight {
    const char* name;
    ShotParams params;
    std::vector<float> initial;
    Exact (*exact)(const ShotParams&, long double t);
    long double xMax, vMax;  // largest |position| and |velocity| over 10 s, from the closed form
};

// Drag-free (density 0): x = vx0 t, y = vy0 t + g t^2 / 2.
Exact parabola(const ShotParams& p, long double t) {
    const long double g = p.gravity;
    return {20 * t, 20, 30 * t + g * t * t / 2, 30 + g * t};
}

// From rest with quadratic drag: vy = -vt tanh(|g| t / vt), y = -(vt^2/|g|) ln cosh(|g| t/vt).
Exact fall(const ShotParams& p, long double t) {
    const long double g = std::fabs(static_cast<long double>(p.gravity));
    const long double vt = std::sqrt(p.mass * g / dragConstant(p));
    const long double a = g * t / vt;
    return {0, 0, -(vt * vt / g) * std::log(std::cosh(a)), -vt * std::tanh(a)};
}

// No gravity: vx = vx0 / (1 + k vx0 t / m), x = (m / k) ln(1 + k vx0 t / m).
Exact coast(const ShotParams& p, long double t) {
    const long double k = dragConstant(p);
    const long double b = k * 30 / p.mass;
    return {(p.mass / k) * std::log1p(b * t), 30 / (1 + b * t), 0, 0};
}

ShotParams withoutDrag() {
    ShotParams p;
    p.density = 0.0f;
    return p;
}
ShotParams withoutGravity() {
    ShotParams p;
    p.gravity = 0.0f;
    return p;
}

const Flight kFlights[] = {
    {"parabola", withoutDrag(), initialState(0, 20, 0, 30), parabola, 200, 70},
    {"fall", ShotParams(), initialState(0, 0, 0, 0), fall, 320, 47},
    {"coast", withoutGravity(), initialState(0, 30, 0, 0), coast, 190, 30},
};

struct Errors {
    double position = 0;  // largest |read back - exact| over x and y
    double velocity = 0;  // over vx and vy
};

class FlightAccuracyTest : public SkelvaneTest {
  protected:
    // Flies `frames` advances of `frame` seconds, answering 7 by advancing again for the same
    // frame (a 4 is not expected at these step counts and fails the flight), and compares every
    // readback with the closed form at the frame's time. The rounding of each readback to float is
    // taken off first, so the errors are the integration's.
    Errors fly(const Flight& f, int32_t power, float frame, int frames) {
        startShot(f.params, f.initial, power);
        Errors e;
        double t = 0.0;  // the target times as the library forms them: t + dt in double
        for (int i = 0; i < frames; ++i) {
            t += double(frame);
            int32_t r = api_.advanceSimDouble(frame);
            if (r == 7 || r == 4) {
                // A 7 integrates nothing. Here a 4 does not either: the budget is tested
                // before an attempt and every frame is whole steps, so it comes at a frame's
                // start. Either way the frame is flown again.
                EXPECT_EQ(readBack().t, float(t - double(frame))) << f.name << ", frame " << i;
                r = api_.advanceSimDouble(frame);
            }
            if (r != 2) {
                ADD_FAILURE() << f.name << ": frame " << i << " answered " << r;
                return e;
            }
            const Readback back = readBack();
            EXPECT_EQ(back.t, float(t)) << f.name << ", frame " << i;
            const Exact x = f.exact(f.params, t);
            const long double exact[4] = {x.x, x.vx, x.y, x.vy};
            for (int k = 0; k < 4; ++k) {
                const double rounding = std::ldexp(std::fabs(double(exact[k])), -24);
                const double err = std::fabs(double(back.y[k] - exact[k])) - rounding;
                double& worst = (k % 2 == 0) ? e.position : e.velocity;
                worst = std::fmax(worst, err);
            }
        }
        return e;
    }
};

}  // namespace

TEST_F(FlightAccuracyTest, TenSecondsOfFramesStayWithinTheDerivedBounds) {
    const double steps = 2.0 * kFramesIn10s;
    const double tau = 1e-6;
    const double perStepTruncation = 1.0 / std::pow(60.0, 5) / 2080 + 1e-12;
    for (const Flight& f : kFlights) {
        SCOPED_TRACE(f.name);
        const Errors e = fly(f, -6, kFrame, kFramesIn10s);
        EXPECT_LE(e.velocity, steps * tau * double(f.vMax + 1));
        EXPECT_LE(e.position,
                  steps * tau * double(f.xMax + 1) + 10 * steps * tau * double(f.vMax + 1));
        EXPECT_LE(e.velocity, steps * perStepTruncation);
        EXPECT_LE(e.position, steps * perStepTruncation + 10 * steps * perStepTruncation);
        RecordProperty(std::string(f.name) + "_position_error", std::to_string(e.position));
        RecordProperty(std::string(f.name) + "_velocity_error", std::to_string(e.velocity));
    }
}

TEST_F(FlightAccuracyTest, ATighterToleranceShrinksTheErrorOfALongAdvance) {
    // One advance of 10 s leaves the step to the tolerance; without a 4 it used at most 3006
    // evaluations, so N <= 501 in the tolerance bound. The step then scales like tau^(1/5) and
    // the error of the kept fifth-order result like h^5, that is like tau: a hundred times
    // tighter tolerance must give at least ten times less error (a factor ten of slack on the
    // proportionality). At tau = 1e-8 the error, some 1e-8 of the values, would sink below the
    // float readback's rounding (6e-8 of the values), so the ladder stops at 1e-6.
    for (const Flight& f : {kFlights[1], kFlights[2]}) {
        SCOPED_TRACE(f.name);
        double previous = INFINITY;
        for (int32_t power : {-2, -4, -6}) {
            const double tau = std::pow(10.0, power);
            const double steps = 501.0;
            const Errors e = fly(f, power, 10.0f, 1);
            const double velocityBound = steps * tau * double(f.vMax + 1);
            EXPECT_LE(e.velocity, velocityBound) << power;
            EXPECT_LE(e.position, steps * tau * double(f.xMax + 1) + 10 * velocityBound) << power;
            EXPECT_LE(e.position * 10, previous) << power;
            EXPECT_GT(e.position, 0.0) << "visible above the readback's rounding, " << power;
            previous = e.position;
        }
    }
}
