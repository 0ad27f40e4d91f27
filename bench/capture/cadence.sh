#!/usr/bin/env bash
# Cadence benchmark: records SECONDS (default 300) of the busy scene of
# bench/store/activity.sh (windows dragged under openbox, the pointer moving, a
# clock and top updating) on a private 1920x1080 Xvfb at FPS (default 24),
# scale 1.0, and prints frames captured, slots repeated and the GIF's playback
# time against the wall time recorded.
# Usage: bench/capture/cadence.sh [BUILD_DIR] [SECONDS] [FPS]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-${KINETTA_BUILD_DIR:-$root/build}}
seconds=${2:-300}
fps=${3:-24}
for tool in Xvfb xterm xdotool openbox xclock xeyes; do
    command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
cmake --build "$build" --target cadence_bench >/dev/null

source "$root/bench/store/xvfb.sh"
start_xvfb 1920x1080x24
"$root/bench/store/activity.sh" windows $((seconds + 5)) &
scene=$!
trap 'kill "$scene" 2>/dev/null || true; wait 2>/dev/null || true; kill "$xvfb_pid" 2>/dev/null || true' EXIT
sleep 2 # the windows are up
echo "# cadence benchmark: load $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
"$build/bench/capture/cadence_bench" "$seconds" "$fps" 1.0
