// Every method the suite compares, behind one small interface: start a flight at a tolerance
// exponent, advance one 1/60 s frame, read the state back.
#ifndef BENCH_FLIGHT_METHODS_H
#define BENCH_FLIGHT_METHODS_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "loaded_library.h"
#include "shots.h"
#include "skelvane.h"

namespace bench {

// The Skelvane exports the suite calls, looked up by name in the loaded library.
struct SkelvaneExports {
    decltype(&::selectRHS) selectRHS = nullptr;
    decltype(&::initSimDouble) initSimDouble = nullptr;
    decltype(&::advanceSimDouble) advanceSimDouble = nullptr;
    decltype(&::getSimStateDouble) getSimStateDouble = nullptr;
    decltype(&::updateParams) updateParams = nullptr;
    decltype(&::r4_rkf45) r4_rkf45 = nullptr;

    // Empty when every export was found, else the first missing name.
    std::string lookUp(const hostsupport::LoadedLibrary& library);
};

class FlightMethod {
public:
    virtual ~FlightMethod() = default;
    virtual std::string name() const = 0;
    // Starts the shot afresh with both tolerances 10^toleranceExponent. Not timed.
    virtual void start(const Shot& shot, int toleranceExponent) = 0;
    // Advances one frame. Throws std::runtime_error on a flag a host would have to restart on.
    virtual void frame() = 0;
    // Time and state reached, as precisely as the method holds them.
    virtual double time() const = 0;
    virtual State4 state() const = 0;
    // Model evaluations since start; -1 where they cannot be seen from outside.
    virtual long long evaluations() const = 0;
    // False for single-precision methods: the work-precision picture floors their tolerance.
    virtual bool doublePrecision() const { return true; }
};

// The host's path: the loaded library, advanceSimDouble + getSimStateDouble per frame (state read
// back as floats, as the host reads it).
std::unique_ptr<FlightMethod> makeLibraryDouble(const SkelvaneExports& api);
// r4_rkf45 per frame on the host's own float arrays, through the loaded library.
std::unique_ptr<FlightMethod> makeLibraryFloat(const SkelvaneExports& api);
// The same driver code linked into this executable, with a counting wrapper around the model:
// it sees what the loaded library hides (evaluations, the double state). The suite checks that
// it gives the loaded library's bits frame for frame.
std::unique_ptr<FlightMethod> makeLinkedDouble();
std::unique_ptr<FlightMethod> makeLinkedFloat();
// GSL odeiv2: driver with the rkf45 stepper and the y_new control (|err| <= abs + rel |y|).
std::unique_ptr<FlightMethod> makeGslRkf45();
// Boost.Odeint integrate_adaptive with a controlled Cash-Karp 5(4) / Dormand-Prince 5(4) stepper
// whose error checker ignores the derivative (a_dxdt = 0).
std::unique_ptr<FlightMethod> makeBoostCashKarp();
std::unique_ptr<FlightMethod> makeBoostDormandPrince();
// The bound, in double (the advanceSimDouble protocol) and in float (the r4_rkf45 protocol).
std::unique_ptr<FlightMethod> makeBoundDouble();
std::unique_ptr<FlightMethod> makeBoundFloat();

}  // namespace bench

#endif
