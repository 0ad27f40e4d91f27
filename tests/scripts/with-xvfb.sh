#!/usr/bin/env bash
# Runs a command on a private Xvfb display of its own, optionally with openbox
# as window manager, and stops both afterwards. The display number comes from
# Xvfb itself (-displayfd), so several runs can go on side by side.
# Usage: tests/scripts/with-xvfb.sh [--wm] [--size WxHxD] -- COMMAND [ARGS...]
set -euo pipefail
wm=0
size=1280x800x24
while (($#)); do
  case "$1" in
    --wm) wm=1; shift ;;
    --size) size=$2; shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done
(($#)) || { echo "usage: $0 [--wm] [--size WxHxD] -- COMMAND [ARGS...]" >&2; exit 2; }

exec {displayfd}<> <(:)
Xvfb -displayfd "$displayfd" -screen 0 "$size" -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
wm_pid=
cleanup() {
  [[ -n $wm_pid ]] && kill "$wm_pid" 2>/dev/null
  kill "$xvfb" 2>/dev/null
  wait 2>/dev/null || true
}
trap cleanup EXIT
if ! read -r -t 20 -u "$displayfd" number; then
  echo "with-xvfb: Xvfb did not start" >&2
  exit 1
fi
export DISPLAY=":$number"
if ((wm)); then
  openbox --sm-disable >/dev/null 2>&1 &
  wm_pid=$!
  # Openbox is ready once it has announced itself on the root window.
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.05
  done
fi
status=0
"$@" || status=$?
exit "$status"
