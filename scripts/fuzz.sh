#!/usr/bin/env bash
# Runs every libFuzzer target for a fixed time, starting from its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
shopt -s nullglob
for target in build-fuzz/bin/fuzz_*; do
    name=$(basename "$target")
    work=$(mktemp -d)
    seeds=fuzz/corpus/${name#fuzz_}
    [ -d "$seeds" ] && cp -r "$seeds"/. "$work"/ 2>/dev/null || true
    echo "-- $name for ${seconds}s"
    ASAN_OPTIONS=detect_leaks=0 "$target" -max_total_time="$seconds" -print_final_stats=0 "$work" 2>&1 | tail -n 3
    rm -rf "$work"
done
