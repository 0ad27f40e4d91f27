#!/usr/bin/env bash
# Checks that the benchmark's quality measurement can be trusted, on a clip of
# the corpus (default: terminal, which scrolls):
#  - a GIF that holds the frames exactly scores SSIM 1 and infinite PSNR;
#  - the same GIF with identical frames merged into longer delays still does;
#  - compared one frame out of step, it scores clearly lower;
#  - a GIF that plays at the wrong speed is caught by its duration.
# Usage: bench/gif/check-metrics.sh [clip]
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"

clip=${1:-terminal}
src=$corpus_dir/$clip
[[ -d $src ]] || die "no clip folder $src; run bench/gif/make-corpus.sh first"
ensure_packages ffmpeg gifsicle

work=$(mktemp -d /tmp/kinetta-check.XXXXXX)
trap 'rm -rf "$work"' EXIT

failures=0
check() {
    local what=$1
    shift
    if "$@"; then
        printf 'ok    %s\n' "$what"
    else
        printf 'FAIL  %s\n' "$what"
        failures=$((failures + 1))
    fi
}
above() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }

log "posterising $clip to 216 colours"
posterise_frames "$src" "$work/frames"
n=$(count_frames "$work/frames")
seconds=$(awk -v n="$n" -v f="$clip_fps" 'BEGIN { printf "%.2f", n / f }')

ffmpeg -nostdin -v error -framerate "$clip_fps" -i "$work/frames/frame-%04d.png" \
    -vf palettegen=stats_mode=full -y "$work/palette.png"
ffmpeg -nostdin -v error -framerate "$clip_fps" -i "$work/frames/frame-%04d.png" -i "$work/palette.png" \
    -lavfi "[0:v][1:v]paletteuse=dither=none" -y "$work/exact.gif"

read -r s p compared frames secs < <(measure_gif "$work/exact.gif" "$work/frames")
echo "exact GIF: SSIM $s, PSNR $p, $compared of $n frames compared, $frames GIF frames, $secs s"
check "exact GIF scores SSIM 1" above "$s" 0.999999
check "exact GIF scores infinite PSNR" test "$p" = inf
check "every frame compared" test "$compared" -eq "$n"
check "exact GIF plays $seconds s" test "$secs" = "$seconds"

# gifsicle drops frames that change nothing and lengthens the delay before them.
gifsicle -O3 "$work/exact.gif" -o "$work/merged.gif"
read -r s2 p2 compared2 frames2 secs2 < <(measure_gif "$work/merged.gif" "$work/frames")
echo "merged GIF: SSIM $s2, PSNR $p2, $compared2 of $n frames compared, $frames2 GIF frames, $secs2 s"
check "merged GIF still scores SSIM 1" above "$s2" 0.999999
check "every frame compared after merging" test "$compared2" -eq "$n"

read -r s3 p3 compared3 _ _ < <(measure_gif "$work/exact.gif" "$work/frames" -start_number 2)
echo "one frame out of step: SSIM $s3, PSNR $p3, $compared3 frames compared"
check "one frame out of step scores clearly lower" above "$(awk -v a="$s" -v b="$s3" 'BEGIN { print a - b }')" 0.005

ffmpeg -nostdin -v error -framerate $((clip_fps * 2)) -i "$work/frames/frame-%04d.png" -i "$work/palette.png" \
    -lavfi "[0:v][1:v]paletteuse=dither=none" -y "$work/fast.gif"
read -r s4 p4 _ frames4 secs4 < <(measure_gif "$work/fast.gif" "$work/frames")
echo "double speed: SSIM $s4, PSNR $p4, $frames4 GIF frames, $secs4 s"
check "double speed is caught by its duration" test "$secs4" != "$seconds"
check "double speed scores lower" above "$(awk -v a="$s" -v b="$s4" 'BEGIN { print a - b }')" 0.005

if ((failures)); then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all checks passed"
