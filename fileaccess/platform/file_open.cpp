#include "platform/file_open.h"

#include <optional>
#include <string>

#include "unicode_text.h"

#if defined(_WIN32)

namespace dunmoral::platform {

std::FILE* openForReading(std::u16string_view path) {
    // Refused here as on POSIX, so one host path means the same everywhere.
    if (!toUtf8(path)) {
        return nullptr;
    }
    std::wstring wide(path.begin(), path.end());
    // "rt": the runtime's text mode, sharing the file with every other reader and writer.
    return _wfopen(wide.c_str(), L"rt");
}

std::FILE* openForWriting(const char* name) { return std::fopen(name, "w"); }

}  // namespace dunmoral::platform

#else

#include <sys/types.h>

namespace dunmoral::platform {

namespace {

// POSIX has no text mode: a stream on top of the file drops the CR of each CR LF pair.
struct TextModeSource {
    std::FILE* file;
};

ssize_t readTextMode(void* cookie, char* buffer, size_t size) {
    std::FILE* file = static_cast<TextModeSource*>(cookie)->file;
    size_t count = 0;
    while (count < size) {
        int byte = std::getc(file);
        if (byte == EOF) {
            break;
        }
        if (byte == '\r') {
            const int next = std::getc(file);
            if (next == '\n') {
                byte = '\n';
            } else if (next != EOF) {
                std::ungetc(next, file);
            }
        }
        buffer[count++] = static_cast<char>(byte);
    }
    if (count == 0 && std::ferror(file)) {
        return -1;
    }
    return static_cast<ssize_t>(count);
}

int closeTextMode(void* cookie) {
    auto* source = static_cast<TextModeSource*>(cookie);
    const int status = std::fclose(source->file);
    delete source;
    return status;
}

}  // namespace

std::FILE* openForReading(std::u16string_view path) {
    const std::optional<std::string> name = toUtf8(path);
    if (!name) {
        return nullptr;
    }
    // "e": launched applications must not inherit the library's files.
    std::FILE* file = std::fopen(name->c_str(), "re");
    if (file == nullptr) {
        return nullptr;
    }
    auto* source = new TextModeSource{file};
    cookie_io_functions_t functions{};
    functions.read = readTextMode;
    functions.close = closeTextMode;
    std::FILE* text = fopencookie(source, "r", functions);
    if (text == nullptr) {
        std::fclose(file);
        delete source;
    }
    return text;
}

std::FILE* openForWriting(const char* name) { return std::fopen(name, "we"); }

}  // namespace dunmoral::platform

#endif
