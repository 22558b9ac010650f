// The truss data reader, its debug log and the document launchers under any sequence of calls.
//
// Each input gives the bytes of a data file (and of "TestTruss.txt", which may be missing),
// then a sequence of openDataFile, openTrussDataFile (on that file, missing files, NULL, empty,
// directories, 79-, 80- and thousands-unit names, unpaired surrogates, any UTF-16), parseLine,
// parseLineNew (NULL out-parameters included), closeFile, openDebugFile, openPdf, openNotePad,
// openTextFile (any viewer code, any UTF-16 document) and rewrites of the file between calls.
// Checks: every call returns; each parse's result is the value it stored last; a tag is a
// sign-extended byte or 0; closeFile answers 0; once everything is closed no file descriptor and
// no allocation is left behind (leaks end the run through LeakSanitizer).
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "dunmoral_exports.h"
#include "fuzz_input.h"
#include "fuzz_support.h"

namespace {

using fuzzing::FuzzInput;

constexpr int kMaxCalls = 48;
constexpr const char* kDataFile = "truss.txt";

void writeFile(const char* name, const std::string& bytes) {
    if (std::FILE* f = std::fopen(name, "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

std::u16string ascii(const std::string& s) { return std::u16string(s.begin(), s.end()); }

class Session {
public:
    explicit Session(FuzzInput& in) : in_(in) {}

    void run() {
        writeFile(kDataFile, in_.bytes(2048));
        if (in_.chance(2)) {
            writeFile("TestTruss.txt", in_.bytes(512));
        } else {
            unlink("TestTruss.txt");
        }
        for (int call = 0; call < kMaxCalls && !in_.exhausted(); ++call) {
            step();
        }
    }

private:
    const fuzzing::DunmoralExports& api_ = fuzzing::dunmoral();
    FuzzInput& in_;

    std::u16string path() {
        switch (in_.byte() % 10) {
            case 0:
                return u"absent.txt";
            case 1:
                return u"";
            case 2:
                return u".";
            case 3: {
                // 79 units fit the narrow path; 80 do not.
                std::u16string name(static_cast<size_t>(79 + in_.byte() % 2), u'n');
                if (in_.chance(2)) {
                    writeFile(std::string(name.begin(), name.end()).c_str(), in_.bytes(256));
                }
                return name;
            }
            case 4:
                return std::u16string(4000 + in_.u16() % 2000, u'x');
            case 5:
                // Unpaired surrogates, high and low, and a pair.
                return std::u16string(u"truss") + char16_t(0xD800 + in_.u16() % 0x800) + u".txt";
            case 6:
                return fuzzing::confined(in_.utf16(300));
            case 7:
                // Units above U+00FF whose low byte spells the file's name.
                return std::u16string{char16_t(0x0174), char16_t(0x0172), char16_t(0x0175),
                                      char16_t(0x0173), char16_t(0x0173), char16_t(0x012E),
                                      char16_t(0x0174), char16_t(0x0178), char16_t(0x0174)};
            default:
                return ascii(kDataFile);
        }
    }

    void parse(bool tagged) {
        int32_t values[5] = {-7, -7, -7, -7, -7};
        const uint8_t nulls = in_.chance(4) ? in_.byte() : 0;
        int32_t* p[5];
        for (int i = 0; i < 5; ++i) {
            p[i] = (nulls >> i) & 1 ? nullptr : &values[i];
        }
        const int32_t r = tagged ? api_.parseLineNew(p[0], p[1], p[2], p[3], p[4])
                                 : api_.parseLine(p[0], p[1], p[2], p[3], p[4]);
        const std::string name = tagged ? "parseLineNew" : "parseLine";
        fuzzing::trace(name + " = " + std::to_string(r));
        if (p[4] != nullptr) {
            FUZZ_CHECK(r == values[4], name + " returned another value than it stored last");
        }
        if (tagged && p[0] != nullptr) {
            FUZZ_CHECK(values[0] >= -128 && values[0] <= 127,
                       "parseLineNew stored a tag that is no sign-extended byte: " +
                           std::to_string(values[0]));
        }
    }

    void step() {
        switch (in_.byte() % 16) {
            case 0:
                api_.openDataFile();
                break;
            case 1:
            case 2: {
                const bool null = in_.chance(16);
                const std::u16string p = path();
                api_.openTrussDataFile(null ? nullptr : p.c_str());
                break;
            }
            case 3:
            case 4:
            case 5:
                parse(false);
                break;
            case 6:
            case 7:
            case 8:
                parse(true);
                break;
            case 9: {
                const int32_t r = api_.closeFile();
                FUZZ_CHECK(r == 0, "closeFile returned " + std::to_string(r));
                break;
            }
            case 10:
                api_.openDebugFile();
                break;
            case 11:
                // The host rewrites or removes the data file between calls.
                if (in_.chance(4)) {
                    unlink(kDataFile);
                } else {
                    writeFile(kDataFile, in_.bytes(1024));
                }
                break;
            case 12:
                // The debug log's place taken by a directory: it cannot be created.
                if (in_.chance(2)) {
                    unlink("debug.txt");
                    mkdir("debug.txt", 0700);
                } else {
                    rmdir("debug.txt");
                }
                break;
            case 13:
                // The launchers start processes: rarely.
                if (in_.chance(8)) {
                    if (in_.chance(2)) {
                        api_.openPdf();
                    } else {
                        api_.openNotePad();
                    }
                }
                break;
            case 14:
                if (in_.chance(4)) {
                    const int32_t code = in_.anyInt(-10, 10);
                    const std::u16string document = in_.utf16(200);
                    api_.openTextFile(code, in_.chance(8) ? nullptr : document.c_str());
                }
                break;
            default:
                break;
        }
    }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::dunmoral();  // loads the library before the first input
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::InScratchDirectory scratch("truss-data-fuzz");
    const auto& api = fuzzing::dunmoral();
    api.closeEverything();
    const int descriptors = fuzzing::openDescriptors();
    FuzzInput in(data, size);
    Session(in).run();
    rmdir("debug.txt");
    api.closeEverything();
    FUZZ_CHECK(fuzzing::openDescriptors() == descriptors,
               "a stream of the library outlived closeFile, openDebugFile and Close");
    return 0;
}
