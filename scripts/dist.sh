#!/usr/bin/env bash
# The release folder for game developers: the two 32-bit DLLs, the C headers, the UnrealScript
# bindings and the README, zipped as dist/SkelvaneDunmoral-win32.zip.
set -eu
cd "$(dirname "$0")/.."
scripts/ensure-packages.sh win32-build dist
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "${JOBS:-2}" --target Skelvane Dunmoral

name=SkelvaneDunmoral-win32
stage=dist/$name
rm -rf "$stage" "dist/$name.zip"
mkdir -p "$stage/Binaries/Win32/UserCode" "$stage/include" "$stage/bindings"
cp build/win32/bin/Skelvane.dll build/win32/bin/Dunmoral.dll "$stage/Binaries/Win32/UserCode/"
cp include/skelvane.h include/dunmoral.h "$stage/include/"
cp bindings/*.uc "$stage/bindings/"
cp README.md "$stage/"
(cd dist && zip -qr "$name.zip" "$name")
echo "dist/$name.zip:"
(cd dist && unzip -l "$name.zip" | sed -n '4,$p' | head -n -2)
