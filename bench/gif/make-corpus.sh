#!/usr/bin/env bash
# Records the GIF benchmark's clips of real screen content under a private Xvfb
# (1920x1080, 10 fps, 8 s), then scales each to 960x540 with an area filter
# into bench/corpus/<clip>/frame-NNNN.png; the <clip>-216 clips are those
# frames posterised to 216 colours (recorded first when missing). A clip whose
# frames are already there is kept; --force makes everything again. Usage:
#   bench/gif/make-corpus.sh [--force] [clip...]
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"

force=0
wanted=()
for arg in "$@"; do
    case $arg in
        --force) force=1 ;;
        -h | --help) sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) [[ " ${clips[*]} " == *" $arg "* ]] || die "unknown clip '$arg' (known: ${clips[*]})"; wanted+=("$arg") ;;
    esac
done
((${#wanted[@]})) || wanted=("${clips[@]}")

ensure_packages xvfb xauth x11-xserver-utils x11-apps xterm openbox xdotool chromium ffmpeg \
    fonts-dejavu-core fonts-liberation

screen_w=1920
screen_h=1080
duration_frames=$clip_frames

work=$(mktemp -d /tmp/kinetta-corpus.XXXXXX)
started=() # process ids of everything this script started, stopped in reverse order

stop_started() {
    local i
    for ((i = ${#started[@]} - 1; i >= 0; i--)); do
        kill "${started[i]}" 2>/dev/null || true
    done
    for pid in "${started[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    started=()
}
cleanup() {
    stop_started
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Starts Xvfb on a display number it picks itself and exports DISPLAY.
start_xvfb() {
    local number_file=$work/display.$RANDOM
    : >"$number_file"
    Xvfb -displayfd 3 -screen 0 "${screen_w}x${screen_h}x24" -nolisten tcp -noreset \
        3>"$number_file" 2>"$work/xvfb.log" &
    started+=($!)
    local tries=0
    until [[ -s $number_file ]]; do
        ((tries++ < 100)) || die "Xvfb did not start: $(cat "$work/xvfb.log")"
        sleep 0.1
    done
    DISPLAY=:$(head -n1 "$number_file")
    export DISPLAY
    log "Xvfb on $DISPLAY"
}

# Runs an X client in the background and remembers it.
spawn() {
    "$@" >>"$work/clients.log" 2>&1 &
    started+=($!)
}

# Waits until a visible window of the given class is mapped.
wait_for_window() {
    timeout 30 xdotool search --sync --onlyvisible --class "$1" >/dev/null ||
        die "no '$1' window appeared"
}

# Grabs the screen losslessly for the clip's length; runs in the background.
start_grab() {
    ffmpeg -nostdin -v error -f x11grab -framerate "$clip_fps" -video_size "${screen_w}x${screen_h}" \
        -draw_mouse 1 -i "$DISPLAY" -frames:v "$duration_frames" \
        -c:v libx264rgb -preset ultrafast -qp 0 -y "$1" &
    grab_pid=$!
}

# Pointer glide in small steps, like a hand on a mouse.
glide() {
    local x0=$1 y0=$2 x1=$3 y1=$4 steps=$5 pause=$6 i
    for ((i = 1; i <= steps; i++)); do
        xdotool mousemove $((x0 + (x1 - x0) * i / steps)) $((y0 + (y1 - y0) * i / steps))
        sleep "$pause"
    done
}

record_terminal() {
    local raw=$1
    start_xvfb
    xsetroot -solid '#202124'
    cat >"$work/scroll.sh" <<'EOF'
cd /usr/share
for dir in */ doc/*/ ; do
    printf '\033[1;32muser@bench\033[0m:\033[1;34m/usr/share\033[0m$ ls -l --color %s\n' "$dir"
    ls -l --color=always "$dir" 2>/dev/null | head -n 40 | while IFS= read -r line; do
        printf '%s\n' "$line"
        sleep 0.015
    done
    sleep 0.35
done
EOF
    spawn xterm -geometry 238x62+0+0 -fa 'DejaVu Sans Mono' -fs 10 -bg '#1e1e1e' -fg '#d4d4d4' \
        -title terminal -e bash "$work/scroll.sh"
    wait_for_window xterm
    xdotool mousemove 1700 900
    sleep 2
    start_grab "$raw"
    wait "$grab_pid"
}

record_desktop() {
    local raw=$1
    start_xvfb
    xsetroot -solid '#3b6e8f'
    spawn openbox --sm-disable
    sleep 1
    spawn xterm -geometry 100x30+40+40 -fa 'DejaVu Sans Mono' -fs 10 -title top -e top -d 1
    spawn xclock -geometry 220x220+1150+60 -update 1
    spawn xeyes -geometry 260x180+1520+700
    spawn xcalc -geometry 260x360+120+620
    spawn xlogo -geometry 200x200+900+720
    spawn xterm -geometry 80x20+1000+320 -title notes -e bash -c 'ls -l --color=always /usr/share/X11; exec bash'
    wait_for_window xcalc
    wait_for_window xeyes
    sleep 2
    local calc
    calc=$(xdotool search --onlyvisible --class xcalc | head -n1)
    eval "$(xdotool getwindowgeometry --shell "$calc")"
    local cx=$((X + 120)) cy=$((Y + 40))
    xdotool mousemove 960 300
    start_grab "$raw"
    glide 960 300 "$cx" "$cy" 12 0.05
    # Move the calculator across the screen the way a user does: Alt-drag.
    xdotool keydown alt mousedown 1
    glide "$cx" "$cy" $((cx + 1000)) $((cy - 420)) 40 0.05
    xdotool mouseup 1 keyup alt
    glide $((cx + 1000)) $((cy - 420)) 1700 780 15 0.05
    glide 1700 780 600 200 20 0.05
    wait "$grab_pid"
}

record_webpage() {
    local raw=$1
    start_xvfb
    spawn chromium --no-sandbox --test-type --disable-gpu --no-first-run --disable-background-networking \
        --disable-component-update --disable-sync --disable-features=Translate --password-store=basic \
        --user-data-dir="$work/profile" --window-position=0,0 --window-size=${screen_w},${screen_h} \
        --kiosk "file://$bench_root/bench/gif/page.html"
    wait_for_window chromium
    xdotool mousemove 1200 600
    sleep 5 # first paint and fonts
    start_grab "$raw"
    sleep 0.4
    # Read down the page a notch at a time, then wheel back up to the figures.
    local i
    for ((i = 0; i < 9; i++)); do
        xdotool click 5
        sleep 0.5
    done
    for ((i = 0; i < 6; i++)); do
        xdotool click 4
        sleep 0.4
    done
    wait "$grab_pid"
}

record_mandelbrot() {
    # A zoom into the fractal's edge: colourful, and every pixel changes every frame.
    ffmpeg -nostdin -v error -f lavfi \
        -i "mandelbrot=size=${screen_w}x${screen_h}:rate=${clip_fps}:end_pts=160" \
        -frames:v "$duration_frames" -c:v libx264rgb -preset ultrafast -qp 0 -y "$1"
}

scale_clip() {
    local raw=$1 clip=$2
    local staging=$work/frames-$clip
    mkdir -p "$staging"
    # gbrp on both sides keeps the area average in RGB, with no round trip through YUV.
    # Passthrough: one PNG per grabbed frame, even when a grab came late.
    ffmpeg -nostdin -v error -i "$raw" -vf "format=gbrp,scale=${clip_width}:${clip_height}:flags=area,format=rgb24" \
        -fps_mode passthrough -start_number 1 "$staging/frame-%04d.png"
    local got
    got=$(count_frames "$staging")
    ((got == clip_frames)) || die "$clip: expected $clip_frames frames, got $got"
    rm -rf "${corpus_dir:?}/$clip"
    mkdir -p "$corpus_dir"
    mv "$staging" "$corpus_dir/$clip"
}

recorded() {
    [[ -d $corpus_dir/$1 ]] && (($(count_frames "$corpus_dir/$1") == clip_frames))
}

make_clip() {
    local clip=$1
    if ((!force)) && recorded "$clip"; then
        log "$clip: already made, kept"
        return
    fi
    if [[ $clip == *-216 ]]; then
        local base=${clip%-216}
        recorded "$base" || make_clip "$base"
        log "$clip: posterising $base to 216 colours"
        rm -rf "$work/frames-$clip"
        posterise_frames "$corpus_dir/$base" "$work/frames-$clip"
        rm -rf "${corpus_dir:?}/$clip"
        mv "$work/frames-$clip" "$corpus_dir/$clip"
        return
    fi
    log "$clip: recording"
    local raw=$work/$clip.mkv
    "record_$clip" "$raw"
    stop_started
    log "$clip: scaling to ${clip_width}x${clip_height}"
    scale_clip "$raw" "$clip"
    rm -f "$raw"
    log "$clip: $clip_frames frames in $corpus_dir/$clip"
}

for clip in "${wanted[@]}"; do
    make_clip "$clip"
done
