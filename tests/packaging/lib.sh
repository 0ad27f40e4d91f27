# Shared by the packaging tests. Each test is run by ctest as
#   bash TEST.sh BUILD_DIR SOURCE_DIR KINETTA VERSION APPLICATION_ID
set -euo pipefail
build_dir=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
kinetta=$(cd "$(dirname "$3")" && pwd)/$(basename "$3")
version=$4
app_id=$5
icon_sizes=(16 22 24 32 48 64 128 256 512)

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
# Ends the test: 0 when nothing failed.
finish() {
  if ((failures > 0)); then
    echo "$failures check(s) failed" >&2
    exit 1
  fi
  echo "all checks passed"
}
# Tools the test needs; scripts/bootstrap.sh --with-tests installs them.
need() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || {
      echo "FAIL: $tool is not installed (scripts/bootstrap.sh --with-tests installs it)" >&2
      exit 1
    }
  done
}

scratch=$(mktemp -d "${TMPDIR:-/tmp}/kinetta-packaging.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# Every file an install puts down, relative to the prefix, given the folder
# zsh completions go to; sorted.
expected_files() {
  local zsh_folder=$1 size
  {
    echo "bin/kinetta"
    echo "share/applications/$app_id.desktop"
    echo "share/metainfo/$app_id.metainfo.xml"
    echo "share/icons/hicolor/scalable/apps/$app_id.svg"
    for size in "${icon_sizes[@]}"; do
      echo "share/icons/hicolor/${size}x${size}/apps/$app_id.png"
    done
    echo "share/man/man1/kinetta.1.gz"
    echo "share/bash-completion/completions/kinetta"
    echo "share/zsh/$zsh_folder/_kinetta"
    echo "share/doc/kinetta/LICENSE"
    echo "share/doc/kinetta/copyright"
    echo "share/doc/kinetta/changelog.gz"
  } | LC_ALL=C sort
}

# The value of KEY in GROUP of a desktop entry file.
desktop_value() {
  local file=$1 group=$2 key=$3
  awk -v group="[$group]" -v key="$key" '
    /^\[/ { in_group = ($0 == group); next }
    in_group && index($0, key "=") == 1 { print substr($0, length(key) + 2); exit }' "$file"
}

# WIDTHxHEIGHT of a PNG, from its header.
png_size() {
  local words
  read -r -a words < <(od -An -tu1 -j16 -N8 "$1")
  echo "$(((words[0] << 24) | (words[1] << 16) | (words[2] << 8) | words[3]))x$(((words[4] << 24) | (words[5] << 16) | (words[6] << 8) | words[7]))"
}
