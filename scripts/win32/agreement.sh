#!/usr/bin/env bash
# The cross-build agreement check: flies the default shot with both drivers on the native release
# build and on a Windows build under Wine, and compares frame by frame.
# Usage: agreement.sh PRESET (win32 or win64). The native release build must be there.
set -eu
preset=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
out="$root/build/$preset/agreement"
mkdir -p "$out"
(cd "$root/build/release/bin" && ./flight-agreement fly) >"$out/native.txt"
(cd "$root/build/$preset/bin" && "$root/scripts/win32/wine-run.sh" ./flight-agreement.exe fly) >"$out/wine.txt"
"$root/build/release/bin/flight-agreement" compare "$out/native.txt" "$out/wine.txt"
