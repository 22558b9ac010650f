#!/usr/bin/env bash
# Builds the fuzz targets and runs each on its committed corpus, then fuzzes it for a bounded time.
# Usage: fuzz/run.sh SECONDS [TARGET...]   (TARGET: skelvane, truss_data, line_reader; default all)
# Every committed input runs first as a regression case. New inputs go to build/fuzz/corpus/,
# findings to build/fuzz/findings/; the run fails on the first finding. Exit 77: no clang here.
set -u
cd "$(dirname "$0")/.."
root=$PWD  # the targets work in scratch directories: every path given to libFuzzer is absolute

seconds=${1:?usage: fuzz/run.sh SECONDS [TARGET...]}
shift
case $seconds in
    '' | *[!0-9]*) echo "SECONDS must be a whole number, got '$seconds'" >&2; exit 2 ;;
esac

scripts/ensure-packages.sh fuzz || exit $?
cmake --preset fuzz >/dev/null || exit 1
cmake --build --preset fuzz -j "${JOBS:-2}" >/dev/null || exit 1

bin=build/fuzz/bin
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for exe in "$bin"/*_fuzzer; do
        [ -x "$exe" ] && targets+=("$(basename "$exe" _fuzzer)")
    done
fi

mkdir -p build/fuzz/findings
status=0
for target in "${targets[@]}"; do
    exe="$bin/${target}_fuzzer"
    if [ ! -x "$exe" ]; then
        echo "no fuzz target '$target' in $bin" >&2
        status=1
        continue
    fi
    committed="$root/fuzz/corpus/$target"
    work="$root/build/fuzz/corpus/$target"
    mkdir -p "$work"
    # One input must return within 20 s (a hang is a finding) and stay under 2 GB.
    options=(-timeout=20 -rss_limit_mb=2048 -max_len=4096 -print_final_stats=1
             "-artifact_prefix=$root/build/fuzz/findings/${target}-")
    echo "--- $target: the committed corpus"
    replay="build/fuzz/${target}-replay.log"
    if ! "$exe" "${options[@]}" -runs=0 "$committed" >"$replay" 2>&1; then
        echo "$target: a committed input fails, see $replay" >&2
        grep -a -v '^#' "$replay" | head -n 40 >&2
        status=1
        continue
    fi
    tail -n 3 "$replay"
    echo "--- $target: fuzzing for ${seconds}s"
    log="build/fuzz/${target}.log"
    nice -n 10 "$exe" "${options[@]}" -max_total_time="$seconds" "$work" "$committed" >"$log" 2>&1
    result=$?
    grep -a -E '^(Done|stat::number_of_executed_units|stat::new_units_added)' "$log"
    if [ $result -ne 0 ]; then
        echo "$target: finding, see $log and build/fuzz/findings/" >&2
        tail -n 60 "$log" >&2
        status=1
    fi
done
exit $status
