#include "debug_log.h"

#include "platform/file_open.h"

namespace dunmoral::debuglog {

namespace {
std::FILE* debugLog = nullptr;
}

void reopen() {
    close();
    debugLog = platform::openForWriting(kFileName);
}

std::FILE* stream() { return debugLog; }

void close() {
    if (debugLog != nullptr) {
        std::fclose(debugLog);
        debugLog = nullptr;
    }
}

}  // namespace dunmoral::debuglog
