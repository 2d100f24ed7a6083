#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need.
# Quick when they are already there: apt is asked only for what is missing.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ pkg-config clang-format
  qt6-base-dev qt6-serialport-dev libqt6sql6-sqlite qt6-qpa-plugins qt6-translations-l10n
  libsqlite3-dev sqlite3
  libgtest-dev googletest libbenchmark-dev
  fontconfig fonts-dejavu-core libcups2-dev
  cups
  xvfb xauth x11-utils x11-apps imagemagick poppler-utils
  apache2 curl
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
