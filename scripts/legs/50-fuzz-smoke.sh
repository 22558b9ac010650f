#!/usr/bin/env bash
# Every fuzz target replays its committed corpus (the inputs that ever crashed among them) and
# then fuzzes for a few seconds. Long campaigns: make fuzz FUZZ_SECONDS=600.
set -u
fuzz/run.sh "${FUZZ_SMOKE_SECONDS:-10}"
