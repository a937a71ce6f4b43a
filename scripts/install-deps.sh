#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need.
# Does nothing when they are all present, so a second run costs a second.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev libqt6sql6-sqlite qt6-qpa-plugins
  libturbojpeg0-dev libxlsxwriter-dev libexif-dev libsqlite3-dev libcups2-dev
  libqt6sql6-psql postgresql
  fonts-noto-cjk fonts-wqy-microhei
  dpkg-dev fakeroot file desktop-file-utils
  sqlite3 xvfb xauth
  python3 python3-openpyxl poppler-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "These packages are missing and installing them needs root: ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  # Another install may hold the package lock for a while; wait for it instead of failing.
  apt-get -o DPkg::Lock::Timeout=600 update -qq
  apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"
fi
