#!/usr/bin/env bash
# Installs what building and testing need, builds everything and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/bootstrap.sh" --with-tests
"$root/scripts/build.sh" -DKINETTA_BUILD_TESTS=ON
cd "${KINETTA_BUILD_DIR:-$root/build}"
ctest --output-on-failure --parallel "$(nproc)" --timeout 300 "$@"
