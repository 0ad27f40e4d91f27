#!/usr/bin/env bash
# The window picker with 50 windows: see PickerBench.cpp for what is measured.
# Usage: bench/picker/run.sh [BUILD_DIR]  (needs Xvfb and openbox)
set -euo pipefail
build=${1:-build}
bench="$build/bench/picker/picker-bench"
[[ -x "$bench" ]] || { echo "build picker-bench first: $bench" >&2; exit 1; }
"$bench"
