#!/usr/bin/env bash
# Runs every test leg under scripts/legs/ in name order. A leg script exits 0 when it passed,
# 77 when it could not run here (it prints why and the command that enables it), anything else
# when it failed. The run fails if any leg failed; a skipped leg is named, never silently passed.
set -u
cd "$(dirname "$0")/.."

passed=0; failed=0; skipped=0
summary=()
for leg in scripts/legs/*.sh; do
    name=$(basename "$leg" .sh)
    echo "=== leg ${name} ==="
    start=$(date +%s)
    bash "$leg"
    status=$?
    took=$(( $(date +%s) - start ))
    case $status in
        0)  passed=$((passed + 1)); summary+=("PASSED  ${name} (${took}s)") ;;
        77) skipped=$((skipped + 1)); summary+=("SKIPPED ${name}") ;;
        *)  failed=$((failed + 1)); summary+=("FAILED  ${name} (exit ${status})") ;;
    esac
done

echo
echo "=== test legs ==="
printf '%s\n' "${summary[@]}"
echo "legs: ${passed} passed, ${failed} failed, ${skipped} skipped"
[ $failed -eq 0 ]
