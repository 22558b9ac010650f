#include "flight_methods.h"

#include <cmath>
#include <functional>
#include <stdexcept>

#include <gsl/gsl_errno.h>
#include <gsl/gsl_odeiv2.h>

#include <boost/numeric/odeint.hpp>

#include "fehlberg_bound.h"
#include "model_evaluation.h"
#include "projectile_models.h"
#include "rkf45_double.h"
#include "rkf45_driver.h"
#include "rkf45_float.h"
#include "sim_state.h"

namespace bench {
namespace {

namespace odeint = boost::numeric::odeint;

double toleranceFor(int exponent) { return std::pow(10.0, double(exponent)); }

// The name is asked for only here: building it on every frame would be timed (and counted as an
// allocation) with the method.
[[noreturn]] void hostMustRestart(const FlightMethod& who, int flag) {
    throw std::runtime_error(who.name() + " answered " + std::to_string(flag) +
                             " (a host restarts here)");
}

// One frame of the advanceSimDouble protocol, as the demo host drives it: after a 3 or a 7
// nothing was integrated, so the same interval is asked again; after a 4 the rest of the frame.
// `now` is the float time the host reads back; the caller reads the frame's end state itself.
template <typename Advance, typename Now>
void doubleProtocolFrame(const FlightMethod& who, float frameStart, float frame, Advance advance,
                         Now now) {
    const float frameEnd = frameStart + frame;
    float remaining = frame;
    int32_t flag = advance(remaining);
    while (flag == 3 || flag == 4 || flag == 7) {
        if (flag == 4) {
            remaining = frameEnd - now();
        }
        flag = advance(remaining);
    }
    if (flag != 2) {
        hostMustRestart(who, flag);
    }
}

// One frame of the r4_rkf45 protocol, as the demo drives it: absolute float targets k / fps,
// flag 1 once, then 2; 3, 4 and 7 are asked again with 2.
template <typename Call>
void floatProtocolFrame(const FlightMethod& who, int frameIndex, double framesPerSecond,
                        int32_t& request, Call call) {
    const float target = static_cast<float>(frameIndex / framesPerSecond);
    int32_t flag = call(target, request);
    while (flag == 3 || flag == 4 || flag == 7) {
        flag = call(target, 2);
    }
    if (flag != 2) {
        hostMustRestart(who, flag);
    }
    request = 2;
}

std::array<float, 20> hostInitialValues(const Shot& shot) {
    std::array<float, 20> v{};
    v[1] = shot.vx0;
    v[3] = shot.vy0;
    return v;
}

// ---- the loaded library -------------------------------------------------------------------

class LibraryDouble : public FlightMethod {
public:
    explicit LibraryDouble(const SkelvaneExports& api) : api_(api) {}
    std::string name() const override { return "advanceSimDouble+getSimStateDouble"; }
    void start(const Shot& shot, int toleranceExponent) override {
        frame_ = shot.frameSeconds();
        fps_ = shot.framesPerSecond;
        const auto params = hostParams(shot, false);
        const auto initial = hostInitialValues(shot);
        api_.selectRHS(1, 4, params.data());
        api_.initSimDouble(4, toleranceExponent, initial.data());
        t_ = 0.0f;
        y_ = {0.0f, shot.vx0, 0.0f, shot.vy0};
    }
    void frame() override {
        doubleProtocolFrame(*this, t_, frame_, [this](float dt) { return api_.advanceSimDouble(dt); },
                            [this] {
                                float now = 0.0f;
                                api_.getSimStateDouble(&now, nullptr);
                                return now;
                            });
        api_.getSimStateDouble(&t_, y_.data());
    }
    double time() const override { return t_; }
    State4 state() const override { return {y_[0], y_[1], y_[2], y_[3]}; }
    long long evaluations() const override { return -1; }

private:
    float frame_ = 0.0f;
    double fps_ = 60.0;
    const SkelvaneExports& api_;
    float t_ = 0.0f;
    std::array<float, 4> y_{};
};

class LibraryFloat : public FlightMethod {
public:
    explicit LibraryFloat(const SkelvaneExports& api) : api_(api) {}
    std::string name() const override { return "r4_rkf45"; }
    void start(const Shot& shot, int toleranceExponent) override {
        frame_ = shot.frameSeconds();
        fps_ = shot.framesPerSecond;
        const auto params = hostParams(shot, true);
        api_.selectRHS(1, 4, params.data());
        y_ = {0.0f, shot.vx0, 0.0f, shot.vy0};
        yp_ = {};
        t_ = 0.0f;
        relerr_ = static_cast<float>(toleranceFor(toleranceExponent));
        abserr_ = relerr_;
        request_ = 1;
        frameIndex_ = 0;
    }
    void frame() override {
        ++frameIndex_;
        floatProtocolFrame(*this, frameIndex_, fps_, request_, [this](float target, int32_t flag) {
            return api_.r4_rkf45(4, y_.data(), yp_.data(), &t_, target, &relerr_, abserr_, flag);
        });
    }
    double time() const override { return t_; }
    State4 state() const override { return {y_[0], y_[1], y_[2], y_[3]}; }
    long long evaluations() const override { return -1; }
    bool doublePrecision() const override { return false; }

private:
    float frame_ = 0.0f;
    double fps_ = 60.0;
    const SkelvaneExports& api_;
    std::array<float, 4> y_{}, yp_{};
    float t_ = 0.0f, relerr_ = 0.0f, abserr_ = 0.0f;
    int32_t request_ = 1;
    int frameIndex_ = 0;
};

// ---- the same driver linked in, with counted model evaluations ------------------------------

long long linkedEvaluations = 0;

void countedRhsDouble(double t, const double* y, double* yp) {
    ++linkedEvaluations;
    skelvane::projectileRhsDouble(t, y, yp);
}

void countedRhsFloat(float t, const float* y, float* yp) {
    ++linkedEvaluations;
    skelvane::projectileRhsFloat(t, y, yp);
}

void selectCountedModel(const std::array<float, 50>& params) {
    using skelvane::simState;
    simState.neqn = 4;
    simState.rhsDouble = countedRhsDouble;
    simState.rhsFloat = countedRhsFloat;
    for (int i = 0; i < 50; ++i) {
        simState.params[i] = params[static_cast<std::size_t>(i)];
    }
}

class LinkedDouble : public FlightMethod {
public:
    std::string name() const override { return "driver linked in (double)"; }
    void start(const Shot& shot, int toleranceExponent) override {
        frame_ = shot.frameSeconds();
        fps_ = shot.framesPerSecond;
        using skelvane::simState;
        selectCountedModel(hostParams(shot, false));
        // What initSimDouble does, without the trace file.
        const auto initial = hostInitialValues(shot);
        for (int i = 0; i < 20; ++i) {
            simState.y[i] = initial[static_cast<std::size_t>(i)];
        }
        simState.abserr = std::pow(10.0, double(toleranceExponent));
        simState.relerr = simState.abserr;
        simState.t = 0.0;
        simState.flag = 1;
        skelvane::evaluateModel(simState.rhsDouble, simState.t, simState.y, simState.yp, 4);
        linkedEvaluations = 0;
        t_ = 0.0f;
    }
    void frame() override {
        using skelvane::simState;
        doubleProtocolFrame(
            *this, t_, frame_,
            [](float dt) {
                // What advanceSimDouble does.
                const double tout = simState.t + double(dt);
                const int32_t r = skelvane::r8_rkf45(4, simState.y, simState.yp, &simState.t, tout,
                                                     &simState.relerr, simState.abserr, simState.flag);
                simState.flag = (r == 4 || r == 7) ? 2 : r;
                return r;
            },
            [] { return static_cast<float>(simState.t); });
        t_ = static_cast<float>(simState.t);
    }
    double time() const override { return skelvane::simState.t; }
    State4 state() const override {
        const double* y = skelvane::simState.y;
        return {y[0], y[1], y[2], y[3]};
    }
    long long evaluations() const override { return linkedEvaluations; }

private:
    float frame_ = 0.0f;
    double fps_ = 60.0;
    float t_ = 0.0f;
};

class LinkedFloat : public FlightMethod {
public:
    std::string name() const override { return "driver linked in (float)"; }
    void start(const Shot& shot, int toleranceExponent) override {
        frame_ = shot.frameSeconds();
        fps_ = shot.framesPerSecond;
        selectCountedModel(hostParams(shot, true));
        y_ = {0.0f, shot.vx0, 0.0f, shot.vy0};
        yp_ = {};
        t_ = 0.0f;
        relerr_ = static_cast<float>(toleranceFor(toleranceExponent));
        abserr_ = relerr_;
        request_ = 1;
        frameIndex_ = 0;
        linkedEvaluations = 0;
    }
    void frame() override {
        ++frameIndex_;
        floatProtocolFrame(*this, frameIndex_, fps_, request_, [this](float target, int32_t flag) {
            return skelvane::rkf45Drive(skelvane::r4SavedState, 4, y_.data(), yp_.data(), &t_,
                                        target, &relerr_, abserr_, flag);
        });
    }
    double time() const override { return t_; }
    State4 state() const override { return {y_[0], y_[1], y_[2], y_[3]}; }
    long long evaluations() const override { return linkedEvaluations; }
    bool doublePrecision() const override { return false; }

private:
    float frame_ = 0.0f;
    double fps_ = 60.0;
    std::array<float, 4> y_{}, yp_{};
    float t_ = 0.0f, relerr_ = 0.0f, abserr_ = 0.0f;
    int32_t request_ = 1;
    int frameIndex_ = 0;
};

// ---- GSL -------------------------------------------------------------------------------

class GslRkf45 : public FlightMethod {
public:
    GslRkf45() { gsl_set_error_handler_off(); }
    ~GslRkf45() override {
        if (driver_ != nullptr) gsl_odeiv2_driver_free(driver_);
    }
    std::string name() const override { return "GSL odeiv2 rkf45"; }
    void start(const Shot& shot, int toleranceExponent) override {
        frame_ = shot.frameSeconds();
        fps_ = shot.framesPerSecond;
        model_ = DragModel(shot);
        if (driver_ != nullptr) gsl_odeiv2_driver_free(driver_);
        const double tol = toleranceFor(toleranceExponent);
        system_ = gsl_odeiv2_system{&GslRkf45::rhs, nullptr, 4, this};
        // _y_new: the error test |err| <= abserr + relerr |y| for each component.
        driver_ = gsl_odeiv2_driver_alloc_y_new(&system_, gsl_odeiv2_step_rkf45, double(frame_),
                                                tol, tol);
        y_ = {0.0, shot.vx0, 0.0, shot.vy0};
        t_ = 0.0;
        evaluations_ = 0;
    }
    void frame() override {
        const double target = t_ + double(frame_);
        const int status = gsl_odeiv2_driver_apply(driver_, &t_, target, y_.data());
        if (status != GSL_SUCCESS) {
            hostMustRestart(*this, status);
        }
    }
    double time() const override { return t_; }
    State4 state() const override { return y_; }
    long long evaluations() const override { return evaluations_; }

private:
    float frame_ = 0.0f;
    double fps_ = 60.0;
    static int rhs(double, const double y[], double dydt[], void* self) {
        auto* me = static_cast<GslRkf45*>(self);
        ++me->evaluations_;
        me->model_(y, dydt);
        return GSL_SUCCESS;
    }
    DragModel model_{defaultShot(1)};
    gsl_odeiv2_system system_{};
    gsl_odeiv2_driver* driver_ = nullptr;
    State4 y_{};
    double t_ = 0.0;
    long long evaluations_ = 0;
};

// ---- Boost.Odeint ------------------------------------------------------------------------

template <typename ErrorStepper>
class BoostControlled : public FlightMethod {
public:
    explicit BoostControlled(std::string name) : name_(std::move(name)) {}
    std::string name() const override { return name_; }
    void start(const Shot& shot, int toleranceExponent) override {
        frame_ = shot.frameSeconds();
        fps_ = shot.framesPerSecond;
        model_ = DragModel(shot);
        const double tol = toleranceFor(toleranceExponent);
        // a_x = 1, a_dxdt = 0: |err| <= abserr + relerr |x|, the derivative plays no part.
        stepper_ = Controlled(Checker(tol, tol, 1.0, 0.0));
        x_ = {0.0, shot.vx0, 0.0, shot.vy0};
        t_ = 0.0;
        dt_ = frame_;
        evaluations_ = 0;
    }
    void frame() override {
        const double target = t_ + double(frame_);
        // integrate_adaptive takes the first step size by value and does not hand back the
        // last: each frame starts from the largest step the previous frame took.
        double largest = 0.0;
        double previous = t_;
        odeint::integrate_adaptive(std::ref(stepper_), System{&model_, &evaluations_}, x_, t_,
                                   target, dt_, [&](const State4&, double t) {
                                       largest = std::max(largest, t - previous);
                                       previous = t;
                                   });
        t_ = target;
        if (largest > 0.0) dt_ = largest;
    }
    double time() const override { return t_; }
    State4 state() const override { return x_; }
    long long evaluations() const override { return evaluations_; }

private:
    float frame_ = 0.0f;
    double fps_ = 60.0;
    using Checker = odeint::default_error_checker<double, typename ErrorStepper::algebra_type,
                                                  typename ErrorStepper::operations_type>;
    using Controlled = odeint::controlled_runge_kutta<ErrorStepper, Checker>;
    struct System {
        const DragModel* model;
        long long* evaluations;
        void operator()(const State4& x, State4& dxdt, double) const {
            ++*evaluations;
            (*model)(x.data(), dxdt.data());
        }
    };

