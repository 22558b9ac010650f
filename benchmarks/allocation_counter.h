// Heap allocations made anywhere in the process, counted by interposing malloc and its kin in
// this executable (see allocation_counter.cpp).
#ifndef BENCH_ALLOCATION_COUNTER_H
#define BENCH_ALLOCATION_COUNTER_H

#include <cstdint>

namespace bench {

// Calls of malloc, calloc, realloc (with a size) and the aligned allocators so far; operator new
// and new[] reach malloc through the C++ runtime, so they are counted too.
uint64_t allocationCount();

}  // namespace bench

#endif
