# 64-bit Windows build of the same sources (package g++-mingw-w64-x86-64-posix). The game loads
# only the 32-bit DLLs; this build runs the Windows code paths under Wine on machines that cannot
# execute 32-bit programs.
set(MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include("${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake")
