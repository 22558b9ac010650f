// The library's load and unload entry point does nothing and reports success for every reason.
// On POSIX there is none: static initialisation (PI) is all that runs at load.
#if defined(_WIN32)
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
#endif
