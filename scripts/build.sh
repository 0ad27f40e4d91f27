#!/usr/bin/env bash
# Configures and builds Kinetta into build/ (or $KINETTA_BUILD_DIR).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${KINETTA_BUILD_DIR:-$root/build}
werror=OFF
[[ "${CI:-}" == "true" ]] && werror=ON
cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKINETTA_WERROR=${KINETTA_WERROR:-$werror} "$@" >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)"
