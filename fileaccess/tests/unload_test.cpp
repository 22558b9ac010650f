// The host unloads the library when its binding object is collected and loads it afresh later.
// Streams still open then must not outlive the library: their memory and descriptors would stay
// with the game process, and text still buffered for the log would never be written.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <iterator>
#include <string>

#include "dunmoral.h"
#include "loaded_library.h"
#include "scratch_directory.h"
#include "text_file.h"

namespace {

TEST(DunmoralUnloadTest, StreamsStillOpenAtUnloadAreReleased) {
    testsupport::ScratchDirectory scratch;
    testsupport::writeFile("truss.txt", "1 2 3 4 5\n6 7 8 9 10\n");
    testsupport::writeFile("lines.txt", "a\nb\n");
#if !defined(_WIN32)
    auto openDescriptors = [] {
        std::fflush(nullptr);
        const auto entries = std::filesystem::directory_iterator("/proc/self/fd");
        return std::distance(begin(entries), end(entries));
    };
    const auto before = openDescriptors();
#endif
    {
        hostsupport::LoadedLibrary library("Dunmoral");
        ASSERT_TRUE(library.loaded()) << library.error();
        auto openTrussDataFile = library.function<decltype(&::openTrussDataFile)>("openTrussDataFile");
        auto parseLine = library.function<decltype(&::parseLine)>("parseLine");
        auto open = library.function<decltype(&::Open)>("Open");
        auto readline = library.function<decltype(&::Readline)>("Readline");
        ASSERT_TRUE(openTrussDataFile && parseLine && open && readline);

        // Both readers left open, the log holding unwritten entries.
        openTrussDataFile(u"truss.txt");
        int32_t v[5];
        parseLine(&v[0], &v[1], &v[2], &v[3], &v[4]);
        ASSERT_EQ(open(u"lines.txt"), 0);
        ASSERT_EQ(std::u16string(readline()), u"a");
    }

    // The log was closed at unload, so every entry reached the file.
    EXPECT_EQ(testsupport::readTextFile("debug.txt"),  // CR LF line ends on Windows
              "\nDebug File Opened\n len = 9\nFile truss.txt Opened\n1 2 3 4 5");
#if !defined(_WIN32)
    EXPECT_EQ(openDescriptors(), before);
#endif
}

}  // namespace
