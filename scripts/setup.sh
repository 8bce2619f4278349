#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Kesmora needs.
# Idempotent and non-interactive; run as root (or through sudo) on Debian 12.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config git
  clang libclang-rt-14-dev clang-format
  # libraries
  libcurl4-openssl-dev
  qt6-base-dev qt6-base-dev-tools qt6-declarative-dev qt6-webengine-dev
  qt6-qpa-plugins qt6-tools-dev-tools libgl-dev libglx-dev libopengl-dev libxkbcommon-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  tinyproxy-bin microsocks openssl ca-certificates python3
  xvfb icewm xdotool x11-utils imagemagick fonts-noto-cjk xdg-utils dbus-x11 time
  chromium
)

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ "${#missing[@]}" -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
