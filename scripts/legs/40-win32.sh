#!/usr/bin/env bash
# The deliverable: the 32-bit Windows DLLs, cross-built with MinGW-w64. Their export and import
# tables are checked here always; the whole suite and the agreement check run under Wine where
# this machine can execute 32-bit programs.
set -u
enable="scripts/ensure-packages.sh win32-build win32-run (as root; it enables the i386 architecture)"
# Wine's 32-bit loader is itself a 32-bit Linux program. A kernel with IA-32 emulation off
# cannot start one, so 32-bit Wine is not even installed there. The probe is a three-instruction
# 32-bit program that exits 0; the kernel's own words on why it failed go into the report.
runs_32bit_programs() {
    local dir status
    dir=$(mktemp -d) || return 1
    printf '.globl _start\n_start:\n movl $1, %%eax\n xorl %%ebx, %%ebx\n int $0x80\n' |
        as --32 -o "$dir/probe.o" - 2>/dev/null &&
        ld -m elf_i386 -o "$dir/probe" "$dir/probe.o" 2>/dev/null &&
        "$dir/probe" 2>/dev/null
    status=$?
    rm -rf "$dir"
    return $status
}
no32=""
if ! runs_32bit_programs; then
    no32=$(dmesg 2>/dev/null | grep -m1 -i '32-bit emulation disabled')
    [ -n "$no32" ] || no32="a 32-bit test program does not execute on this kernel"
fi
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
