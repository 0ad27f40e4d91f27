#!/usr/bin/env bash
# Installs what Kinetta needs, builds it and runs it with the given arguments.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/bootstrap.sh"
"$root/scripts/build.sh" -DKINETTA_BUILD_TESTS=OFF -DKINETTA_BUILD_BENCH=OFF >&2
exec "${KINETTA_BUILD_DIR:-$root/build}/src/kinetta" "$@"
