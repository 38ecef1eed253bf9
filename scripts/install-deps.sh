#!/usr/bin/env bash
# Installs every Debian package that building, running and testing the program needs.
# Idempotent and quiet when everything is already present.
set -euo pipefail

packages=(
  g++ clang clang-format cmake ninja-build pkg-config
  libclang-rt-14-dev llvm-14
  qt6-base-dev libgl-dev
  libsqlite3-dev sqlite3
  libgsf-1-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libssl-dev
  openbox
  tcl dpkg-dev
  fonts-liberation fontconfig
  python3 python3-xlrd python3-olefile poppler-utils
  xvfb xdotool x11-utils imagemagick
  desktop-file-utils libglib2.0-bin
  dbus-daemon at-spi2-core python3-pyatspi gir1.2-atspi-2.0 libnss-wrapper procps util-linux
  strace
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
# The page codec's build fetches Debian's source package of the SQL engine, so apt needs source
# entries (and, on a fresh machine, refreshed lists).
bash "$(dirname "${BASH_SOURCE[0]}")/enable-deb-src.sh"

[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
