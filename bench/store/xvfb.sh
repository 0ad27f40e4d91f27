# Sourced by the frame-store benchmark scripts: start_xvfb GEOMETRY starts an
# Xvfb on a free display number of its own, exports DISPLAY and stops it on exit.
start_xvfb() {
    local numfile
    numfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp 3>"$numfile" 2>/dev/null &
    xvfb_pid=$!
    trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
    for _ in $(seq 100); do
        [[ -s "$numfile" ]] && break
        sleep 0.05
    done
    [[ -s "$numfile" ]] || { echo "Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$(head -n1 "$numfile")"
    rm -f "$numfile"
}
