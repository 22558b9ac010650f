#!/usr/bin/env bash
# The same sources built as 64-bit Windows DLLs and run under 64-bit Wine: the whole suite loads
# them by name with LoadLibraryW and GetProcAddress, and the agreement check compares their
# flights with the native build's. This proves the Windows code paths on machines that cannot
# run 32-bit programs; the game itself loads only the 32-bit DLLs of the win32 leg.
set -u
enable="scripts/ensure-packages.sh win64-build win64-run (as root)"
if ! scripts/ensure-packages.sh win64-build win64-run; then
    echo "win64 leg skipped: the MinGW-w64 x86_64 toolchain or 64-bit Wine is missing; enable with: $enable"
    exit 77
fi
cmake --preset win64 >/dev/null || exit 1
cmake --build --preset win64 -j "${JOBS:-2}" || exit 1
ctest --preset win64 || exit 1
cmake --preset release >/dev/null && cmake --build --preset release -j "${JOBS:-2}" >/dev/null || exit 1
scripts/win32/agreement.sh win64 || exit 1
