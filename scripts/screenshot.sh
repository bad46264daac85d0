#!/usr/bin/env bash
# Starts Kovrel under a private Xvfb with sample content and writes docs/screenshot.png.
# Usage: scripts/screenshot.sh [build folder, default build]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
[[ $build = /* ]] || build=$root/$build
for tool in Xvfb xdotool import; do
    command -v $tool >/dev/null || { echo "needs $tool (scripts/deps.sh)"; exit 1; }
done
[ -x "$build/bin/Kovrel" ] || { echo "no $build/bin/Kovrel: build first"; exit 1; }

work=$(mktemp -d /tmp/kovrel-shot-XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

source "$root/scripts/lib/private_display.sh"
start_private_display 1100x500x24

mkdir -p "$work"/{app,run,data,xdg,tmp}
cp "$build/bin/Kovrel" "$build/bin/zandrel_od.so" "$work/app/"
(cd "$work/run" && XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/xdg TMPDIR=$work/tmp \
    exec "$work/app/Kovrel" >/dev/null 2>&1) &
pids+=($!)
window=""
for _ in $(seq 200); do
    window=$(xdotool search --onlyvisible --pid "${pids[1]}" --name '^Kovrel' 2>/dev/null | head -1 || true)
    [ -n "$window" ] && break
    sleep 0.05
done
[ -n "$window" ] || { echo "Kovrel did not start"; exit 1; }
xdotool windowfocus --sync "$window"
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; sleep 0.3; }

# A small function as machine code, disassembled into the list, the editor and the assembly box.
click 870 120
xdotool type --delay 5 "55 8B EC 83 EC 08 8B 45 08 03 45 0C 89 45 FC 8B 45 FC C9 C3"
click 715 92
sleep 1
xdotool mousemove 0 499
sleep 0.3

mkdir -p "$root/docs"
geometry=$(xdotool getwindowgeometry "$window" | awk '/Position/ { split($2, p, ","); x = p[1]; y = p[2] }
    /Geometry/ { print $2 "+" x "+" y }')
import -window root -crop "$geometry" +repage "$root/docs/screenshot.png"
echo "wrote docs/screenshot.png ($geometry)"
