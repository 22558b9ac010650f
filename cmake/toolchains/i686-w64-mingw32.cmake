# The deliverable: 32-bit Windows DLLs for the game host, from Debian's i686-w64-mingw32
# toolchain (package g++-mingw-w64-i686-posix).
set(MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
include("${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake")

# Every float and double rounds where it is stored, as on the 64-bit builds: SSE2 arithmetic,
# never the x87 unit's 80-bit registers.
string(APPEND CMAKE_C_FLAGS_INIT " -msse2 -mfpmath=sse")
string(APPEND CMAKE_CXX_FLAGS_INIT " -msse2 -mfpmath=sse")
