#!/usr/bin/env bash
# The whole suite again with AddressSanitizer and UndefinedBehaviorSanitizer (clang). The first
# report ends its test with a failure: nothing is recovered from, leaks included.
set -eu
scripts/ensure-packages.sh native sanitizers || exit $?
cmake --preset sanitize >/dev/null
cmake --build --preset sanitize -j "${JOBS:-2}"

# A library built without the instrumentation would pass vacuously.
for library in build/sanitize/bin/lib*.so; do
    if ! nm -D "$library" | grep -q '__asan_report'; then
        echo "$library is not instrumented with AddressSanitizer" >&2
        exit 1
    fi
done
ctest --preset sanitize
