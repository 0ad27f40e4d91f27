#!/usr/bin/env bash
# Builds the engine and its tests with sanitizers and runs them:
#   scripts/sanitize.sh address   address + undefined-behaviour sanitizers over the whole suite
#   scripts/sanitize.sh thread    thread sanitizer over the capture and recording-flow tests
# Extra arguments go to ctest. Builds into build-asan/ or build-tsan/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kind=${1:-address}
shift || true
"$root/scripts/bootstrap.sh" --with-tests
case "$kind" in
  address)
    dir=$root/build-asan
    sanitize=address,undefined
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:halt_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp
    select=()
    ;;
  thread)
    dir=$root/build-tsan
    sanitize=thread
    # Qt's own libraries are not instrumented: their internal locking is invisible to the sanitizer.
    export TSAN_OPTIONS="suppressions=$root/tests/tsan.supp halt_on_error=0 second_deadlock_stack=1"
    select=(-L '^(capture_tests|capture_x11_tests|store_tests|flow_tests|record_flow_tests|cli_record_tests)$')
    ;;
  *) echo "usage: scripts/sanitize.sh address|thread [ctest arguments]" >&2; exit 2 ;;
esac
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKINETTA_SANITIZE=$sanitize \
    -DKINETTA_BUILD_BENCH=OFF -DKINETTA_BUILD_TESTS=ON >/dev/null
cmake --build "$dir" --parallel "$(nproc)"
cd "$dir"
ctest --output-on-failure --parallel "$(nproc)" --timeout 900 "${select[@]}" "$@"
