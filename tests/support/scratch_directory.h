// A fresh, empty working directory for one test: the libraries write their trace and log files
// into the current directory.
#ifndef TEST_SUPPORT_SCRATCH_DIRECTORY_H
#define TEST_SUPPORT_SCRATCH_DIRECTORY_H

#include <filesystem>

namespace testsupport {

class ScratchDirectory {
public:
    // Creates a unique directory under the system's temporary directory and enters it.
    ScratchDirectory();
    // Returns to the previous working directory and removes the scratch directory.
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

}  // namespace testsupport

#endif
