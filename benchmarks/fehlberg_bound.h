// What a frame cannot cost less than: the library driver's Fehlberg arithmetic and step control,
// with the model inlined, four-element arrays on the stack, no allocation, no indirection, no
// run-time epsilon and no entry checks. It takes the same steps as the driver and lands on the
// same bits; the suite checks that before it times anything.
#ifndef BENCH_FEHLBERG_BOUND_H
#define BENCH_FEHLBERG_BOUND_H

#include <array>
#include <cfloat>
#include <cmath>
#include <cstdint>

namespace bench {

template <typename Real>
constexpr Real rounded(double x) {
    return static_cast<Real>(x);
}

template <typename Real, typename Model>
class FehlbergBound {
public:
    using Vec = std::array<Real, 4>;

    // A start: the derivative at t, and the first call chooses the initial step.
    void start(const Model& model, const Vec& y0, Real tolerance) {
        model_ = &model;
        y_ = y0;
        t_ = 0;
        const Real floor = rounded<Real>(2.0 * double(kEps) + double(kFloorTerm));
        relerr_ = tolerance < floor ? floor : tolerance;
        abserr_ = tolerance;
        evaluate(y_.data(), yp_.data());
        evalCount_ = 1;
        chooseStep_ = true;
        resetBudget_ = false;
    }

    // Advances towards tout; 2 when reached, 4 when the evaluation budget ran out first (the
    // next call resets it and carries on), exactly as the driver answers.
    int advance(Real tout) {
        if (resetBudget_) {
            evalCount_ = 0;
            resetBudget_ = false;
        }
        Real dt = rounded<Real>(double(tout) - t_);
        if (chooseStep_) {
            chooseInitialStep(dt);
        }
        h_ = rounded<Real>(double(sgn(dt)) * mag(h_));
        if (double(mag(dt)) <= (26.0 * double(kEps)) * mag(t_)) {
            t_ = tout;
            for (int k = 0; k < 4; ++k) y_[k] = rounded<Real>(y_[k] + double(dt) * yp_[k]);
            evaluate(y_.data(), yp_.data());
            evalCount_ += 1;
            return 2;
        }
        bool lastStep = false;
        const Real scale = rounded<Real>(2.0 / relerr_);
        const Real aw = rounded<Real>(double(scale) * abserr_);
        for (;;) {
            bool failedStep = false;
            const Real hmin = rounded<Real>((26.0 * double(kEps)) * mag(t_));
            dt = rounded<Real>(double(tout) - t_);
            if (mag(dt) < 2.0 * mag(h_)) {
                if (mag(dt) <= mag(h_)) {
                    lastStep = true;
                    h_ = dt;
                } else {
                    h_ = rounded<Real>(0.5 * dt);
                }
            }
            Real q = 0;
            for (;;) {
                if (evalCount_ > 3000) {
                    resetBudget_ = true;
                    return 4;
                }
                step();
                evalCount_ += 5;
                Real rmax = 0;
                for (int k = 0; k < 4; ++k) {
                    const Real w = rounded<Real>((double(mag(y_[k])) + mag(f1_[k])) + aw);
                    const Real e = rounded<Real>(
                        (-2090.0 * yp_[k] + (21970.0 * f3_[k] - 15048.0 * f4_[k])) +
                        (22528.0 * f2_[k] - 27360.0 * f5_[k]));
                    const Real ratio = rounded<Real>(double(mag(e)) / w);
                    rmax = rmax > ratio ? rmax : ratio;
                }
                q = rounded<Real>(((double(mag(h_)) * rmax) * scale) / 752400.0);
                if (q <= 1) {
                    break;
                }
                failedStep = true;
                lastStep = false;
                const Real s = q < 59049.0 ? rounded<Real>(0.9 / powResult(std::pow(q, 0.2)))
                                           : rounded<Real>(0.1);
                h_ = rounded<Real>(double(s) * h_);
            }
            t_ = rounded<Real>(double(t_) + h_);
            y_ = f1_;
            evaluate(y_.data(), yp_.data());
            evalCount_ += 1;
            Real s = q > 0.0001889568 ? rounded<Real>(0.9 / powResult(std::pow(q, 0.2)))
                                      : Real(5);
            if (failedStep && s > Real(1)) {
                s = 1;
            }
            const Real grown = rounded<Real>(double(s) * mag(h_));
            h_ = rounded<Real>(double(sgn(h_)) * (grown > hmin ? grown : hmin));
            if (lastStep) {
                t_ = tout;
                return 2;
            }
        }
    }

