#!/usr/bin/env bash
# Photographs the code editor with a highlighted listing into docs/editor.png (the window's
# left part: the editor and its colour pickers). Usage: scripts/editor_screenshot.sh [build dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target editor_screenshot
display=:$((150 + RANDOM % 50))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
(cd "$(mktemp -d)" && exec "$OLDPWD/$build/tests/editor_screenshot") &
app_pid=$!
window=$(xdotool search --sync --onlyvisible --name '^Kovrel' | head -n 1)
sleep 2
# The editor (8,20 253x348) and the colour pickers' group box (267,12 165x264) with the 设置 buttons.
import -window "$window" -crop 440x376+0+0 +repage docs/editor.png
kill "$app_pid" 2>/dev/null || true
wait "$app_pid" 2>/dev/null || true
echo "docs/editor.png written"
