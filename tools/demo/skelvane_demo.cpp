// The demo host: does what the game does with Skelvane. It loads the library by name, flies a
// shot frame by frame with and without drag, flies it again with the single-precision driver,
// prints a summary, and writes the frames as CSV and the trajectories as SVG.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "flight.h"
#include "loaded_library.h"
#include "trajectory_svg.h"

namespace {

struct Options {
    demo::ShotSettings shot;
    std::string csvPath = "flight.csv";
    std::string svgPath = "trajectories.svg";
};

const char* const kUsage =
    "usage: skelvane-demo [options]\n"
    "  --mass KG          mass of the sphere (default 2)\n"
    "  --gravity M/S2     acceleration along +y, negative pulls down (default -9.81)\n"
    "  --cd C             drag coefficient (default 0.47)\n"
    "  --density KG/M3    fluid density (default 1.225)\n"
    "  --radius M         sphere radius (default 0.1)\n"
    "  --speed M/S        launch speed (default 30)\n"
    "  --angle DEG        launch angle above the horizontal, -90 to 90 (default 45)\n"
    "  --tolerance EXP    tolerance exponent: both tolerances are 10^EXP (default -6)\n"
    "  --fps N            frames per second (default 60)\n"
    "  --csv PATH         frames as CSV (default flight.csv)\n"
    "  --svg PATH         picture of the trajectories (default trajectories.svg)\n"
    "  --help             this text\n";

bool parseNumber(const std::string& text, double& value) {
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && end != nullptr && *end == '\0' && std::isfinite(value);
}

struct NumericOption {
    const char* name;
    double* target;
    double low, high;
    bool lowInclusive;
};

// Returns an error message, or an empty string when the options are fine.
std::string parseOptions(int argc, char** argv, Options& options, bool& help) {
    demo::ShotSettings& s = options.shot;
    double tolerance = s.toleranceExponent;
    const NumericOption numeric[] = {
        {"--mass", &s.mass, 0.0, 1e6, false},         {"--gravity", &s.gravity, -1e4, 1e4, true},
        {"--cd", &s.dragCoefficient, 0.0, 100.0, true}, {"--density", &s.density, 0.0, 1e5, true},
        {"--radius", &s.radius, 0.0, 100.0, true},     {"--speed", &s.speed, 0.0, 1e4, true},
        {"--angle", &s.angleDegrees, -90.0, 90.0, true}, {"--tolerance", &tolerance, -15, 0, true},
        {"--fps", &s.framesPerSecond, 0.0, 10000.0, false},
    };
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            help = true;
            return "";
        }
        std::string value;
        const std::size_t equals = arg.find('=');
        if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
            arg = arg.substr(0, equals);
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            return "option " + arg + " needs a value";
        }
        if (arg == "--csv" || arg == "--svg") {
            if (value.empty()) {
                return "option " + arg + " needs a file name";
            }
            (arg == "--csv" ? options.csvPath : options.svgPath) = value;
            continue;
        }
        bool known = false;
        for (const NumericOption& o : numeric) {
            if (arg != o.name) {
                continue;
            }
            known = true;
            double v = 0;
            if (!parseNumber(value, v) || !(o.lowInclusive ? v >= o.low : v > o.low) ||
                v > o.high) {
                char range[96];
                std::snprintf(range, sizeof range, "a number %s %g and at most %g",
                              o.lowInclusive ? "from" : "above", o.low, o.high);
                return "bad value '" + value + "' for " + arg + ": expected " + range;
            }
            *o.target = v;
        }
        if (!known) {
            return "unknown option " + arg;
        }
    }
    if (tolerance != std::floor(tolerance)) {
        return "the tolerance exponent must be a whole number";
    }
    s.toleranceExponent = static_cast<int32_t>(tolerance);
    return "";
}

std::string flagList(const demo::FlightSummary& f) {
    if (f.unusualFlags.empty()) {
        return "none";
    }
    std::string text;
    for (const auto& [flag, count] : f.unusualFlags) {
        text += (text.empty() ? "" : ", ") + std::to_string(flag) + " x" + std::to_string(count);
    }
    return text;
}

void printSummary(const std::vector<const demo::FlightSummary*>& flights) {
    std::printf("%-22s", "");
    for (const auto* f : flights) {
        std::printf("%24s", f->name.c_str());
    }
    std::printf("\n");
    auto row = [&](const char* label, double demo::FlightSummary::*field, const char* format) {
        std::printf("%-22s", label);
        for (const auto* f : flights) {
            if (f->landed || field == &demo::FlightSummary::apex) {
                std::printf(format, f->*field);
            } else {
                std::printf("%24s", "-");
            }
        }
        std::printf("\n");
    };
    row("time of flight (s)", &demo::FlightSummary::timeOfFlight, "%24.3f");
    row("range (m)", &demo::FlightSummary::range, "%24.3f");
    row("apex (m)", &demo::FlightSummary::apex, "%24.3f");
    row("impact speed (m/s)", &demo::FlightSummary::impactSpeed, "%24.3f");
    std::printf("%-22s", "frames");
    for (const auto* f : flights) {
        std::printf("%24zu", f->frames.size() - 1);
    }
    std::printf("\n%-22s", "flags other than 2");
    for (const auto* f : flights) {
        std::printf("%24s", flagList(*f).c_str());
    }
    std::printf("\n");
    for (const auto* f : flights) {
        if (!f->stoppedBecause.empty()) {
            std::printf("%s: stopped because %s\n", f->name.c_str(), f->stoppedBecause.c_str());
        }
    }
}

