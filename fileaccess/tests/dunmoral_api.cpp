#include "dunmoral_api.h"

#include <cstdio>

#define DUNMORAL_LOOK_UP(name)                                                  \
    name = library.function<decltype(name)>(#name);                             \
    if (name == nullptr) {                                                      \
        ADD_FAILURE() << "export " #name " is missing or its name is decorated"; \
    }

void DunmoralApi::lookUp(const hostsupport::LoadedLibrary& library) {
    DUNMORAL_LOOK_UP(openDataFile)
    DUNMORAL_LOOK_UP(openTrussDataFile)
    DUNMORAL_LOOK_UP(openDebugFile)
    DUNMORAL_LOOK_UP(parseLine)
    DUNMORAL_LOOK_UP(parseLineNew)
    DUNMORAL_LOOK_UP(closeFile)
    DUNMORAL_LOOK_UP(Open)
    DUNMORAL_LOOK_UP(Readline)
    DUNMORAL_LOOK_UP(Eof)
    DUNMORAL_LOOK_UP(Close)
    DUNMORAL_LOOK_UP(openPdf)
    DUNMORAL_LOOK_UP(openNotePad)
    DUNMORAL_LOOK_UP(openTextFile)
}

#undef DUNMORAL_LOOK_UP

std::filesystem::path hostPath(const std::u16string& name) { return std::filesystem::path(name); }

void DunmoralTest::SetUp() {
    ASSERT_TRUE(library_.loaded()) << library_.error();
    api_.lookUp(library_);
    ASSERT_FALSE(HasFailure());
}

std::string DunmoralTest::logText() const {
    std::fflush(nullptr);
    // Text mode: the log's text-mode writes end lines with CR LF on Windows.
    return testsupport::readTextFile("debug.txt");
}

bool DunmoralTest::logExists() const { return std::filesystem::exists("debug.txt"); }

namespace {
constexpr int32_t kUntouched = 0x5EED;
}

Parsed DunmoralTest::parsePlain() const {
    Parsed p{{kUntouched, kUntouched, kUntouched, kUntouched, kUntouched}, kUntouched};
    p.result = api_.parseLine(&p.values[0], &p.values[1], &p.values[2], &p.values[3], &p.values[4]);
    return p;
}

Parsed DunmoralTest::parseTagged() const {
    Parsed p{{kUntouched, kUntouched, kUntouched, kUntouched, kUntouched}, kUntouched};
    p.result =
        api_.parseLineNew(&p.values[0], &p.values[1], &p.values[2], &p.values[3], &p.values[4]);
    return p;
}

std::u16string DunmoralTest::readLine() const {
    const char16_t* line = api_.Readline();
    EXPECT_NE(line, nullptr);
    return line != nullptr ? std::u16string(line) : std::u16string();
}
