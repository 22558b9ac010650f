#include "line_reader.h"

#include <cstdio>
#include <string>

#include "platform/file_open.h"
#include "unicode_text.h"

namespace dunmoral::lines {

namespace {

// A text-mode input stream with the two state flags the reader needs.
class LineStream {
public:
    explicit LineStream(std::FILE* file) : file_(file) {}
    ~LineStream() {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }
    LineStream(const LineStream&) = delete;
    LineStream& operator=(const LineStream&) = delete;

    bool isOpen() const { return file_ != nullptr; }
    // A failed open reads as ended, so a host loop on Eof always stops.
    bool eof() const { return eof_ || !isOpen(); }

    // Bytes up to a line feed, which is consumed and not stored. Meeting the end of the file
    // sets eof; having taken nothing at all before it sets fail too.
    std::string extract() {
        std::string line;
        if (eof_ || fail_) {
            fail_ = true;
            return line;
        }
        for (;;) {
            const int byte = std::getc(file_);
            if (byte == EOF) {
                eof_ = true;
                fail_ = line.empty();
                return line;
            }
            if (byte == '\n') {
                return line;
            }
            line.push_back(static_cast<char>(byte));
        }
    }

private:
    std::FILE* file_;
    bool eof_ = false;
    bool fail_ = false;
};

// Plain pointers, released by close(), which also runs at unload (platform/library_entry.cpp).
LineStream* lineStream = nullptr;
char16_t* lineBuffer = nullptr;

void dropStream() {
    delete lineStream;
    lineStream = nullptr;
}

void dropBuffer() {
    delete[] lineBuffer;
    lineBuffer = nullptr;
}

}  // namespace

int32_t open(std::u16string_view path) {
    dropStream();
    dropBuffer();
    lineStream = new LineStream(platform::openForReading(path));
    return lineStream->isOpen() ? 0 : -1;
}

const char16_t* readLine() {
    std::string bytes;
    if (lineStream && lineStream->isOpen() && !lineStream->eof()) {
        bytes = lineStream->extract();
    }
    const std::u16string text = decodeLine(bytes);
    // Always a fresh buffer: the host's copy of the last line must not be relied on after this.
    dropBuffer();
    lineBuffer = new char16_t[text.size() + 1];
    text.copy(lineBuffer, text.size());
    lineBuffer[text.size()] = u'\0';
    return lineBuffer;
}

int32_t atEnd() { return lineStream == nullptr || lineStream->eof() ? 1 : 0; }

int32_t close() {
    dropStream();
    dropBuffer();
    return 0;
}

}  // namespace dunmoral::lines
