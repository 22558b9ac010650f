// The work-precision picture: for tolerance exponents -3 to -12, the global error (in units of
// the tolerance) against the model evaluations spent, for Skelvane's driver and each peer, on
// the 10 s fall (against its closed form) and on a 30 s drag flight of the default shot (against
// a long-double fourth-order Runge-Kutta reference with 300000 steps, checked against 150000).
// Every method is asked for the same output times. At the host's 1/60 s frames this shot is so
// smooth that every method takes one step per frame at every tolerance down to 1e-12, and the
// error is rounding alone (the table at the end shows it): the picture therefore asks for one
// output per second, where the tolerance, not the frame, sets the steps.
//
//   skelvane-work-precision [OUTPUT.svg]     default docs/work-precision.svg; the tables on stdout
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "flight_methods.h"
#include "shots.h"
#include "svg_plot.h"

namespace {

using bench::FlightMethod;
using bench::Shot;
using bench::State4;

constexpr int kReferenceSteps = 300000;

struct Method {
    std::unique_ptr<FlightMethod> flight;
    std::string label, color;
    bool lumped;          // the single-precision model
    int loosest, tightest;  // tolerance exponents flown
};

// The reference at time t, remembered per (model, time bits).
const State4& referenceAt(const Shot& shot, bool lumped, double t) {
    static std::map<std::pair<bool, double>, State4> cache;
    auto key = std::make_pair(lumped, t);
    auto it = cache.find(key);
    if (it == cache.end()) {
        it = cache.emplace(key, bench::referenceFlight(shot, lumped, t, kReferenceSteps)).first;
    }
    return it->second;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string output = argc >= 2 ? argv[1] : "docs/work-precision.svg";
    std::vector<Method> methods;
    methods.push_back({bench::makeLinkedDouble(), "Skelvane advanceSimDouble (double driver)", "#d62728", false, -3, -12});
    methods.push_back({bench::makeLinkedFloat(), "Skelvane r4_rkf45 (float, to its floor)", "#ff7f0e", true, -3, -6});
    methods.push_back({bench::makeGslRkf45(), "GSL odeiv2 rkf45", "#1f77b4", false, -3, -12});
    methods.push_back({bench::makeBoostCashKarp(), "Boost Cash-Karp 5(4)", "#2ca02c", false, -3, -12});
    methods.push_back({bench::makeBoostDormandPrince(), "Boost Dormand-Prince 5(4)", "#9467bd", false, -3, -12});

    const Shot fall = bench::verticalFall(10.0, 1.0);
    const Shot flight = bench::defaultShot(30.0, 1.0);

    // How far the reference itself can be trusted: halve its steps and compare, in units of the
    // tightest tolerance.
    {
        const double t = 30.0;
        const State4 fine = bench::referenceFlight(flight, false, t, kReferenceSteps);
        const State4 coarse = bench::referenceFlight(flight, false, t, kReferenceSteps / 2);
        std::printf("reference check: 300000 vs 150000 steps differ by %.3g x 1e-12 (mixed measure)\n",
                    bench::errorInTolerances(coarse, fine, 1e-12));
        const State4 closed = bench::fallClosedForm(fall, false, 10.0);
        const State4 rk = bench::referenceFlight(fall, false, 10.0, kReferenceSteps);
        std::printf("reference check: on the fall it meets the closed form to %.3g x 1e-12\n\n",
                    bench::errorInTolerances(rk, closed, 1e-12));
    }

    std::vector<bench::PlotPanel> panels(2);
    panels[0].title = "10 s fall from rest (closed form)";
    panels[1].title = "30 s drag flight, 30 m/s at 45 degrees (reference)";

    // Flies every method at every tolerance; true when the double driver stayed within ten times
    // the tolerance on the fall throughout.
    auto sweep = [&](const Shot& fallShot, const Shot& flightShot, bool plot) {
        bool withinTen = true;
        std::printf("output every %g s\n%-44s %5s %12s %12s %12s %12s\n", 1.0 / fallShot.framesPerSecond,
                    "method", "tol", "fall evals", "fall err/tol", "flight evals", "flight err/tol");
        for (Method& m : methods) {
            bench::PlotSeries fallSeries{m.label, m.color, {}};
            bench::PlotSeries flightSeries{m.label, m.color, {}};
            for (int e = m.loosest; e >= m.tightest; --e) {
                const double tol = std::pow(10.0, e);
                double result[2][2];  // [problem][evaluations, error]
                const Shot* shots[2] = {&fallShot, &flightShot};
                for (int p = 0; p < 2; ++p) {
                    m.flight->start(*shots[p], e);
                    for (int k = 0; k < shots[p]->frames; ++k) m.flight->frame();
                    const double t = m.flight->time();
                    const State4 exact = p == 0 ? bench::fallClosedForm(fallShot, m.lumped, t)
                                                : referenceAt(flightShot, m.lumped, t);
                    result[p][0] = double(m.flight->evaluations());
                    result[p][1] = bench::errorInTolerances(m.flight->state(), exact, tol);
                }
                const bool driver = &m == &methods.front();
                if (driver && result[0][1] > 10.0) withinTen = false;
                const std::string label = driver ? std::to_string(e) : "";
                fallSeries.points.push_back({result[0][0], result[0][1], label});
                flightSeries.points.push_back({result[1][0], result[1][1], label});
                std::printf("%-44s %5d %12.0f %12.3g %12.0f %12.3g\n", m.label.c_str(), e, result[0][0],
                            result[0][1], result[1][0], result[1][1]);
            }
            if (plot) {
                panels[0].series.push_back(fallSeries);
                panels[1].series.push_back(flightSeries);
            }
        }
        std::printf("Skelvane's double driver within ten times the tolerance on the fall at every "
                    "tolerance: %s\n\n", withinTen ? "yes" : "NO");
        return withinTen;
    };
    sweep(fall, flight, true);
    // The host's frames: one step per frame for every method, error at rounding level.
    sweep(bench::verticalFall(10.0), bench::defaultShot(30.0), false);

    for (bench::PlotPanel& p : panels) {
        p.xLabel = "model evaluations for the whole flight (an output every second)";
        p.yLabel = "global error / tolerance  (max over x, vx, y, vy of |e| / (tol (|y|+1)))";
        p.levels = {{10.0, "10 x tolerance"}, {1.0, "tolerance"}};
    }
    const std::string note =
        "Tolerance exponents -3 to -12 (labels on the Skelvane points); both tolerances 10^exp, "
        "the same mixed test |err| <= rel |y| + abs for every method. Regenerate: make work-precision";
    if (!bench::writeLogLogSvg(output, "Work-precision: Skelvane RKF45 against GSL and Boost.Odeint",
                               note, panels)) {
        std::fprintf(stderr, "cannot write %s\n", output.c_str());
        return 1;
    }
    std::printf("wrote %s\n", output.c_str());
    return 0;
}
