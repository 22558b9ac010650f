#include "fuzz_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>

namespace fuzzing {

void fail(const char* file, int line, const std::string& what) {
    std::fprintf(stderr, "\n==== fuzz check failed at %s:%d: %s\n", file, line, what.c_str());
    std::abort();
}

void trace(const std::string& line) {
    static const bool enabled = std::getenv("FUZZ_TRACE") != nullptr;
    if (enabled) {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
}

InScratchDirectory::InScratchDirectory(const char* targetName) {
    static const std::string scratch = [targetName] {
        namespace fs = std::filesystem;
        std::string pattern = (fs::temp_directory_path() / (std::string(targetName) + "-XXXXXX")).string();
        FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr, "cannot create a scratch directory");
        // Removed when the run ends normally; a run that ends with a finding keeps it to look at.
        static std::string removeAtExit;
        removeAtExit = pattern;
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(removeAtExit, ignored);
        });
        return pattern;
    }();
    previous_ = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    FUZZ_CHECK(previous_ >= 0, "cannot hold the working directory");
    FUZZ_CHECK(chdir(scratch.c_str()) == 0, "cannot enter the scratch directory");
}

InScratchDirectory::~InScratchDirectory() {
    FUZZ_CHECK(fchdir(previous_) == 0, "cannot return to the working directory");
    close(previous_);
}

const hostsupport::LoadedLibrary& library(const char* baseName) {
    // Never unloaded: libFuzzer keeps reading the library's coverage counters.
    static auto* loaded = new std::map<std::string, std::unique_ptr<hostsupport::LoadedLibrary>>;
    auto& entry = (*loaded)[baseName];
    if (!entry) {
        entry = std::make_unique<hostsupport::LoadedLibrary>(baseName);
        FUZZ_CHECK(entry->loaded(), "cannot load " + std::string(baseName) + ": " + entry->error());
    }
    return *entry;
}

uint32_t floatControl() {
    uint32_t value = 0;
    __asm__ volatile("stmxcsr %0" : "=m"(value));
    return value;
}

void setFloatControl(uint32_t value) { __asm__ volatile("ldmxcsr %0" : : "m"(value)); }

uint32_t hostFloatMode(uint8_t choice) {
    constexpr uint32_t kDefault = 0x1F80;  // round to nearest, exceptions masked
    constexpr uint32_t kFlushToZero = 0x8000;
    constexpr uint32_t kDenormalsAreZero = 0x0040;
    constexpr uint32_t kRoundingShift = 13;
    switch (choice % 5) {
        case 1:
            return kDefault | kFlushToZero | kDenormalsAreZero;
        case 2:
            return kDefault | (1u << kRoundingShift);  // toward minus infinity
        case 3:
            return kDefault | (2u << kRoundingShift);  // toward plus infinity
        case 4:
            return kDefault | (3u << kRoundingShift);  // toward zero
        default:
            return kDefault;
    }
}

}  // namespace fuzzing
