#!/usr/bin/env bash
# Times the real window under a private Xvfb:
#   - start to a responsive window (the window answers an event),
#   - assembling 10,000 lines (click on "汇编 >>" to the machine code written),
#   - disassembling 1 MiB of machine code in hex form (click on "<< 反汇编" until both
#     listings are complete),
# and the program's peak memory. Text goes in through the clipboard (xclip) and Ctrl+V;
# handler times come from the program's test dump (platform/wx/test_dump.h).
# Usage: bench/gui_bench.sh [build folder, default build]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
[[ $build = /* ]] || build=$root/$build
kovrel=$build/bin/Kovrel
engine=$build/bin/zandrel_od.so
for tool in Xvfb xdotool xclip; do
    command -v $tool >/dev/null || { echo "needs $tool (scripts/deps.sh)"; exit 1; }
done
[ -x "$kovrel" ] || { echo "no $kovrel: build first"; exit 1; }

work=$(mktemp -d /tmp/kovrel-bench-XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

source "$root/scripts/lib/private_display.sh"
start_private_display 1280x1024x24

mkdir -p "$work"/{app,run,data,xdg,tmp}
cp "$kovrel" "$engine" "$work/app/"
dump=$work/dump

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# Asks for a dump and waits until a newer one is written; prints its number.
last_dump=0
request_dump() {
    kill -USR1 "$kpid"
    for _ in $(seq 6000); do
        if [ -s "$dump" ]; then
            n=$(head -c 64 "$dump" | sed -n '1s/^dump\t//p')
            if [ -n "$n" ] && [ "$n" -gt "$last_dump" ]; then last_dump=$n; return; fi
        fi
        sleep 0.01
    done
    echo "the program stopped answering"; exit 1
}
field() { request_dump; awk -F'\t' -v k="$1" -v n="$2" '$1 == k && $2 == n { print $3; exit }' "$dump"; }

# Waits until a handler of a click on the control has run; prints its time in ms.
handled_count=0
wait_handled() {
    for _ in $(seq 3000); do
        request_dump
        line=$(awk -F'\t' -v c="$1" -v after="$handled_count" \
            '$1 == "handled" && $3 == c && $4 == 0 && $2 > after { print $2 "\t" $5 }' "$dump" | tail -1)
        if [ -n "$line" ]; then handled_count=${line%%$'\t'*}; echo "${line#*$'\t'}"; return; fi
        if grep -q '^open' "$dump"; then echo "a message box opened: $(grep '^open' "$dump")" >&2; exit 1; fi
        sleep 0.1
    done
    echo "timed out" >&2; exit 1
}

# Clicks a control at its design place (x y given) in the main window.
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; }

# Puts a file's text into an edit box through the clipboard.
paste_into() {
    xclip -quiet -selection clipboard -i "$3" >/dev/null 2>&1 &
    local clip=$!
    pids+=($clip)
    sleep 0.3
    click "$1" "$2"
    xdotool key ctrl+a ctrl+v
    sleep 0.5
    kill $clip 2>/dev/null || true
}

# ---- start
t0=$(now_ms)
(cd "$work/run" && XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work/xdg TMPDIR=$work/tmp \
    KOVREL_TEST_DUMP=$dump exec "$work/app/Kovrel" >/dev/null 2>&1) &
kpid=$!
pids+=($kpid)
window=""
for _ in $(seq 1000); do
    window=$(xdotool search --onlyvisible --pid "$kpid" --name '^Kovrel' 2>/dev/null | head -1 || true)
    [ -n "$window" ] && break
    sleep 0.005
done
t_visible=$(now_ms)
request_dump
t_responsive=$(now_ms)
xdotool windowfocus --sync "$window"

# ---- 10,000 lines
lines=(
    "mov eax,1" "push ebp" "mov ebp,esp" "sub esp,10h" "mov ecx,[ebp+8]" "add eax,ecx"
    "lea edx,[eax+ecx*4+12]" "cmp eax,edx" "xor ebx,ebx" "pop ebp" "ret" "nop"
)
for i in $(seq 0 9999); do echo "${lines[$((i % ${#lines[@]}))]}"; done > "$work/asm.txt"
paste_into 550 120 "$work/asm.txt"
for _ in $(seq 100); do [ "$(field text 标签13)" = "共：10000 行" ] && break; sleep 0.1; done
[ "$(field text 标签13)" = "共：10000 行" ] || { echo "the pasted text did not arrive: $(field text 标签13)"; exit 1; }
t=$(now_ms)
click 715 60
asm_ms=$(wait_handled 按钮1汇编)
asm_wall=$(( $(now_ms) - t ))
asm_bytes=$(field text 标签14)

# ---- 1 MiB of machine code as hex text (real code: the toolkit's own library)
source_lib=$(ldd "$kovrel" | awk '/libwx_gtk3u_core/ { print $3 }')
head -c 1048576 "$source_lib" | od -An -v -tx1 | tr 'a-f' 'A-F' | tr -s ' \n' '  ' |
    sed 's/^ //; s/ $//' | tr -d '\n' > "$work/hex.txt"
click 715 186  # 十六进制: the pasted text stays hex
paste_into 870 120 "$work/hex.txt"
for _ in $(seq 600); do [ "$(field text 标签14)" = "共：1048576 字节" ] && break; sleep 0.2; done
[ "$(field text 标签14)" = "共：1048576 字节" ] || { echo "the hex text did not arrive: $(field text 标签14)"; exit 1; }
t=$(now_ms)
click 715 92
dis_ms=$(wait_handled 按钮2反汇编)
dis_wall=$(( $(now_ms) - t ))
rows=$(field rows 超级列表框)
listed=$(field text 标签13)
peak_kib=$(awk '/^VmHWM/ { print $2 }' /proc/$kpid/status)

printf '%-46s %10s\n' "measure" "result"
printf '%-46s %8d ms (visible after %d ms)\n' "start to responsive window" $((t_responsive - t0)) $((t_visible - t0))
printf '%-46s %8.0f ms (%d ms wall; %s)\n' "assemble 10,000 lines" "$asm_ms" "$asm_wall" "$asm_bytes"
printf '%-46s %8.0f ms (%d ms wall; %s rows, engine listing %s)\n' "disassemble 1 MiB hex" "$dis_ms" "$dis_wall" "$rows" "$listed"
printf '%-46s %8d MiB\n' "peak memory (VmHWM)" $((peak_kib / 1024))
printf 'targets: start < 1000 ms, 10,000 lines < 1000 ms, 1 MiB < 10000 ms, peak < 1024 MiB\n'
