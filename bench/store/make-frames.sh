#!/usr/bin/env bash
# Records the frame-store benchmark scenes as PNG frames: for each scene of
# activity.sh, SECONDS (default 8) of a 1920x1080 Xvfb display at 10 fps, kept
# at 1920x1080 and scaled to 960x540 with an area filter.
# Usage: make-frames.sh [SECONDS [SCENE...]]
# Output: bench/out/store/<scene>-<width>/frame-NNNN.png
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
out=${KINETTA_STORE_FRAMES:-$root/bench/out/store}
seconds=${1:-8}
shift || true
scenes=("$@")
[[ $# -eq 0 ]] && scenes=(terminal windows page)

for tool in Xvfb ffmpeg xterm xdotool openbox xclock xeyes; do
    command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done

source "$here/xvfb.sh"
start_xvfb 1920x1080x24

for scene in "${scenes[@]}"; do
    full="$out/$scene-1920"
    half="$out/$scene-960"
    rm -rf "$full" "$half"
    mkdir -p "$full" "$half"
    "$here/activity.sh" "$scene" $((seconds + 3)) &
    activity=$!
    sleep 2
    ffmpeg -nostdin -loglevel error -f x11grab -framerate 10 -video_size 1920x1080 -t "$seconds" -i "$DISPLAY" \
        -filter_complex 'split[a][b];[b]scale=960:540:flags=area[h]' \
        -map '[a]' "$full/frame-%04d.png" -map '[h]' "$half/frame-%04d.png"
    wait "$activity" || true
    echo "$scene: $(ls "$full" | wc -l) frames"
done
