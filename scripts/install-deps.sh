#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages the build and the tests need, when any is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  clang libclang-rt-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-tools-dev qt6-tools-dev-tools libqt6sql6-sqlite
  shapelib python3 python3-dbf python3-dbfread
  time locales
)
if [ "${1:-}" = "--gui" ]; then
  packages+=(xvfb xauth x11-utils)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
# Node.js (for the independent ADIF parser in the tests) may come from another
# repository that bundles npm; ask Debian for it only when the commands are missing.
if ! command -v npm >/dev/null 2>&1; then
  missing+=(nodejs npm)
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# One locale with a decimal comma, so the tests can show that number text in fields
# does not follow the process locale.
if ! locale -a 2>/dev/null | grep -qix 'de_DE.utf8'; then
  $SUDO localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
