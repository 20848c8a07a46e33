#!/usr/bin/env bash
# Installs, from Debian's packages, everything Kwisvinder needs to build, run
# and test. Quick when everything is already there.
set -euo pipefail

packages=(
  # build
  cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev libmariadb-dev
  # the server, its client and the Dutch word list
  mariadb-server mariadb-client wdutch
  # running without a desktop, fonts close to the original's
  xvfb xauth fonts-liberation fontconfig
  # checks: desktop entry, Windows resource script, sanitizers and fuzzing
  desktop-file-utils binutils-mingw-w64-x86-64 clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages: ${missing[*]}" >&2
  echo "Run this as root (or with sudo) so they can be installed." >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# Debian's maintainer scripts must not start a server here: tests start their own.
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
