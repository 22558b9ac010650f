// What every fuzz target shares: the library loaded by name as the host loads it, a scratch
// working directory for the files the libraries write, host arrays with guard cells, the
// host's floating-point mode, and a check that ends the run with a finding.
#ifndef FUZZ_FUZZ_SUPPORT_H
#define FUZZ_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "loaded_library.h"

namespace fuzzing {

// A finding: prints what broke and aborts, which libFuzzer reports as a crash.
[[noreturn]] void fail(const char* file, int line, const std::string& what);

#define FUZZ_CHECK(condition, what)                        \
    do {                                                   \
        if (!(condition)) {                                \
            ::fuzzing::fail(__FILE__, __LINE__, (what));  \
        }                                                  \
    } while (false)

// With FUZZ_TRACE set in the environment, prints one line per call, to read what an input does.
void trace(const std::string& line);

// While it lives, the working directory is a scratch directory of the run's own (created under
// the temporary directory on first use), where the libraries write their files. libFuzzer's own
// paths (corpus, artifacts) stay relative to the directory the run started in.
class InScratchDirectory {
public:
    explicit InScratchDirectory(const char* targetName);
    ~InScratchDirectory();
    InScratchDirectory(const InScratchDirectory&) = delete;
    InScratchDirectory& operator=(const InScratchDirectory&) = delete;

private:
    int previous_;
};

// The library, loaded once for the whole run (libFuzzer's coverage counters must stay mapped),
// every export looked up by its undecorated name.
const hostsupport::LoadedLibrary& library(const char* baseName);

template <typename Function>
Function exportOf(const char* baseName, const char* name) {
    auto f = library(baseName).function<Function>(name);
    FUZZ_CHECK(f != nullptr, std::string("export missing: ") + name);
    return f;
}

// A host-owned array of `count` elements inside guard cells, allocated to its exact size so
// that AddressSanitizer sees any access beyond the guards too.
template <typename T>
class GuardedArray {
public:
    static constexpr size_t kGuard = 8;

    explicit GuardedArray(size_t count = 0) { resize(count); }

    // Keeps the first min(old, new) elements; new ones are zero.
    void resize(size_t count) {
        std::vector<T> cells(count + 2 * kGuard);
        fillGuards(cells, count);
        for (size_t i = 0; i < count && i < count_; ++i) {
            cells[kGuard + i] = cells_[kGuard + i];
        }
        cells_.swap(cells);
        count_ = count;
    }

    T* data() { return cells_.data() + kGuard; }
    const T* data() const { return cells_.data() + kGuard; }
    size_t size() const { return count_; }
    T& operator[](size_t i) { return data()[i]; }

    // True when no guard cell was written.
    bool guardsIntact() const {
        std::vector<T> expected(cells_.size());
        fillGuards(expected, count_);
        for (size_t i = 0; i < kGuard; ++i) {
            if (!sameBits(cells_[i], expected[i]) ||
                !sameBits(cells_[kGuard + count_ + i], expected[kGuard + count_ + i])) {
                return false;
            }
        }
        return true;
    }

    // The elements' bytes, to tell whether a call changed any of them.
    std::vector<unsigned char> snapshot() const {
        const auto* begin = reinterpret_cast<const unsigned char*>(data());
        return std::vector<unsigned char>(begin, begin + count_ * sizeof(T));
    }

private:
    static bool sameBits(const T& a, const T& b) { return std::memcmp(&a, &b, sizeof(T)) == 0; }

    // Guard cells hold a pattern no library writes by chance: the bytes 0xA5.
    static void fillGuards(std::vector<T>& cells, size_t count) {
        for (size_t i = 0; i < kGuard; ++i) {
            std::memset(&cells[i], 0xA5, sizeof(T));
            std::memset(&cells[kGuard + count + i], 0xA5, sizeof(T));
        }
    }

    std::vector<T> cells_;
    size_t count_ = 0;
};

// The SSE control and status register, which holds the host's floating-point mode.
uint32_t floatControl();
void setFloatControl(uint32_t value);

// Floating-point modes a host may run in: the default, flush-to-zero with denormals-are-zero,
// and the three directed roundings. Every exception stays masked.
uint32_t hostFloatMode(uint8_t choice);

}  // namespace fuzzing

#endif