    std::string name_;
    DragModel model_{defaultShot(1)};
    Controlled stepper_;
    State4 x_{};
    double t_ = 0.0, dt_ = 0.0;
    long long evaluations_ = 0;
};

// ---- the bound ---------------------------------------------------------------------------

class BoundDouble : public FlightMethod {
public:
    std::string name() const override { return "bound (double)"; }
    void start(const Shot& shot, int toleranceExponent) override {
        frame_ = shot.frameSeconds();
        fps_ = shot.framesPerSecond;
        model_ = DragModel(shot);
        bound_ = Bound{};
        bound_.start(model_, {0.0, shot.vx0, 0.0, shot.vy0}, toleranceFor(toleranceExponent));
        startEvaluations_ = bound_.evaluations();
        t_ = 0.0f;
    }
    void frame() override {
        doubleProtocolFrame(
            *this, t_, frame_, [this](float dt) { return bound_.advance(bound_.time() + double(dt)); },
            [this] { return static_cast<float>(bound_.time()); });
        t_ = static_cast<float>(bound_.time());
    }
    double time() const override { return bound_.time(); }
    State4 state() const override { return bound_.state(); }
    long long evaluations() const override { return bound_.evaluations() - startEvaluations_; }

private:
    float frame_ = 0.0f;
    double fps_ = 60.0;
    using Bound = FehlbergBound<double, DragModel>;
    DragModel model_{defaultShot(1)};
    Bound bound_;
    long long startEvaluations_ = 0;
    float t_ = 0.0f;
};

class BoundFloat : public FlightMethod {
public:
    std::string name() const override { return "bound (float)"; }
    void start(const Shot& shot, int toleranceExponent) override {
        frame_ = shot.frameSeconds();
        fps_ = shot.framesPerSecond;
        model_ = LumpedDragModel(shot);
        bound_ = Bound{};
        bound_.start(model_, {0.0f, shot.vx0, 0.0f, shot.vy0},
                     static_cast<float>(toleranceFor(toleranceExponent)));
        startEvaluations_ = bound_.evaluations();
        request_ = 1;
        frameIndex_ = 0;
    }
    void frame() override {
        ++frameIndex_;
        floatProtocolFrame(*this, frameIndex_, fps_, request_,
                           [this](float target, int32_t) { return bound_.advance(target); });
    }
    double time() const override { return bound_.time(); }
    State4 state() const override {
        const auto& y = bound_.state();
        return {y[0], y[1], y[2], y[3]};
    }
    long long evaluations() const override { return bound_.evaluations() - startEvaluations_; }
    bool doublePrecision() const override { return false; }

private:
    float frame_ = 0.0f;
    double fps_ = 60.0;
    using Bound = FehlbergBound<float, LumpedDragModel>;
    LumpedDragModel model_{defaultShot(1)};
    Bound bound_;
    long long startEvaluations_ = 0;
    int32_t request_ = 1;
    int frameIndex_ = 0;
};

}  // namespace

std::string SkelvaneExports::lookUp(const hostsupport::LoadedLibrary& library) {
#define BENCH_LOOK_UP(fn)                              \
    fn = library.function<decltype(fn)>(#fn);          \
    if (fn == nullptr) return #fn;
    BENCH_LOOK_UP(selectRHS)
    BENCH_LOOK_UP(initSimDouble)
    BENCH_LOOK_UP(advanceSimDouble)
    BENCH_LOOK_UP(getSimStateDouble)
    BENCH_LOOK_UP(updateParams)
    BENCH_LOOK_UP(r4_rkf45)
#undef BENCH_LOOK_UP
    return {};
}

std::unique_ptr<FlightMethod> makeLibraryDouble(const SkelvaneExports& api) {
    return std::make_unique<LibraryDouble>(api);
}
std::unique_ptr<FlightMethod> makeLibraryFloat(const SkelvaneExports& api) {
    return std::make_unique<LibraryFloat>(api);
}
std::unique_ptr<FlightMethod> makeLinkedDouble() { return std::make_unique<LinkedDouble>(); }
std::unique_ptr<FlightMethod> makeLinkedFloat() { return std::make_unique<LinkedFloat>(); }
std::unique_ptr<FlightMethod> makeGslRkf45() { return std::make_unique<GslRkf45>(); }
std::unique_ptr<FlightMethod> makeBoostCashKarp() {
    return std::make_unique<BoostControlled<odeint::runge_kutta_cash_karp54<State4>>>(
        "Boost Cash-Karp 5(4)");
}
std::unique_ptr<FlightMethod> makeBoostDormandPrince() {
    return std::make_unique<BoostControlled<odeint::runge_kutta_dopri5<State4>>>(
        "Boost Dormand-Prince 5(4)");
}
std::unique_ptr<FlightMethod> makeBoundDouble() { return std::make_unique<BoundDouble>(); }
std::unique_ptr<FlightMethod> makeBoundFloat() { return std::make_unique<BoundFloat>(); }

}  // namespace bench
