// The line reader under any order of Open, Readline, Eof and Close, on any bytes, with paths of
// any UTF-16 (unpaired surrogates, thousands of units, NULL, empty, directories).
//
// A model of the file kept beside the library says what each call must give while the file is
// neither rewritten nor replaced: Open answers 0 for the file and -1 for a missing name, a NULL
// or empty path, a name too long for the system, or an unpaired surrogate (even when a file
// exists under the name it would become with U+FFFD); every Readline hands back the next line
// (the bytes before a line feed, with CR LF read as LF), exactly for plain ASCII and no longer
// than its bytes otherwise, ending at a zero byte; Eof is 1 once a Readline met the end of the
// file, with nothing open, or after a failed Open, else 0; Close answers 0. Readline never
// returns NULL, and its string is terminated (AddressSanitizer sees any read past its buffer).
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "dunmoral_exports.h"
#include "fuzz_input.h"
#include "fuzz_support.h"

namespace {

using fuzzing::FuzzInput;

constexpr int kMaxCalls = 64;

void writeFile(const std::string& name, const std::string& bytes) {
    if (std::FILE* f = std::fopen(name.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

// The file as the reader sees it: text mode turns each CR LF pair into LF.
std::string textMode(const std::string& bytes) {
    std::string text;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            continue;
        }
        text.push_back(bytes[i]);
    }
    return text;
}

// What the reader must do with one open file.
struct Model {
    std::string text;
    size_t position = 0;
    bool atEnd = false;

    std::string nextLine() {
        if (atEnd) {
            return {};
        }
        const size_t feed = text.find('\n', position);
        if (feed == std::string::npos) {
            std::string line = text.substr(position);
            position = text.size();
            atEnd = true;
            return line;
        }
        std::string line = text.substr(position, feed - position);
        position = feed + 1;
        return line;
    }
};

class Session {
public:
    explicit Session(FuzzInput& in) : in_(in) {}

    void run() {
        bytes_ = in_.bytes(4096);
        writeFile("lines.txt", bytes_);
        writeFile("lines\xEF\xBF\xBD.txt", "not to be opened\n");  // U+FFFD in UTF-8
        for (int call = 0; call < kMaxCalls && !in_.exhausted(); ++call) {
            step();
        }
    }

private:
    const fuzzing::DunmoralExports& api_ = fuzzing::dunmoral();
    FuzzInput& in_;
    std::string bytes_;
    bool linesExist_ = true;

    // What the reader holds: nothing (or a failed open), or the file; unknown after the file
    // was changed under it or a path whose outcome the model does not know.
    enum class Held { nothing, file, unknown };
    Held held_ = Held::nothing;
    Model model_;

    struct Path {
        std::u16string units;
        bool null = false;
        std::optional<int32_t> expected;  // Open's answer, where it is known
    };

    Path path() {
        switch (in_.byte() % 9) {
            case 0:
                return {u"missing.txt", false, -1};
            case 1:
                return {u"", in_.chance(2), -1};
            case 2:
                return {u"lines" + std::u16string(1, char16_t(0xD800 + in_.u16() % 0x800)) + u".txt",
                        false, -1};
            case 3:
                return {std::u16string(5000 + in_.u16() % 3000, u'z'), false, -1};
            case 4:
                return {in_.chance(2) ? u"." : u"..", false, std::nullopt};
            case 5:
                return {fuzzing::confined(in_.utf16(300)), false, std::nullopt};
            default:
                return {u"lines.txt", false, linesExist_ ? 0 : -1};
        }
    }

    void open() {
        const Path p = path();
        const int32_t r = api_.Open(p.null ? nullptr : p.units.c_str());
        fuzzing::trace("Open = " + std::to_string(r));
        FUZZ_CHECK(r == 0 || r == -1, "Open returned " + std::to_string(r));
        if (p.expected) {
            FUZZ_CHECK(r == *p.expected, "Open answered " + std::to_string(r) + " instead of " +
                                             std::to_string(*p.expected));
        }
        if (r == -1) {
            held_ = Held::nothing;
        } else if (p.expected) {
            held_ = Held::file;
            model_ = Model{textMode(bytes_)};
        } else {
            held_ = Held::unknown;
        }
    }

    void readline() {
        const char16_t* line = api_.Readline();
        FUZZ_CHECK(line != nullptr, "Readline returned NULL");
        const std::u16string got(line);  // reads up to the terminator
        fuzzing::trace("Readline: " + std::to_string(got.size()) + " units");
        if (held_ == Held::unknown) {
            return;
        }
        const std::string bytes = held_ == Held::file ? model_.nextLine() : std::string();
        const std::string beforeZero = bytes.substr(0, bytes.find('\0'));
        bool ascii = true;
        for (unsigned char c : beforeZero) {
            ascii = ascii && c < 0x80;
        }
        if (ascii) {
            FUZZ_CHECK(got == std::u16string(beforeZero.begin(), beforeZero.end()),
                       "Readline gave another line than the file holds");
        } else {
            FUZZ_CHECK(got.size() <= beforeZero.size(), "Readline gave more units than bytes");
        }
    }

    void eof() {
        const int32_t r = api_.Eof();
        FUZZ_CHECK(r == 0 || r == 1, "Eof returned " + std::to_string(r));
        if (held_ == Held::nothing) {
            FUZZ_CHECK(r == 1, "Eof is 0 with no file open");
        } else if (held_ == Held::file) {
            FUZZ_CHECK(r == (model_.atEnd ? 1 : 0), "Eof disagrees with the lines read so far");
        }
    }

    void step() {
        switch (in_.byte() % 8) {
            case 0:
                open();
                break;
            case 1:
            case 2:
            case 3:
                readline();
                break;
            case 4:
            case 5:
                eof();
                break;
            case 6: {
                const int32_t r = api_.Close();
                FUZZ_CHECK(r == 0, "Close returned " + std::to_string(r));
                held_ = Held::nothing;
                break;
            }
            default:
                // The host rewrites or removes the file under the reader.
                linesExist_ = !in_.chance(4);
                if (linesExist_) {
                    bytes_ = in_.bytes(1024);
                    writeFile("lines.txt", bytes_);
                } else {
                    unlink("lines.txt");
                }
                if (held_ == Held::file) {
                    held_ = Held::unknown;
                }
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
    fuzzing::InScratchDirectory scratch("line-reader-fuzz");
    const auto& api = fuzzing::dunmoral();
    api.Close();
    const int descriptors = fuzzing::openDescriptors();
    FuzzInput in(data, size);
    Session(in).run();
    api.Close();
    FUZZ_CHECK(fuzzing::openDescriptors() == descriptors, "the line reader's file outlived Close");
    return 0;
}
