// The library's load and unload entry point does nothing and reports success for every reason.
// On POSIX there is none.
//
// The host unloads the library when its binding object is collected and loads it afresh later,
// so the streams still open then are released as the library goes: the data file, the line
// reader's file and line, and the debug log, whose buffered entries are written on the way.
// Static destruction runs at every unload (FreeLibrary, dlclose) and at process exit.
#include "debug_log.h"
#include "line_reader.h"
#include "truss_data.h"

namespace {

struct ReleaseAtUnload {
    ReleaseAtUnload() = default;
    ReleaseAtUnload(const ReleaseAtUnload&) = delete;
    ReleaseAtUnload& operator=(const ReleaseAtUnload&) = delete;
    ~ReleaseAtUnload() {
        dunmoral::lines::close();
        dunmoral::truss::close();
        dunmoral::debuglog::close();
    }
};

const ReleaseAtUnload releaseAtUnload;

}  // namespace

#if defined(_WIN32)
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
#endif
