#include "trace_file.h"

#include <cstdio>

#include "sim_state.h"

namespace skelvane {
namespace {

constexpr const char* kTraceFileName = "op1.txt";
constexpr int kTracedParams = 19;
constexpr int kTracedStateEntries = 20;

// Opens the trace file, runs the writer on it and closes it; nothing happens if it won't open.
template <typename Writer>
void withTraceFile(const char* mode, Writer write) {
    std::FILE* file = std::fopen(kTraceFileName, mode);
    if (file == nullptr) {
        return;
    }
    write(file);
    std::fclose(file);
}

}  // namespace

void writeParameterBlock() {
    withTraceFile("w", [](std::FILE* file) {
        for (int j = 0; j < kTracedParams; ++j) {
            std::fprintf(file, "param[%d] = %10e\n", j, double(simState.params[j]));
        }
    });
}

void writeInitialisationBlock() {
    withTraceFile("a", [](std::FILE* file) {
        std::fprintf(file, "\n\n");
        std::fprintf(file, "initSimDouble()\n\n");
        std::fprintf(file, "CCCCCC abserr = %20le\n\n", simState.abserr);
        std::fprintf(file, "CCCCCC mass = %20le\n stiffness = %20le\n damping = %20le\n\n",
                     double(simState.params[0]), double(simState.params[1]),
                     double(simState.params[2]));
        for (int i = 0; i < kTracedStateEntries; ++i) {
            std::fprintf(file, "CCCCCC y[%d] = %20le\n", i, simState.y[i]);
        }
    });
}

void writeDumpBlock() {
    withTraceFile("a", [](std::FILE* file) {
        const int groups = clampedEquationCount(simState.neqn) / 4;
        for (int g = 0; g < groups; ++g) {
            for (int i = 4 * g; i < 4 * g + 4; ++i) {
                std::fprintf(file, i < 4 * g + 3 ? "u[%d] = %10e\n" : "u[%d] = %10e\n\n", i,
                             simState.y[i]);
            }
            for (int i = 4 * g; i < 4 * g + 4; ++i) {
                std::fprintf(file, i < 4 * g + 3 ? "dudt[%d] = %10e\n" : "dudt[%d] = %10e\n\n",
                             i, simState.yp[i]);
            }
        }
    });
}

}  // namespace skelvane
