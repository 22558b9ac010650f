#!/usr/bin/env bash
# Instructions per frame of every method, counted by callgrind: stable where the timings of a
# shared machine are not. Usage: instruction_counts.sh BENCH_EXECUTABLE
# Each method flies the default shot three times; only the frames are counted (start excluded).
set -u
bench=$(realpath "${1:?usage: instruction_counts.sh path/to/skelvane-bench}")
if ! command -v valgrind >/dev/null 2>&1; then
    echo "valgrind is not installed: no instruction counts (apt-get install valgrind)" >&2
    exit 0
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
printf '%-36s %14s\n' "method" "instr/frame"
"$bench" --list | while read -r key name; do
    frames=$(cd "$out" && valgrind --tool=callgrind --collect-atstart=no \
        --callgrind-out-file="$out/$key.cg" "$bench" --instructions "$key" </dev/null 2>/dev/null |
        sed -n 's/^frames //p')
    total=$(sed -n 's/^totals: *\([0-9]*\).*/\1/p' "$out/$key.cg")
    if [ -n "$frames" ] && [ -n "$total" ]; then
        printf '%-36s %14.0f\n' "$name" "$(awk -v t="$total" -v f="$frames" 'BEGIN { print t / f }')"
    else
        printf '%-36s %14s\n' "$name" "failed"
    fi
done
