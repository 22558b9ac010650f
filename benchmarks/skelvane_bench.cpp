// The per-frame comparison: Skelvane through its exports (loaded by name, as the host loads it),
// GSL's rkf45 driver, Boost.Odeint's controlled Cash-Karp and Dormand-Prince steppers and the
// bound, on the demo's default shot (tolerance 1e-6, 1/60 s frames, 10 s).
//
// Before anything is timed the suite checks that the linked-in copy of the driver and the bound
// give the loaded library's bits frame for frame, and that the allocation counter sees the
// library's allocations. It then measures evaluations, allocations and the error of a 10 s fall
// against its closed form, times every method with Google Benchmark, and prints the table.
//
//   skelvane-bench [google benchmark flags]    the suite (defaults: 5 repetitions, interleaved)
//   skelvane-bench --instructions NAME          NAME's frames only, for callgrind's counts
//   skelvane-bench --list                       the method names
#include <benchmark/benchmark.h>
#include <valgrind/callgrind.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "allocation_counter.h"
#include "flight_methods.h"
#include "loaded_library.h"
#include "machine_info.h"
#include "shots.h"

namespace {

using bench::FlightMethod;
using bench::Shot;

constexpr int kToleranceExponent = -6;

struct Entry {
    std::string key;  // short name for the command line
    std::unique_ptr<FlightMethod> method;
    enum Role { Subject, Peer, Bound, Linked } role;
    bool single;  // single precision: compared with the float bound
};

struct Probe {
    double evaluationsPerFrame = -1;
    double allocationsPerFrame = 0;
    double fallVelocityError = 0;   // |v - v_exact| at the end of the 10 s fall, m/s
    double fallErrorInTolerances = 0;
};

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Flies `shot` with both methods and reports the first frame whose time or state differ in any
// bit (compared at the precision the first one exposes: floats are widened exactly).
std::string firstDifference(FlightMethod& a, FlightMethod& b, const Shot& shot, bool roundToFloat) {
    a.start(shot, kToleranceExponent);
    b.start(shot, kToleranceExponent);
    auto view = [roundToFloat](double v) { return roundToFloat ? double(static_cast<float>(v)) : v; };
    for (int k = 1; k <= shot.frames; ++k) {
        a.frame();
        b.frame();
        const bench::State4 ya = a.state(), yb = b.state();
        bool same = sameBits(view(a.time()), view(b.time()));
        for (int i = 0; i < 4; ++i) same = same && sameBits(view(ya[i]), view(yb[i]));
        if (!same) {
            return a.name() + " and " + b.name() + " differ at frame " + std::to_string(k);
        }
    }
    return {};
}

Probe probe(FlightMethod& method, FlightMethod* counter, bool lumped) {
    Probe p;
    const Shot shot = bench::defaultShot(10.0);
    method.start(shot, kToleranceExponent);
    const uint64_t before = bench::allocationCount();
    for (int k = 0; k < shot.frames; ++k) method.frame();
    p.allocationsPerFrame = double(bench::allocationCount() - before) / shot.frames;

    // Evaluations: the method's own count, or the linked-in twin's for the loaded library.
    FlightMethod& counted = counter != nullptr ? *counter : method;
    counted.start(shot, kToleranceExponent);
    for (int k = 0; k < shot.frames; ++k) counted.frame();
    p.evaluationsPerFrame = double(counted.evaluations()) / shot.frames;

    // The fall: measured on the full-precision state (the linked twin's for the library, whose
    // exports hand back floats).
    const Shot fall = bench::verticalFall(10.0);
    counted.start(fall, kToleranceExponent);
    for (int k = 0; k < fall.frames; ++k) counted.frame();
    const bench::State4 exact = bench::fallClosedForm(fall, lumped, counted.time());
    p.fallVelocityError = std::fabs(counted.state()[3] - exact[3]);
    p.fallErrorInTolerances =
        bench::errorInTolerances(counted.state(), exact, std::pow(10.0, kToleranceExponent));
    return p;
}

void frameBenchmark(benchmark::State& st, FlightMethod* method) {
    const Shot shot = bench::defaultShot(10.0);
    method->start(shot, kToleranceExponent);
    int frame = 0;
    for (auto _ : st) {
        if (frame == shot.frames) {
            st.PauseTiming();
            method->start(shot, kToleranceExponent);
            frame = 0;
            st.ResumeTiming();
        }
        method->frame();
        ++frame;
    }
    bench::State4 y = method->state();
    benchmark::DoNotOptimize(y);
}

// Keeps the console output and collects the CPU time per frame of every repetition.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                times[run.run_name.function_name].push_back(run.GetAdjustedCPUTime());
            }
        }
    }
    std::map<std::string, std::vector<double>> times;
};