    Real time() const { return t_; }
    const Vec& state() const { return y_; }
    long long evaluations() const { return evaluations_; }

private:
    static constexpr double kEps = sizeof(Real) == sizeof(float) ? double(FLT_EPSILON) : DBL_EPSILON;
    static constexpr double kFloorTerm = double(rounded<Real>(1e-12));

    static Real mag(Real x) { return x < 0 ? -x : x; }
    static Real sgn(Real x) { return x < 0 ? Real(-1) : Real(1); }
    // The float driver rounds pow(q, 0.2) to float before dividing.
    static double powResult(double p) { return double(rounded<Real>(p)); }

    void evaluate(const Real* y, Real* yp) {
        ++evaluations_;
        (*model_)(y, yp);
    }

    void chooseInitialStep(Real dt) {
        chooseStep_ = false;
        Real h = mag(dt);
        bool positive = false;
        for (int k = 0; k < 4; ++k) {
            const Real tol = rounded<Real>(double(mag(y_[k])) * relerr_ + abserr_);
            if (tol > 0) {
                positive = true;
                const Real h2 = rounded<Real>(double(h) * h);
                const Real h4 = rounded<Real>(double(h2) * h2);
                const Real h5 = rounded<Real>(double(h4) * h);
                const Real ypk = mag(yp_[k]);
                if (double(h5) * ypk > tol) {
                    h = rounded<Real>(std::pow(double(tol) / ypk, 0.2));
                }
            }
        }
        if (!positive) {
            h = 0;
        }
        const Real reach = mag(t_) > mag(dt) ? mag(t_) : mag(dt);
        const Real least = rounded<Real>(26.0 * kEps * reach);
        h_ = h > least ? h : least;
    }

    // One Fehlberg step from (t, y, yp) with h: stage derivatives in f1..f5, candidate in f1.
    // The stage times do not enter: the model is autonomous.
    void step() {
        const double hd = h_;
        double c = rounded<Real>(hd / 4.0);
        Vec s;
        for (int k = 0; k < 4; ++k) s[k] = rounded<Real>(y_[k] + c * yp_[k]);
        evaluate(s.data(), f1_.data());
        c = rounded<Real>((3.0 * hd) / 32.0);
        for (int k = 0; k < 4; ++k) s[k] = rounded<Real>(y_[k] + c * (yp_[k] + 3.0 * f1_[k]));
        evaluate(s.data(), f2_.data());
        c = rounded<Real>(hd / 2197.0);
        for (int k = 0; k < 4; ++k)
            s[k] = rounded<Real>(y_[k] + c * (1932.0 * yp_[k] + (7296.0 * f2_[k] - 7200.0 * f1_[k])));
        evaluate(s.data(), f3_.data());
        c = rounded<Real>(hd / 4104.0);
        for (int k = 0; k < 4; ++k)
            s[k] = rounded<Real>(y_[k] + c * ((8341.0 * yp_[k] - 845.0 * f3_[k]) +
                                               (29440.0 * f2_[k] - 32832.0 * f1_[k])));
        evaluate(s.data(), f4_.data());
        c = rounded<Real>(hd / 20520.0);
        for (int k = 0; k < 4; ++k)
            f1_[k] = rounded<Real>(y_[k] + c * ((-6080.0 * yp_[k] + (9295.0 * f3_[k] - 5643.0 * f4_[k])) +
                                                 (41040.0 * f1_[k] - 28352.0 * f2_[k])));
        evaluate(f1_.data(), f5_.data());
        c = rounded<Real>(hd / 7618050.0);
        for (int k = 0; k < 4; ++k)
            f1_[k] = rounded<Real>(y_[k] + c * ((902880.0 * yp_[k] + (3855735.0 * f3_[k] - 1371249.0 * f4_[k])) +
                                                 (3953664.0 * f2_[k] + 277020.0 * f5_[k])));
    }

    const Model* model_ = nullptr;
    Vec y_{}, yp_{}, f1_{}, f2_{}, f3_{}, f4_{}, f5_{};
    Real t_ = 0, h_ = 0, relerr_ = 0, abserr_ = 0;
    int evalCount_ = 0;
    bool chooseStep_ = true, resetBudget_ = false;
    long long evaluations_ = 0;
};

}  // namespace bench

#endif
