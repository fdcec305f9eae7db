#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the fake gateway need.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config clang clang-format libclang-rt-14-dev
  # libraries the programs link
  libssl-dev libcurl4-openssl-dev libxml2-dev libqrencode-dev libzip-dev zlib1g-dev libjpeg-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libxcb1-dev libxcb-ewmh-dev libxcb-xinput-dev libxcb-xkb-dev libxkbcommon-dev libxkbcommon-x11-dev
  libatspi2.0-dev libsystemd-dev libcups2-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils dbus dbus-x11 at-spi2-core libglib2.0-bin openbox
  cups cups-client cups-filters poppler-utils zbar-tools qrencode imagemagick
  fonts-wqy-microhei
  python3 python3-cryptography python3-pyftpdlib python3-dbusmock python3-dbus
  # the updater's tests and benchmark: a test CA, the reference unzip and curl tools, bsdtar's
  # ZIP packages
  openssl unzip curl bc libarchive-tools
  # the Debian package: its dependencies from the programs' shared libraries, private mounts
  dpkg-dev util-linux mount
)

if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "$0 installs Debian packages and needs root: run it in a root shell." >&2
    exit 1
  fi
  exec sudo "$0" "$@"
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends "${packages[@]}"