double median(std::vector<double> v) {
    if (v.empty()) return NAN;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

std::string fixed(double v, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    return text;
}

std::string scientific(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2e", v);
    return text;
}

int instructionRun(std::vector<Entry>& entries, const std::string& key) {
    for (Entry& e : entries) {
        if (e.key != key) continue;
        const Shot shot = bench::defaultShot(10.0);
        constexpr int kFlights = 3;
        for (int f = 0; f < kFlights; ++f) {
            e.method->start(shot, kToleranceExponent);
            CALLGRIND_TOGGLE_COLLECT;
            for (int k = 0; k < shot.frames; ++k) e.method->frame();
            CALLGRIND_TOGGLE_COLLECT;
        }
        std::printf("frames %d\n", kFlights * shot.frames);
        return 0;
    }
    std::fprintf(stderr, "no method named %s (see --list)\n", key.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    hostsupport::LoadedLibrary library("Skelvane");
    if (!library.loaded()) {
        std::fprintf(stderr, "cannot load Skelvane: %s\n", library.error().c_str());
        return 1;
    }
    bench::SkelvaneExports api;
    const std::string missing = api.lookUp(library);
    if (!missing.empty()) {
        std::fprintf(stderr, "Skelvane has no export %s\n", missing.c_str());
        return 1;
    }

    std::vector<Entry> entries;
    entries.push_back({"skelvane", bench::makeLibraryDouble(api), Entry::Subject, false});
    entries.push_back({"r4", bench::makeLibraryFloat(api), Entry::Subject, true});
    entries.push_back({"gsl", bench::makeGslRkf45(), Entry::Peer, false});
    entries.push_back({"boost-ck", bench::makeBoostCashKarp(), Entry::Peer, false});
    entries.push_back({"boost-dp", bench::makeBoostDormandPrince(), Entry::Peer, false});
    entries.push_back({"bound", bench::makeBoundDouble(), Entry::Bound, false});
    entries.push_back({"bound-float", bench::makeBoundFloat(), Entry::Bound, true});
    entries.push_back({"linked", bench::makeLinkedDouble(), Entry::Linked, false});
    entries.push_back({"linked-float", bench::makeLinkedFloat(), Entry::Linked, true});
    auto find = [&entries](const std::string& key) -> FlightMethod& {
        for (Entry& e : entries)
            if (e.key == key) return *e.method;
        throw std::logic_error("no method " + key);
    };

    if (argc >= 2 && std::strcmp(argv[1], "--list") == 0) {
        for (const Entry& e : entries) std::printf("%-13s %s\n", e.key.c_str(), e.method->name().c_str());
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "--instructions") == 0) {
        return instructionRun(entries, argv[2]);
    }

    // Same steps, same bits, before anything is timed.
    const Shot shot = bench::defaultShot(10.0);
    const Shot fall = bench::verticalFall(10.0);
    std::vector<std::string> differences;
    for (const Shot* s : {&shot, &fall}) {
        differences.push_back(firstDifference(find("skelvane"), find("linked"), *s, true));
        differences.push_back(firstDifference(find("linked"), find("bound"), *s, false));
        differences.push_back(firstDifference(find("r4"), find("linked-float"), *s, false));
        differences.push_back(firstDifference(find("r4"), find("bound-float"), *s, false));
    }
    for (const std::string& d : differences) {
        if (!d.empty()) {
            std::fprintf(stderr, "not the same bits: %s\n", d.c_str());
            return 1;
        }
    }
    {
        // The counter must see the library's own work block.
        FlightMethod& lib = find("skelvane");
        lib.start(shot, kToleranceExponent);
        const uint64_t before = bench::allocationCount();
        lib.frame();
        if (bench::allocationCount() == before) {
            std::fprintf(stderr, "the allocation counter does not see the library's allocations\n");
            return 1;
        }
    }

    std::map<std::string, Probe> probes;
    for (Entry& e : entries) {
        FlightMethod* counter = e.key == "skelvane" ? &find("linked")
                                : e.key == "r4"     ? &find("linked-float")
                                                    : nullptr;
        probes[e.key] = probe(*e.method, counter, e.single);
    }

    // Defaults for a shared, noisy machine: several repetitions, interleaved, CPU time reported.
    std::vector<char*> args(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=5";
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    std::string minTime = "--benchmark_min_time=0.3";
    auto given = [&](const char* flag) {
        for (int i = 1; i < argc; ++i)
            if (std::strncmp(argv[i], flag, std::strlen(flag)) == 0) return true;
        return false;
    };
    if (!given("--benchmark_repetitions")) args.push_back(&repetitions[0]);
    if (!given("--benchmark_enable_random_interleaving")) args.push_back(&interleave[0]);
    if (!given("--benchmark_min_time")) args.push_back(&minTime[0]);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 2;

    for (Entry& e : entries) {
        benchmark::RegisterBenchmark(e.key.c_str(), frameBenchmark, e.method.get());
    }
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    // The table.
    std::map<std::string, double> ns;
    for (const Entry& e : entries) ns[e.key] = median(reporter.times[e.key]);
    double bestPeer = INFINITY;
    std::string bestPeerName;
    for (const Entry& e : entries) {
        if (e.role == Entry::Peer && ns[e.key] < bestPeer) {
            bestPeer = ns[e.key];
            bestPeerName = e.method->name();
        }
    }
    std::printf("\nSkelvane per-frame comparison: %s, tolerance 1e%d, 1/60 s frames, %d frames (10 s)\n",
                shot.name.c_str(), kToleranceExponent, shot.frames);
    std::printf("machine:  %s\ncompiler: %s\nflags:    %s\n", bench::processorModel().c_str(),
                bench::compilerDescription().c_str(), bench::compilerFlags().c_str());
    std::printf("time: median CPU time per frame over the repetitions (the machine is shared: expect\n"
                "a few per cent of noise; callgrind's instruction counts are the stable measure)\n\n");
    std::printf("%-36s %9s %8s %8s %10s %10s %12s %10s\n", "method", "ns/frame", "x bound", "x peer",
                "evals/fr", "allocs/fr", "fall |dv|", "fall /tol");
    for (const Entry& e : entries) {
        const Probe& p = probes[e.key];
        const double bound = ns[e.single ? "bound-float" : "bound"];
        std::printf("%-36s %9s %8s %8s %10s %10s %12s %10s\n", e.method->name().c_str(),
                    fixed(ns[e.key], 1).c_str(), fixed(ns[e.key] / bound, 2).c_str(),
                    e.single ? "-" : fixed(ns[e.key] / bestPeer, 2).c_str(),
                    fixed(p.evaluationsPerFrame, 2).c_str(), fixed(p.allocationsPerFrame, 2).c_str(),
                    scientific(p.fallVelocityError).c_str(), fixed(p.fallErrorInTolerances, 2).c_str());
    }
    std::printf("\nbest peer: %s. Evaluations of the two Skelvane exports are counted on the same\n"
                "driver linked in (same bits checked frame for frame); float rows compare with the\n"
                "float bound, and their fall error is against the lumped-drag closed form.\n",
                bestPeerName.c_str());

    const double libRatio = ns["skelvane"] / ns["bound"];
    const double r4Ratio = ns["r4"] / ns["bound-float"];
    const double gslRatio = ns["skelvane"] / ns["gsl"];
    std::printf("\ntargets:\n");
    std::printf("  advanceSimDouble+getSimStateDouble <= 2 x bound:  %.2f x  %s\n", libRatio,
                libRatio <= 2.0 ? "met" : "MISSED");
    std::printf("  advanceSimDouble+getSimStateDouble < GSL rkf45:   %.2f x  %s\n", gslRatio,
                gslRatio < 1.0 ? "met" : "MISSED");
    std::printf("  r4_rkf45 <= 2 x float bound:                      %.2f x  %s\n", r4Ratio,
                r4Ratio <= 2.0 ? "met" : "MISSED");
    std::printf("  allocations per frame, advanceSimDouble path:     %.2f (one work block per advance)\n",
                probes["skelvane"].allocationsPerFrame);
    std::printf("  allocations per frame, r4_rkf45:                  %.2f (one work block per call)\n",
                probes["r4"].allocationsPerFrame);
    return 0;
}
