#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the release build, the
# AddressSanitizer + UndefinedBehaviorSanitizer build, and a short run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

# The window tests need a display; CI has none.
if [ -z "${DISPLAY:-}" ]; then
    display=:$((90 + RANDOM % 100))
    Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
    export DISPLAY=$display
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
fi

echo "== release build"
bash scripts/build.sh release
ctest --test-dir build --output-on-failure -j2

echo "== sanitizer build"
bash scripts/build.sh sanitize
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure -j2 -LE e2e

echo "== fuzz targets"
bash scripts/build.sh fuzz
bash scripts/fuzz.sh "${FUZZ_SECONDS:-20}"
