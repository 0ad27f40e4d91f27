#!/usr/bin/env bash
# Builds the Debian package into OUTDIR: a build of its own under /usr with
# Debian's hardening flags, stripped, its library dependencies found by
# dpkg-shlibdeps. Prints the package's path.
set -euo pipefail
if (($# != 1)); then
  echo "usage: scripts/package.sh OUTDIR" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$1"
outdir=$(cd "$1" && pwd)
build_dir=${KINETTA_PACKAGE_BUILD_DIR:-$root/build-package}

"$root/scripts/bootstrap.sh" --for-package

# Debian's build flags, hardening included; CMake reads CPPFLAGS nowhere, so
# the preprocessor's go with the compilers'.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
export CFLAGS="$CFLAGS $CPPFLAGS" CXXFLAGS="$CXXFLAGS $CPPFLAGS"

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_INSTALL_PREFIX=/usr -DKINETTA_BUILD_TESTS=OFF -DKINETTA_BUILD_BENCH=OFF \
  "${launcher[@]}" >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)"
rm -f "$build_dir"/cpack/kinetta_*.deb
cpack --config "$build_dir/CPackConfig.cmake" -B "$build_dir/cpack" >/dev/null
package=$(find "$build_dir/cpack" -maxdepth 1 -name 'kinetta_*.deb' | head -n 1)
if [[ -z "$package" ]]; then
  echo "package.sh: cpack made no package" >&2
  exit 1
fi
cp "$package" "$outdir/"
echo "$outdir/$(basename "$package")"
