#!/usr/bin/env bash
# Every test case of the native debug build (-O0 -g, shared with the -O0 leg) in its own process
# under valgrind memcheck: no memory error, and no byte definitely or indirectly lost.
set -eu
scripts/ensure-packages.sh native valgrind || exit $?
cmake --preset debug >/dev/null
cmake --build --preset debug -j "${JOBS:-2}"

build=build/debug
rm -f "$build"/Testing/Temporary/MemoryChecker.*.log
options="--leak-check=full --show-leak-kinds=definite,indirect --errors-for-leak-kinds=definite,indirect"
options="$options --num-callers=30 --error-exitcode=97"
# The export check runs cmake itself, not a library: nothing of ours to check there.
status=0
ctest --test-dir "$build" -T memcheck -j "${JOBS:-2}" --output-on-failure --no-tests=error \
    -E 'exports_exactly_the_list' \
    --overwrite MemoryCheckCommand="$(command -v valgrind)" \
    --overwrite MemoryCheckCommandOptions="$options" || status=$?

# Read every log as well, so a report never hides behind a test that exited 0.
bad=$(grep -l -E 'ERROR SUMMARY: [1-9]|(definitely|indirectly) lost: [1-9]' \
    "$build"/Testing/Temporary/MemoryChecker.*.log || true)
if [ -n "$bad" ]; then
    for log in $bad; do
        echo "--- $log"
        cat "$log"
    done
    exit 1
fi
logs=$(ls "$build"/Testing/Temporary/MemoryChecker.*.log | wc -l)
echo "valgrind memcheck: ${logs} test processes, no errors, nothing definitely or indirectly lost"
exit $status
