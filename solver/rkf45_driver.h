// The adaptive Runge-Kutta-Fehlberg 4(5) driver, written once for both precisions.
//
// A call advances (t, y, yp) towards the target T and answers with a flag code:
//   2 T reached, -2 one single-step-mode step taken, 3 relerr raised to its floor,
//   4 evaluation budget used up, 5 pure relative error test impossible, 6 step below the
//   smallest step, 7 crowded output, 8 invalid input or protocol violation (nothing changed).
// Precision-dependent constants and routines come from Rkf45Traits<Real>; every stored value is
// a Real, every expression is evaluated in double and rounded once where it is stored.
#ifndef SKELVANE_RKF45_DRIVER_H
#define SKELVANE_RKF45_DRIVER_H

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fehlberg_step.h"
#include "model_evaluation.h"
#include "precision.h"
#include "rkf45_saved_state.h"
#include "rkf45_traits.h"

namespace skelvane {

namespace rkf45 {
constexpr int32_t kReached = 2;
constexpr int32_t kSingleStep = -2;
constexpr int32_t kRelerrRaised = 3;
constexpr int32_t kBudgetExhausted = 4;
constexpr int32_t kPureRelativeImpossible = 5;
constexpr int32_t kStepTooSmall = 6;
constexpr int32_t kCrowded = 7;
constexpr int32_t kInvalid = 8;

constexpr double kMinimumStepFactor = 26.0;  // smallest step 26 eps |t|
constexpr double kSafety = 0.9;
constexpr double kExponent = 0.2;
constexpr double kShrinkLimitQ = 59049.0;       // 9^5: where 0.9 / q^0.2 reaches 0.1
constexpr double kGrowthLimitQ = 0.0001889568;  // 0.18^5: where 0.9 / q^0.2 reaches 5
constexpr double kErrorDenominator = 752400.0;
constexpr int32_t kEvaluationBudget = 3000;
constexpr int32_t kCrowdedCallLimit = 100;
}  // namespace rkf45

// The five work arrays F1..F5 as one block, released on every return.
template <typename Real>
class Rkf45WorkArrays {
public:
    explicit Rkf45WorkArrays(int32_t n) : n_(static_cast<std::size_t>(n)) {
        if (n_ <= static_cast<std::size_t>(-1) / (5 * sizeof(Real))) {
            block_ = Rkf45Traits<Real>::allocateWork(5 * n_);
        }
    }
    ~Rkf45WorkArrays() {
        if (block_ != nullptr) {
            Rkf45Traits<Real>::releaseWork(block_);
        }
    }
    Rkf45WorkArrays(const Rkf45WorkArrays&) = delete;
    Rkf45WorkArrays& operator=(const Rkf45WorkArrays&) = delete;

