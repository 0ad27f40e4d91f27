#!/usr/bin/env bash
# Records SECONDS (default 60) of scripted activity on a 1920x1080 Xvfb display
# (terminal, moving windows, scrolling page: a third of the time each) through
# the recorder and its compressed frame store, at the defaults (10 fps, scale
# 0.5) and at 24 fps, scale 1.0, and prints what record-bench measures.
# Usage: record-bench.sh BUILD_DIR [SECONDS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:?build dir}
seconds=${2:-60}
bench="$build/bench/store/record-bench"
[[ -x "$bench" ]] || { echo "build record-bench first: $bench" >&2; exit 1; }

source "$here/xvfb.sh"
start_xvfb 1920x1080x24

run() {
    local third=$(((seconds + 2) / 3))
    (
        for scene in terminal windows page; do
            "$here/activity.sh" "$scene" "$third" || true
        done
    ) &
    local activity=$!
    sleep 1
    "$bench" "$seconds" "$1" "$2" "$3"
    wait "$activity" || true
}

run 10 0.5 "defaults (10 fps, scale 0.5)"
run 24 1.0 "24 fps, scale 1.0"
