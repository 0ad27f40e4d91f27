#!/usr/bin/env bash
# Scripted screen activity on an already running X display, for the frame-store
# benchmarks: activity.sh SCENE SECONDS, SCENE one of terminal, windows, page.
#   terminal  an xterm filling most of the screen printing and scrolling text
#   windows   several windows under openbox, one dragged around, pointer moving
#   page      a long text paged and scrolled line by line in a large xterm
# The display is taken from $DISPLAY. Every client started here is stopped on exit.
set -euo pipefail
scene=${1:?scene}
seconds=${2:?seconds}

pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap cleanup EXIT

end=$((SECONDS + seconds))
case "$scene" in
terminal)
    xterm -geometry 200x62+10+10 -fa Monospace -fs 10 -bg black -fg grey90 \
        -e bash -c 'while :; do ls -lR --color=always /usr/share | while IFS= read -r l; do printf "%s\n" "$l"; sleep 0.004; done; done' &
    pids+=($!)
    while ((SECONDS < end)); do sleep 0.5; done
    ;;
windows)
    openbox --sm-disable &
    pids+=($!)
    sleep 0.5
    xclock -update 1 -geometry 300x300+1400+100 &
    pids+=($!)
    xeyes -geometry 300x200+1400+600 &
    pids+=($!)
    xterm -geometry 100x30+100+500 -e bash -c 'top -d 1' &
    pids+=($!)
    xterm -title mover -geometry 80x24+100+100 -bg '#203040' -fg white \
        -e bash -c 'while :; do date; sleep 0.3; done' &
    pids+=($!)
    sleep 1
    win=$(xdotool search --sync --name '^mover$' | head -n1)
    x=100
    y=100
    dx=23
    dy=11
    while ((SECONDS < end)); do
        x=$((x + dx))
        y=$((y + dy))
        ((x > 1300 || x < 20)) && dx=$((-dx))
        ((y > 600 || y < 20)) && dy=$((-dy))
        xdotool windowmove "$win" "$x" "$y" mousemove $((x + 200)) $((y + 150)) 2>/dev/null || true
        sleep 0.05
    done
    ;;
page)
    xterm -title page -geometry 180x60+40+20 -fa Serif -fs 11 -bg white -fg black \
        -e less /usr/share/common-licenses/GPL-3 &
    pids+=($!)
    sleep 1
    xdotool search --sync --name '^page$' >/dev/null
    # xterm ignores synthetic key events: send real ones, with the pointer over
    # it so that it has the focus even without a window manager.
    xdotool mousemove 600 400
    step=0
    while ((SECONDS < end)); do
        if ((step % 40 == 39)); then
            xdotool key space 2>/dev/null || true
        else
            xdotool key j 2>/dev/null || true
        fi
        step=$((step + 1))
        sleep 0.1
    done
    ;;
*)
    echo "unknown scene: $scene" >&2
    exit 2
    ;;
esac
