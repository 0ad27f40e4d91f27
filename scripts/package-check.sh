#!/usr/bin/env bash
# Installs a built package the way a user would, with
# `apt-get install ./kinetta_*.deb`, into a clean chroot of this machine's
# Debian release, and runs `kinetta --version` there. Takes minutes and a
# package mirror, so it is not part of the test suite. Needs root.
#
#   scripts/package-check.sh [PACKAGE.deb]   (default: the newest one package.sh made)
#
# The bare system is made once with debootstrap, from the mirror this
# machine's apt uses, and kept in $KINETTA_CHROOT_CACHE (default
# ~/.cache/kinetta-package-check); every run works on a fresh copy of it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

package=${1:-}
if [[ -z "$package" ]]; then
  package=$(ls -t "$root"/build-package/cpack/kinetta_*.deb 2>/dev/null | head -n 1 || true)
fi
if [[ -z "$package" || ! -f "$package" ]]; then
  echo "package-check.sh: no package; run scripts/package.sh OUTDIR first, or name one" >&2
  exit 2
fi
if [[ $(id -u) -ne 0 ]]; then
  echo "package-check.sh: debootstrap and chroot need root" >&2
  exit 2
fi
if ! command -v debootstrap >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap
fi

. /etc/os-release
release=${VERSION_CODENAME:?this is not a Debian release with a code name}

# The first mirror of this machine's apt sources that serves the release.
mirror_of_this_machine() {
  local file
  for file in /etc/apt/sources.list.d/*.sources; do
    [[ -f "$file" ]] || continue
    awk -v release="$release" '
      /^URIs:/   { uris = $2 }
      /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == release) found = 1 }
      /^$/       { if (found && uris != "") { print uris; exit } found = 0; uris = "" }
      END        { if (found && uris != "") print uris }' "$file" | head -n 1
  done
  if [[ -f /etc/apt/sources.list ]]; then
    awk -v release="$release" '$1 == "deb" && $3 == release { print $2; exit }' /etc/apt/sources.list
  fi
}
mirror=$(mirror_of_this_machine | head -n 1)
if [[ -z "$mirror" ]]; then
  echo "package-check.sh: no apt source of this machine serves $release" >&2
  exit 1
fi

cache=${KINETTA_CHROOT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/kinetta-package-check}
base=$cache/$release-base
if [[ ! -x "$base/usr/bin/apt-get" ]]; then
  echo "Making a bare $release system in $base (once) ..." >&2
  rm -rf "$base"
  mkdir -p "$cache"
  debootstrap --variant=minbase "$release" "$base" "$mirror" >&2
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/kinetta-package-check.XXXXXX")
mounted=()
cleanup() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount -l "${mounted[i]}" 2>/dev/null || true
  done
  rm -rf --one-file-system "$work"
}
trap cleanup EXIT
system=$work/system
cp -a "$base" "$system"
for point in proc sys dev dev/pts; do
  mount --bind "/$point" "$system/$point"
  mounted+=("$system/$point")
done
cp /etc/resolv.conf "$system/etc/resolv.conf" 2>/dev/null || true
cp "$package" "$system/tmp/"
name=$(basename "$package")

in_chroot() {
  chroot "$system" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive "$@"
}
echo "== apt-get install ./$name (in a fresh $release chroot)"
in_chroot apt-get update -qq
if ! in_chroot sh -c "cd /tmp && apt-get install -y -q --no-install-recommends ./$name" \
  >"$work/install.log" 2>&1; then
  cat "$work/install.log" >&2
  echo "package-check.sh: apt-get install failed" >&2
  exit 1
fi
grep -E '^([0-9]+ upgraded|Setting up kinetta)' "$work/install.log"
in_chroot dpkg-query -W -f='${Package} ${Version} ${Status}\n' kinetta
echo "== kinetta --version"
in_chroot kinetta --version
echo "== the desktop's files"
in_chroot dpkg -L kinetta | grep -E '/(applications|metainfo|man1)/.'

