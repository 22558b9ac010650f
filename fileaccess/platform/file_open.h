// The platform's way of opening the library's files: host paths by the name the host gave,
// data read in text mode on every platform.
#ifndef DUNMORAL_PLATFORM_FILE_OPEN_H
#define DUNMORAL_PLATFORM_FILE_OPEN_H

#include <cstdio>
#include <string_view>

namespace dunmoral::platform {

// Opens a file for reading in text mode: a CR LF pair reads as one line feed, a lone CR stays.
// Null when the file does not open or the path holds an unpaired surrogate.
std::FILE* openForReading(std::u16string_view path);

// Creates or truncates a file with a fixed ASCII name for writing. Null when it does not open.
std::FILE* openForWriting(const char* name);

}  // namespace dunmoral::platform

#endif
