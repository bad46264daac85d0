# Sourced by the scripts that drive the real window: starts Xvfb on a free display number,
# exports DISPLAY, and adds the server to the caller's `pids` array so its clean-up ends it.
# Usage: start_private_display WIDTHxHEIGHTxDEPTH
start_private_display() {
    local n display=""
    for n in $(seq 120 199); do
        [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || { display=:$n; break; }
    done
    [ -n "$display" ] || { echo "no free display number" >&2; return 1; }
    Xvfb "$display" -screen 0 "$1" -nolisten tcp >/dev/null 2>&1 &
    pids+=($!)
    export DISPLAY=$display
    for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.05; done
    echo "Xvfb did not start on $display" >&2
    return 1
}
