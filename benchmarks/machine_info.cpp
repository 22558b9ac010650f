#include "machine_info.h"

#include <fstream>

namespace bench {

std::string processorModel() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line, model = "unknown processor";
    int count = 0;
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("model name", 0) == 0) {
            ++count;
            const auto colon = line.find(':');
            if (colon != std::string::npos) model = line.substr(colon + 2);
        }
    }
    return model + " (" + std::to_string(count) + " logical processors)";
}

std::string compilerDescription() { return SKELVANE_BENCH_COMPILER; }
std::string compilerFlags() { return SKELVANE_BENCH_FLAGS; }

}  // namespace bench
