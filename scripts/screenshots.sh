#!/usr/bin/env bash
# Renders one PNG per view and state under Qt's offscreen platform into
# docs/screenshots/ (or the folder given), for a person to look at each next to
# what the view should be. A second argument renders one view only; the view
# "tray-desktop" is the tray program on a private X session, taken from its
# root window (needs Xvfb, openbox, trayer, xdotool and xclip).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/docs/screenshots}
view=${2:-}
build=${KINETTA_BUILD_DIR:-$root/build}
"$root/scripts/bootstrap.sh" --with-tests
"$root/scripts/build.sh" -DKINETTA_BUILD_TESTS=ON >/dev/null
if [[ "$view" != tray-desktop ]]; then
    QT_QPA_PLATFORM=offscreen "$build/tests/ui/kinetta_screenshots" "$out" "${@:2}"
fi
if [[ -z "$view" || "$view" == tray-desktop ]]; then
    QT_QPA_PLATFORM=offscreen "$build/tests/app/shell/desktop/kinetta_tray_screenshots" "$out"
fi
