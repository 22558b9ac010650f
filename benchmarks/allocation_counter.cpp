// Counting heap allocations without touching the library: this executable defines malloc and its
// kin and exports them (ENABLE_EXPORTS), so the dynamic linker binds every caller in the process
// to them - the loaded Skelvane library (malloc for the double driver's work block), the C++
// runtime (whose operator new and new[] call malloc), GSL. Each one counts and hands the request
// to glibc's own allocator under its __libc_ name, so the allocation itself is unchanged.
// The counter is a plain integer: the suite is single-threaded, and a locked add would be timed
// along with the library's own allocation.
#include "allocation_counter.h"

#include <cerrno>
#include <cstddef>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* block);
}

namespace {
uint64_t allocations = 0;
}

namespace bench {
uint64_t allocationCount() { return allocations; }
}  // namespace bench

extern "C" {

__attribute__((visibility("default"))) void* malloc(std::size_t size) {
    ++allocations;
    return __libc_malloc(size);
}

__attribute__((visibility("default"))) void* calloc(std::size_t count, std::size_t size) {
    ++allocations;
    return __libc_calloc(count, size);
}

__attribute__((visibility("default"))) void* realloc(void* block, std::size_t size) {
    if (size != 0) ++allocations;
    return __libc_realloc(block, size);
}

__attribute__((visibility("default"))) void free(void* block) { __libc_free(block); }

__attribute__((visibility("default"))) void* memalign(std::size_t alignment, std::size_t size) {
    ++allocations;
    return __libc_memalign(alignment, size);
}

__attribute__((visibility("default"))) void* aligned_alloc(std::size_t alignment, std::size_t size) {
    ++allocations;
    return __libc_memalign(alignment, size);
}

__attribute__((visibility("default"))) int posix_memalign(void** out, std::size_t alignment,
                                                          std::size_t size) {
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return EINVAL;
    ++allocations;
    void* block = __libc_memalign(alignment, size);
    if (block == nullptr) return ENOMEM;
    *out = block;
    return 0;
}

}  // extern "C"
