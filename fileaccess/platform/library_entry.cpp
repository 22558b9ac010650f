// The library's load and unload entry point does nothing and reports success for every reason;
// streams still open at unload are left to the runtime. On POSIX there is none.
#if defined(_WIN32)
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
#endif
