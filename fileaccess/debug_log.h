// The debug log "debug.txt": one stream for the whole library, held open between calls.
#ifndef DUNMORAL_DEBUG_LOG_H
#define DUNMORAL_DEBUG_LOG_H

#include <cstdio>

namespace dunmoral::debuglog {

inline constexpr const char* kFileName = "debug.txt";
inline constexpr const char* kBanner = "Debug File Opened";

// Closes the stream held so far, so its buffered text can never land over the new file, then
// creates the log afresh. The stream is null when the file could not be created.
void reopen();
// The open log, or null: every writer skips its entry when the log is closed.
std::FILE* stream();
void close();

}  // namespace dunmoral::debuglog

#endif
