#!/usr/bin/env bash
# The deliverable: the 32-bit Windows DLLs, cross-built with MinGW-w64. Their export and import
# tables are checked here always; the whole suite and the agreement check run under Wine where
# this machine can execute 32-bit programs.
set -u
enable="scripts/ensure-packages.sh win32-build win32-run (as root; it enables the i386 architecture)"
# A kernel booted with IA-32 emulation off says so at boot: Wine's 32-bit loader, itself a
# 32-bit Linux program, could not start, so 32-bit Wine is not even installed.
no32=$(dmesg 2>/dev/null | grep -m1 -i '32-bit emulation disabled')
groups="win32-build win32-run"
[ -n "$no32" ] && groups="win32-build"
if ! scripts/ensure-packages.sh $groups; then
    echo "win32 leg skipped: the MinGW-w64 i686 toolchain or Wine is missing; enable with: $enable"
    exit 77
fi
runnable=ON
if [ -n "$no32" ] || ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    runnable=OFF
fi

cmake --preset win32 -DCROSS_RUN_TESTS=$runnable >/dev/null || exit 1
cmake --build --preset win32 -j "${JOBS:-2}" || exit 1

if [ $runnable = OFF ]; then
    # Exports and imports are read from the files; nothing needs to run.
    ctest --preset win32 || exit 1
    echo "win32 leg skipped the run under Wine: this kernel cannot execute 32-bit programs"
    echo "  (${no32:-the 32-bit Wine loader does not start})."
    echo "  The 32-bit DLLs were built and their export and import tables checked; the win64 leg"
    echo "  runs the same sources under 64-bit Wine. Enable this run by booting the kernel with"
    echo "  ia32_emulation=on (or on a machine that runs 32-bit programs), then: make test"
    exit 77
fi
ctest --preset win32 || exit 1
cmake --preset release >/dev/null && cmake --build --preset release -j "${JOBS:-2}" >/dev/null || exit 1
scripts/win32/agreement.sh win32 || exit 1
