#!/usr/bin/env bash
# Installs what the build, the tests and the program need on a Debian 12 machine.
# Safe to run again: packages already present are skipped by apt.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libqt6printsupport6
  libsqlite3-dev libmount-dev libblkid-dev libjpeg62-turbo-dev
  libxcb1-dev
  xvfb xauth poppler-utils openbox xdotool x11-apps x11-utils
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
