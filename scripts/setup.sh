#!/usr/bin/env bash
# Installs the Debian packages Pindrel needs, only those that are missing.
# Safe to run again; uses sudo when not root.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-webengine-dev libqt6opengl6-dev qt6-translations-l10n
  libcurl4-openssl-dev libcpp-httplib-dev libssl-dev nlohmann-json3-dev
  libunicorn-dev gcc-mingw-w64-i686
  clang libclang-rt-14-dev
  xvfb xauth imagemagick desktop-file-utils
  # The forms' 12-pixel face, WenQuanYi Zen Hei Sharp, is in fonts-wqy-zenhei.
  fonts-wqy-zenhei
  # The parse benchmark's timer and peak-memory reader.
  hyperfine time
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "setup: installing ${missing[*]}"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
