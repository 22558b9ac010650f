#!/usr/bin/env bash
# The whole suite again at -O0: results must not depend on the optimisation level.
set -eu
scripts/ensure-packages.sh native || exit $?
cmake --preset debug >/dev/null
cmake --build --preset debug -j "${JOBS:-2}"
ctest --preset debug