// The largest difference of position and velocity over the frames both flights have.
void printAgreement(const demo::FlightSummary& a, const demo::FlightSummary& b) {
    double position = 0, velocity = 0;
    const std::size_t n = std::min(a.frames.size(), b.frames.size());
    for (std::size_t i = 0; i < n; ++i) {
        const demo::Frame& p = a.frames[i];
        const demo::Frame& q = b.frames[i];
        position = std::max(position, std::hypot(double(p.x) - q.x, double(p.y) - q.y));
        velocity = std::max(velocity, std::hypot(double(p.vx) - q.vx, double(p.vy) - q.vy));
    }
    std::printf("%s vs %s over %zu frames: largest distance %.3g m, velocity difference %.3g m/s\n",
                a.name.c_str(), b.name.c_str(), n, position, velocity);
}

bool writeCsv(const std::string& path, const std::vector<const demo::FlightSummary*>& flights) {
    std::FILE* out = std::fopen(path.c_str(), "w");
    if (out == nullptr) {
        return false;
    }
    std::fprintf(out, "flight,frame,t,x,vx,y,vy\n");
    for (const auto* f : flights) {
        for (std::size_t i = 0; i < f->frames.size(); ++i) {
            const demo::Frame& p = f->frames[i];
            std::fprintf(out, "%s,%zu,%.9g,%.9g,%.9g,%.9g,%.9g\n", f->name.c_str(), i, p.t, p.x,
                         p.vx, p.y, p.vy);
        }
    }
    return std::fclose(out) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    bool help = false;
    const std::string error = parseOptions(argc, argv, options, help);
    if (help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!error.empty()) {
        std::fprintf(stderr, "skelvane-demo: %s\n%s", error.c_str(), kUsage);
        return 2;
    }

    hostsupport::LoadedLibrary library("Skelvane");
    if (!library.loaded()) {
        std::fprintf(stderr, "skelvane-demo: cannot load %s: %s\n",
                     hostsupport::libraryFileName("Skelvane").c_str(), library.error().c_str());
        return 1;
    }
    demo::SkelvaneExports api{};
    std::string missing;
    if (!api.lookUp(library, missing)) {
        std::fprintf(stderr, "skelvane-demo: the library has no export %s\n", missing.c_str());
        return 1;
    }

    const demo::ShotSettings& shot = options.shot;
    std::printf("Skelvane demo: %g kg sphere of radius %g m launched at %g m/s, %g degrees\n",
                shot.mass, shot.radius, shot.speed, shot.angleDegrees);
    std::printf("g = %g, Cd = %g, rho = %g, tolerances 1e%d, %g frames per second\n\n",
                shot.gravity, shot.dragCoefficient, shot.density, shot.toleranceExponent,
                shot.framesPerSecond);

    const demo::FlightSummary drag = demo::flyDouble(api, shot, "with drag");
    demo::ShotSettings vacuum = shot;
    vacuum.density = 0.0;
    const demo::FlightSummary noDrag = demo::flyDouble(api, vacuum, "without drag");
    const demo::FlightSummary single = demo::flySingle(api, shot, "with drag, r4_rkf45");
    const std::vector<const demo::FlightSummary*> flights = {&drag, &noDrag, &single};

    printSummary(flights);
    if (shot.gravity < 0 && noDrag.landed) {
        const double angle = shot.angleDegrees * 3.14159265358979323846 / 180.0;
        std::printf("closed form without drag: range %.3f m, time of flight %.3f s\n",
                    shot.speed * shot.speed * std::sin(2 * angle) / -shot.gravity,
                    2 * shot.speed * std::sin(angle) / -shot.gravity);
    }
    printAgreement(drag, single);
    std::printf("machine epsilon: float %.8g (2^%d), double %.16g (2^%d)\n", api.calcEpsilon(),
                std::ilogb(api.calcEpsilon()), api.calcEpsilonDouble(),
                std::ilogb(api.calcEpsilonDouble()));

    const bool csv = writeCsv(options.csvPath, flights);
    const bool svg = demo::writeTrajectorySvg(options.svgPath, flights);
    std::printf("\n%s %s, %s %s\n", csv ? "frames written to" : "could not write",
                options.csvPath.c_str(), svg ? "picture written to" : "could not write",
                options.svgPath.c_str());
    return csv && svg ? 0 : 1;
}
