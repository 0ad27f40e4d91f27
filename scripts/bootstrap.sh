#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Kinetta
# needs. Safe to run again: it only calls apt-get when something is missing.
set -euo pipefail

build_packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools
  libxcb1-dev libxcb-shm0-dev libxcb-xfixes0-dev libxcb-composite0-dev
  libxcb-randr0-dev libxcb-image0-dev libxcb-xinput-dev libxcb-res0-dev
  libimagequant-dev libpng-dev liblz4-dev libzstd-dev libyuv-dev
  qt6-qpa-plugins qt6-wayland librsvg2-bin
  libpipewire-0.3-dev
)
# What makes the Debian package (scripts/package.sh).
package_packages=(dpkg-dev file)
test_packages=(
  libgtest-dev libgmock-dev libgif-dev
  xvfb xauth x11-utils x11-xserver-utils xterm openbox xdotool xcompmgr xclip trayer
  xserver-xorg-video-dummy
  libqt6dbus6 dbus-daemon at-spi2-core
  pipewire pipewire-bin wireplumber python3-dbus python3-gi
  desktop-file-utils appstream man-db groff-base bash-completion zsh lintian
)

# What the benchmarks in bench/ run and plot with (their scripts also install
# what they miss); the npm package gifski goes into bench/out by itself.
bench_packages=(
  ffmpeg gifsicle npm python3-matplotlib
  xvfb xauth x11-xserver-utils x11-apps xterm openbox xdotool chromium
  fonts-dejavu-core fonts-liberation
)

want=("${build_packages[@]}")
case "${1:-}" in
  --with-tests) want+=("${package_packages[@]}" "${test_packages[@]}") ;;
  --for-package) want+=("${package_packages[@]}") ;;
  --for-bench) want+=("${bench_packages[@]}") ;;
esac

missing=()
for pkg in "${want[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$pkg")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "Installing: ${missing[*]}" >&2
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
