#!/usr/bin/env bash
# Capture benchmark: on a private 1920x1080 Xvfb with a moving window, records
# the whole display for 20 s at 24 fps at scale 0.5 and 1.0 with Kinetta's
# recorder, and grabs the same with ffmpeg's x11grab scaled to the same size by
# its area filter into /dev/null. Prints frames kept and CPU ms per frame
# (user + system of the recording process, read just before it is stopped).
# Usage: bench/capture/run.sh [BUILD_DIR] [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-${KINETTA_BUILD_DIR:-$root/build}}
seconds=${2:-20}
fps=24
command -v ffmpeg >/dev/null || {
  echo "Installing ffmpeg for the comparison" >&2
  sudo_cmd=(); [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends ffmpeg >&2
}
cmake --build "$build" --target capture_bench capture_bench_scene >/dev/null

exec {fdpipe}<> <(:)
Xvfb -displayfd "$fdpipe" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
read -r -u "$fdpipe" number
export DISPLAY=":$number"
"$build/bench/capture/capture_bench_scene" &
scene=$!
cleanup() { kill "$scene" "$xvfb" 2>/dev/null || true; wait 2>/dev/null || true; }
trap cleanup EXIT

cpu_ms() { # user + system of a process, ms
  awk -v tck="$(getconf CLK_TCK)" '{ sub(/.*\) /, ""); print ($12 + $13) * 1000 / tck }' "/proc/$1/stat"
}

echo "# capture benchmark: ${seconds}s at ${fps} fps on 1920x1080, load $(cut -d' ' -f1-3 /proc/loadavg)"
for scale in 0.5 1.0; do
  "$build/bench/capture/capture_bench" "$seconds" "$fps" "$scale"
  width=$(awk -v s="$scale" 'BEGIN { print int(1920 * s) }')
  height=$(awk -v s="$scale" 'BEGIN { print int(1080 * s) }')
  log=$(mktemp)
  ffmpeg -hide_banner -nostdin -loglevel info -stats -f x11grab -framerate "$fps" \
    -video_size 1920x1080 -i "$DISPLAY" -y -vf "scale=${width}:${height}:flags=area" \
    -f rawvideo /dev/null 2>"$log" &
  ff=$!
  sleep "$seconds"
  cpu=$(cpu_ms "$ff")
  kill -INT "$ff"
  wait "$ff" || true
  frames=$(tr '\r' '\n' <"$log" | grep -o 'frame= *[0-9]*' | tail -1 | grep -o '[0-9]*$')
  rm -f "$log"
  awk -v s="$scale" -v w="$width" -v h="$height" -v f="$frames" -v c="$cpu" -v r="$((seconds * fps))" \
    'BEGIN { printf "ffmpeg  scale=%.2f size=%dx%d kept=%d requested=%d kept%%=%.1f cpu_ms=%.0f cpu_ms_per_frame=%.2f\n", s, w, h, f, r, 100 * f / r, c, c / f }'
done