    bool obtained() const { return block_ != nullptr; }
    Real* array(int index) const { return block_ + static_cast<std::size_t>(index) * n_; }

private:
    std::size_t n_;
    Real* block_ = nullptr;
};

// The driver for a system of n equations; FixedN > 0 compiles it for exactly that n.
template <typename Real, int32_t FixedN>
int32_t rkf45DriveFor(Rkf45SavedState<Real>& saved, int32_t n, Real* y, Real* yp, Real* t,
                      Real tout, Real* relerr, Real abserr, int32_t flag) {
    using Traits = Rkf45Traits<Real>;
    using namespace rkf45;
    if constexpr (FixedN > 0) {
        n = FixedN;
    }

    const double eps = Traits::machineEpsilon();

    // Entry checks: invalid input changes nothing, the saved state included. Besides the
    // arguments, a model must be selected and n must cover the equations it writes.
    const typename Traits::Model model = Traits::model();
    if (y == nullptr || yp == nullptr || t == nullptr || relerr == nullptr) {
        return kInvalid;
    }
    if (n < 1 || *relerr < 0 || abserr < 0 || flag == 0 || flag > 8 || flag < -2) {
        return kInvalid;
    }
    if (model == nullptr || n < kProjectileEquationCount) {
        return kInvalid;
    }

    int32_t effectiveFlag = flag;
    int32_t mode = std::abs(flag);  // 1 marks a start
    bool resetBudget = false;

    // Resumption rules. A protocol violation answers 8 and changes nothing: the library never
    // ends the host process.
    if (mode != 1) {
        if (*t == tout && saved.lastOutcome != kRelerrRaised) {
            return kInvalid;
        }
        const bool resumesAfterRaise = saved.lastOutcome == kRelerrRaised;
        if (mode == 2) {
            if (resumesAfterRaise) {
                effectiveFlag = saved.resumeFlag;
                mode = std::abs(effectiveFlag);
            } else if (saved.startStage == 0) {
                effectiveFlag = saved.resumeFlag;
            } else if (saved.lastOutcome == kBudgetExhausted) {
                resetBudget = true;
            } else if (saved.lastOutcome == kStepTooSmall && *relerr <= saved.savedRelerr &&
                       abserr <= saved.savedAbserr) {
                return kInvalid;  // continuing after a 6 needs a raised tolerance
            }
        } else if (flag == 3 || flag == 4 || (flag == 5 && abserr > 0)) {
            resetBudget = flag == 4;
            effectiveFlag = saved.resumeFlag;
            if (resumesAfterRaise) {
                mode = std::abs(effectiveFlag);
            }
        } else {
            return kInvalid;  // 5 with abserr 0, or 6, 7, 8 passed in
        }
    }

    // Call setup.
    const Rkf45SavedState<Real> savedOnEntry = saved;
    if (resetBudget) {
        saved.evalCount = 0;
    }
    saved.resumeFlag = effectiveFlag;
    saved.lastOutcome = 0;
    saved.savedRelerr = *relerr;
    saved.savedAbserr = abserr;

    // Relative-tolerance floor.
    const Real relerrFloor = stored<Real>(2.0 * eps + Traits::relerrFloorTerm);
    if (*relerr < relerrFloor) {
        *relerr = relerrFloor;
        saved.lastOutcome = kRelerrRaised;
        return kRelerrRaised;
    }

    Real dt = stored<Real>(double(tout) - *t);
    const Rkf45WorkArrays<Real> work(n);
    if (!work.obtained()) {
        saved = savedOnEntry;  // no code is reserved for this: report it as invalid input
        return kInvalid;
    }
    Real* const f1 = work.array(0);
    Real* const f2 = work.array(1);
    Real* const f3 = work.array(2);
    Real* const f4 = work.array(3);
    Real* const f5 = work.array(4);

    // Start.
    if (mode == 1) {
        saved.startStage = 0;
        saved.crowdedCount = 0;
        evaluateModel(model, *t, y, yp, n);
        saved.evalCount = 1;
        if (*t == tout) {
            return kReached;  // the initial step size is chosen by the next call
        }
    }

    Real& h = saved.stepSize;

    // Initial step size.
    if (saved.startStage == 0) {
        saved.startStage = 1;
        h = Traits::abs(dt);
        bool positiveTolerance = false;
        for (int32_t k = 0; k < n; ++k) {
            const Real tol = stored<Real>(double(Traits::abs(y[k])) * *relerr + abserr);
            if (tol > 0) {
                positiveTolerance = true;
                const Real h2 = stored<Real>(double(h) * h);
                const Real h4 = stored<Real>(double(h2) * h2);
                const Real h5 = stored<Real>(double(h4) * h);
                const Real ypk = Traits::abs(yp[k]);
                if (double(h5) * ypk > tol) {
                    h = stored<Real>(std::pow(double(tol) / ypk, kExponent));
                }
            }
        }
        if (!positiveTolerance) {
            h = 0;
        }
        const Real reach = Traits::max(Traits::abs(*t), Traits::abs(dt));
        h = Traits::max(h, stored<Real>(kMinimumStepFactor * eps * reach));
        saved.resumeFlag = effectiveFlag < 0 ? -2 : 2;
    }

    // Direction: the carried step takes the direction of the new interval.
    h = stored<Real>(double(Traits::sign(dt)) * Traits::abs(h));

    // Crowded output.
    if (Traits::abs(h) >= 2.0 * Traits::abs(dt)) {
        saved.crowdedCount += 1;
    }
    if (saved.crowdedCount == kCrowdedCallLimit) {
        saved.crowdedCount = 0;
        return kCrowded;
    }

    // Tiny interval: one Euler step. The bound is only compared, never stored, so it stays
    // unrounded.
    if (double(Traits::abs(dt)) <= (kMinimumStepFactor * eps) * Traits::abs(*t)) {
        *t = tout;
        for (int32_t k = 0; k < n; ++k) {
            y[k] = stored<Real>(y[k] + double(dt) * yp[k]);
        }
        evaluateModel(model, *t, y, yp, n);
        saved.evalCount += 1;
        return kReached;
    }

    bool lastStep = false;
    const Real scale = stored<Real>(2.0 / *relerr);
    const Real aw = stored<Real>(double(scale) * abserr);

    // Step loop: each pass takes one accepted step.
    for (;;) {
        bool failedStep = false;
        const Real hmin = stored<Real>((kMinimumStepFactor * eps) * Traits::abs(*t));
        dt = stored<Real>(double(tout) - *t);

        // Interval end: land on T exactly, or split a remainder below two steps in halves.
        if (Traits::abs(dt) < 2.0 * Traits::abs(h)) {
            if (Traits::abs(dt) <= Traits::abs(h)) {
                lastStep = true;
                h = dt;
            } else {
                h = stored<Real>(0.5 * dt);
            }
        }

        Real q = 0;
        for (;;) {
            if (saved.evalCount > kEvaluationBudget) {
                saved.lastOutcome = kBudgetExhausted;
                return kBudgetExhausted;
            }
            fehlbergStep<FixedN>(model, n, y, *t, h, yp, f1, f2, f3, f4, f5, f1);
            saved.evalCount += 5;

            Real rmax = 0;
            for (int32_t k = 0; k < n; ++k) {
                const Real w =
                    stored<Real>((double(Traits::abs(y[k])) + Traits::abs(f1[k])) + aw);
                if (w <= 0) {
                    return kPureRelativeImpossible;
                }
                const Real combination =
                    stored<Real>((-2090.0 * yp[k] + (21970.0 * f3[k] - 15048.0 * f4[k])) +
                                 (22528.0 * f2[k] - 27360.0 * f5[k]));
                const Real err = Traits::abs(combination);
                rmax = Traits::max(rmax, stored<Real>(double(err) / w));
            }
            q = stored<Real>(((double(Traits::abs(h)) * rmax) * scale) / kErrorDenominator);
            if (q <= 1) {
                break;
            }

            // Rejected: shrink and retry; the interval end is not looked at again.
            failedStep = true;
            lastStep = false;
            const Real s = q < kShrinkLimitQ
                               ? stored<Real>(kSafety / Traits::powResult(std::pow(q, kExponent)))
                               : Traits::smallestShrinkFactor;
            h = stored<Real>(double(s) * h);
            if (Traits::abs(h) < hmin) {
                saved.lastOutcome = kStepTooSmall;
                return kStepTooSmall;
            }
        }

        // Accepted.
        *t = stored<Real>(double(*t) + h);
        for (int32_t k = 0; k < n; ++k) {
            y[k] = f1[k];
        }
        evaluateModel(model, *t, y, yp, n);
        saved.evalCount += 1;

        // Next step size; a step that needed a retry is never followed by a larger one.
        Real s = q > kGrowthLimitQ
                     ? stored<Real>(kSafety / Traits::powResult(std::pow(q, kExponent)))
                     : Traits::largestGrowthFactor;
        if (failedStep) {
            s = Traits::min(s, Real(1));
        }
        h = stored<Real>(double(Traits::sign(h)) *
                         Traits::max(stored<Real>(double(s) * Traits::abs(h)), hmin));

        if (lastStep) {
            *t = tout;  // exactly, replacing t + h
            return kReached;
        }
        if (effectiveFlag <= 0) {
            return kSingleStep;
        }
    }
}

template <typename Real>
int32_t rkf45Drive(Rkf45SavedState<Real>& saved, int32_t n, Real* y, Real* yp, Real* t, Real tout,
                   Real* relerr, Real abserr, int32_t flag) {
    // The projectile model's four equations are the usual case: a copy compiled for exactly four
    // lets the compiler unroll every loop over the components. Same operations, same bits.
    if (n == kProjectileEquationCount) {
        return rkf45DriveFor<Real, kProjectileEquationCount>(saved, n, y, yp, t, tout, relerr,
                                                             abserr, flag);
    }
    return rkf45DriveFor<Real, 0>(saved, n, y, yp, t, tout, relerr, abserr, flag);
}

}  // namespace skelvane

#endif
