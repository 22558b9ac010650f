# Shared by the MinGW-w64 toolchain files: set MINGW_TRIPLE and CMAKE_SYSTEM_PROCESSOR first.
set(CMAKE_SYSTEM_NAME Windows)

# The posix-threads variant: its libstdc++ has std::thread and friends, on winpthread.
find_program(CMAKE_C_COMPILER NAMES ${MINGW_TRIPLE}-gcc-posix ${MINGW_TRIPLE}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${MINGW_TRIPLE}-g++-posix ${MINGW_TRIPLE}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# MinGW's own C99 printf and scanf instead of msvcrt's, in every source whatever it includes first
# (libstdc++ switches them on only for files that include a C++ header before <stdio.h>): the
# trace file and debug log then print two exponent digits (1.000000e-06), as on Linux, where
# msvcrt would print three (1.000000e-006). Linked statically: no DLL import is added.
set(CMAKE_C_FLAGS_INIT "-D__USE_MINGW_ANSI_STDIO=1")
set(CMAKE_CXX_FLAGS_INIT "-D__USE_MINGW_ANSI_STDIO=1")

# libgcc, libstdc++ and winpthread go into each DLL and test program, so they import only
# system DLLs and load on a machine that has no MinGW runtime.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine, in a prefix of the build tree's own.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../../scripts/win32/wine-run.sh")

# Release DLLs without symbol tables: the statically linked runtime would otherwise triple them.
set(CMAKE_SHARED_LINKER_FLAGS_RELEASE_INIT "-s")
