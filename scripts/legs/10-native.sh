#!/usr/bin/env bash
# The whole suite on the native release build (-O2).
set -eu
scripts/ensure-packages.sh native || exit $?
cmake --preset release >/dev/null
cmake --build --preset release -j "${JOBS:-2}"
ctest --preset release
