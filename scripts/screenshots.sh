#!/usr/bin/env bash
# Renders one PNG per view and state under Qt's offscreen platform into
# docs/screenshots/ (or the folder given), for a person to look at each next to
# what the view should be. A second argument renders one view only.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/docs/screenshots}
"$root/scripts/bootstrap.sh" --with-tests
"$root/scripts/build.sh" -DKINETTA_BUILD_TESTS=ON >/dev/null
QT_QPA_PLATFORM=offscreen "${KINETTA_BUILD_DIR:-$root/build}/tests/ui/kinetta_screenshots" "$out" "${@:2}"
