#!/usr/bin/env bash
# Portal capture against X11 capture on this machine, in one run: records the
# whole screen for SECONDS at 24 fps at scale 1.0 and 0.5, once through X11 on
# a private Xvfb of WIDTHxHEIGHT with a moving window, once through the desktop
# portal and PipeWire inside a Wayland session. Prints capture_bench's line for
# each: frames kept and CPU ms per kept frame of the recording process (the
# display server's and the portal's own work is not counted, on either side).
#
# The Wayland session is not part of the project: KINETTA_WAYLAND_SESSION names
# a command that runs its arguments inside a headless Wayland session with
# PipeWire and a desktop portal, with something moving on its screen. When
# KINETTA_WAYLAND_RESIZE is set, it is run inside the session with WIDTHxHEIGHT
# appended, to set the screen's size (for a compositor that takes it from the
# command line); the size column says what was recorded.
# Usage: KINETTA_WAYLAND_SESSION=CMD [KINETTA_WAYLAND_RESIZE=CMD] bench/capture/portal.sh [BUILD_DIR] [SECONDS] [WIDTHxHEIGHT]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-${KINETTA_BUILD_DIR:-$root/build}}
seconds=${2:-10}
size=${3:-1280x720}
fps=24
: "${KINETTA_WAYLAND_SESSION:?names the command that runs a Wayland session}"
cmake --build "$build" --target capture_bench capture_bench_scene >/dev/null

echo "# portal vs X11: ${seconds}s at ${fps} fps on ${size}, load $(cut -d' ' -f1-3 /proc/loadavg)"
for scale in 1.0 0.5; do
  (
    exec {fdpipe}<> <(:)
    Xvfb -displayfd "$fdpipe" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    read -r -u "$fdpipe" number
    export DISPLAY=":$number"
    "$build/bench/capture/capture_bench_scene" &
    scene=$!
    trap 'kill $scene $xvfb 2>/dev/null || true; wait 2>/dev/null || true' EXIT
    KINETTA_CAPTURE=x11 "$build/bench/capture/capture_bench" "$seconds" "$fps" "$scale"
  )
  # shellcheck disable=SC2086 # the session command may carry its own arguments
  $KINETTA_WAYLAND_SESSION sh -c '
    [ -n "$1" ] && eval "$1 \"\$2\"" >/dev/null 2>&1
    shift 2
    KINETTA_CAPTURE=portal exec "$@" 2>/dev/null' sh "${KINETTA_WAYLAND_RESIZE:-}" "$size" \
    "$build/bench/capture/capture_bench" "$seconds" "$fps" "$scale" ||
    echo "# the Wayland session ended with status $?"
done
