#include "scratch_directory.h"

#include <chrono>
#include <random>
#include <string>
#include <system_error>

namespace testsupport {

ScratchDirectory::ScratchDirectory() : previous_(std::filesystem::current_path()) {
    std::random_device entropy;
    std::mt19937_64 random(entropy() ^
                           static_cast<uint64_t>(
                               std::chrono::steady_clock::now().time_since_epoch().count()));
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (;;) {
        path_ = base / ("skelvane-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(path_)) {
            break;
        }
    }
    std::filesystem::current_path(path_);
}

ScratchDirectory::~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace testsupport
