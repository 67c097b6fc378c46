#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need. Idempotent, quiet when all is there.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config clang clang-format libclang-rt-dev
  qt6-base-dev qt6-webengine-dev libgl-dev libxcb1-dev
  libcurl4-openssl-dev libsqlite3-dev sqlite3 unixodbc unixodbc-dev libsqliteodbc
  libcpp-httplib-dev libpugixml-dev libgtest-dev libgmock-dev libbenchmark-dev
  fonts-nanum xvfb x11-apps imagemagick
  debhelper dpkg-dev fakeroot lintian systemd curl
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
