# Shared helpers of the GIF benchmark scripts; sourced, not run.
# shellcheck shell=bash disable=SC2034  # the settings below are read by the scripts that source this

bench_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
corpus_dir=${KINETTA_CORPUS:-$bench_root/bench/corpus}
out_dir=${KINETTA_BENCH_OUT:-$bench_root/bench/out}

# The clips, in the order they are recorded and reported. A clip named
# <clip>-216 is <clip> posterised to 216 colours: every colour of the
# recording fits one GIF table, so the encoders can be exact.
clips=(terminal desktop webpage mandelbrot terminal-216 desktop-216 webpage-216)
clip_fps=10
clip_frames=80
# KINETTA_CLIP_SIZE=1920x1080 (with its own KINETTA_CORPUS and
# KINETTA_BENCH_OUT) keeps the clips at full size instead.
clip_size=${KINETTA_CLIP_SIZE:-960x540}
[[ $clip_size =~ ^([0-9]+)x([0-9]+)$ ]] || { echo "error: KINETTA_CLIP_SIZE must be WIDTHxHEIGHT" >&2; exit 1; }
clip_width=${BASH_REMATCH[1]}
clip_height=${BASH_REMATCH[2]}

log() { printf '[%s] %s\n' "$(date +%H:%M:%S)" "$*" >&2; }
die() { printf 'error: %s\n' "$*" >&2; exit 1; }

# Installs the named Debian packages that are missing; does nothing when all are there.
ensure_packages() {
    local missing=() pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
    done
    ((${#missing[@]} == 0)) && return 0
    log "installing ${missing[*]}"
    local sudo_cmd=()
    [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Six levels per channel: 216 colours, which a GIF palette holds exactly.
posterise_filter="lutrgb=r='floor(val/51+0.5)*51':g='floor(val/51+0.5)*51':b='floor(val/51+0.5)*51',format=rgb24"

# Writes the frame-NNNN.png files of folder $1 posterised to 216 colours into folder $2.
posterise_frames() {
    mkdir -p "$2"
    ffmpeg -nostdin -v error -i "$1/frame-%04d.png" -vf "$posterise_filter" -start_number 1 "$2/frame-%04d.png"
}

# Number of frame-NNNN.png files in a clip folder.
count_frames() {
    local dir=$1
    find "$dir" -maxdepth 1 -name 'frame-[0-9][0-9][0-9][0-9].png' | wc -l
}

# Compares a GIF with the PNG frames it was made from, frame by frame in time:
# the GIF is decoded (disposal and transparency composited onto the canvas),
# resampled to the clip's rate so that merged or dropped frames line up by
# their delays, its last frame held, and both sides compared as planar RGB.
# Prints "ssim psnr compared gif_frames gif_seconds"; ssim and psnr are
# averages over the compared frames (psnr from the mean squared error).
# Extra arguments go to the reference input (e.g. -start_number 2).
measure_gif() {
    local gif=$1 frames_dir=$2
    shift 2
    local scratch
    scratch=$(mktemp -d /tmp/kinetta-measure.XXXXXX)
    local stderr_log=$scratch/ffmpeg.log
    if ! ffmpeg -nostdin -hide_banner -i "$gif" -framerate "$clip_fps" "$@" -i "$frames_dir/frame-%04d.png" \
        -lavfi "[0:v]fps=$clip_fps,tpad=stop=-1:stop_mode=clone,format=gbrp,split[g1][g2];
                [1:v]format=gbrp,split[r1][r2];
                [g1][r1]ssim=stats_file=$scratch/ssim.log:shortest=1;
                [g2][r2]psnr=stats_file=$scratch/psnr.log:shortest=1" \
        -f null - 2>"$stderr_log"; then
        tail -n 5 "$stderr_log" >&2
        rm -rf "$scratch"
        return 1
    fi
    local ssim psnr compared gif_frames gif_seconds
    ssim=$(sed -n 's/.*SSIM .* All:\([0-9.]*\).*/\1/p' "$stderr_log" | tail -n1)
    psnr=$(sed -n 's/.*PSNR .* average:\([0-9.inf]*\).*/\1/p' "$stderr_log" | tail -n1)
    compared=$(wc -l <"$scratch/ssim.log")
    read -r gif_frames gif_seconds < <(ffprobe -v error -select_streams v:0 -show_entries packet=duration_time \
        -of csv=p=0 "$gif" | awk '{ n++; s += $1 } END { printf "%d %.2f\n", n, s }')
    rm -rf "$scratch"
    [[ -n $ssim && -n $psnr ]] || { echo "could not read SSIM/PSNR from ffmpeg's output" >&2; return 1; }
    [[ $psnr == inf ]] || psnr=$(awk -v p="$psnr" 'BEGIN { printf "%.2f", p }')
    echo "$ssim $psnr $compared $gif_frames $gif_seconds"
}
