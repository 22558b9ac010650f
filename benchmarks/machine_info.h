// Where a figure came from: processor, compiler, flags.
#ifndef BENCH_MACHINE_INFO_H
#define BENCH_MACHINE_INFO_H

#include <string>

namespace bench {

std::string processorModel();  // "model name" of /proc/cpuinfo, and the number of processors
std::string compilerDescription();
std::string compilerFlags();

}  // namespace bench

#endif
