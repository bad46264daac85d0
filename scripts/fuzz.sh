#!/usr/bin/env bash
# Runs every libFuzzer target for a fixed time, starting from its seed corpus.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
shopt -s nullglob
passed=0
failed=0
for target in build-fuzz/bin/fuzz_*; do
    name=$(basename "$target")
    work=$(mktemp -d)
    log=$(mktemp)
    seeds=fuzz/corpus/${name#fuzz_}
    [ -d "$seeds" ] && cp -r "$seeds"/. "$work"/
    if ASAN_OPTIONS=detect_leaks=0 "$target" -max_total_time="$seconds" -print_final_stats=0 "$work" >"$log" 2>&1; then
        echo "-- $name: $(grep -E '^Done [0-9]+ runs' "$log" | tail -n 1)"
        passed=$((passed + 1))
    else
        echo "-- $name FAILED:"
        tail -n 60 "$log"
        failed=$((failed + 1))
    fi
    rm -rf "$work" "$log"
done
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
