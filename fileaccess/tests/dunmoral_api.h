// The Dunmoral exports as a host sees them: looked up by undecorated name in the library loaded
// at run time. Every test gets a fresh load in a fresh scratch directory, where the library
// writes "debug.txt" and looks for "TestTruss.txt".
#ifndef DUNMORAL_TESTS_DUNMORAL_API_H
#define DUNMORAL_TESTS_DUNMORAL_API_H

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "dunmoral.h"
#include "loaded_library.h"
#include "scratch_directory.h"
#include "text_file.h"

struct DunmoralApi {
    decltype(&::openDataFile) openDataFile = nullptr;
    decltype(&::openTrussDataFile) openTrussDataFile = nullptr;
    decltype(&::openDebugFile) openDebugFile = nullptr;
    decltype(&::parseLine) parseLine = nullptr;
    decltype(&::parseLineNew) parseLineNew = nullptr;
    decltype(&::closeFile) closeFile = nullptr;
    decltype(&::Open) Open = nullptr;
    decltype(&::Readline) Readline = nullptr;
    decltype(&::Eof) Eof = nullptr;
    decltype(&::Close) Close = nullptr;
    decltype(&::openPdf) openPdf = nullptr;
    decltype(&::openNotePad) openNotePad = nullptr;
    decltype(&::openTextFile) openTextFile = nullptr;

    // Looks every export up; each missing one is a test failure of its own.
    void lookUp(const hostsupport::LoadedLibrary& library);
};

// The five values of one record as the host receives them, and the parse's result.
struct Parsed {
    std::array<int32_t, 5> values;
    int32_t result;
};

// The name the host passes, as the test creates the file: by the standard library's own
// conversion of the UTF-16 name, not the library's.
std::filesystem::path hostPath(const std::u16string& name);

class DunmoralTest : public ::testing::Test {
protected:
    void SetUp() override;

    // The log's bytes as the process would leave them: the library keeps the log open and
    // buffered between calls, so every stream of the process is flushed first.
    std::string logText() const;
    bool logExists() const;

    // One parseLine or parseLineNew; out-parameters start at a sentinel so a missing store shows.
    Parsed parsePlain() const;
    Parsed parseTagged() const;

    // Readline's string, copied before the next call frees it.
    std::u16string readLine() const;

    testsupport::ScratchDirectory scratch_;
    hostsupport::LoadedLibrary library_{"Dunmoral"};
    DunmoralApi api_;
};

#endif
