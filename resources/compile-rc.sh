#!/bin/sh
# Compiles the configured Windows resource script with the MinGW resource
# compiler and reads the version record back, so a broken script shows up on
# Linux too. Exits 77 (reported as skipped) when that compiler is absent.
# Usage: compile-rc.sh kwisvinder.rc output.res file-version
set -eu
rc=$1
res=$2
version=$3
windres=x86_64-w64-mingw32-windres
if ! command -v "$windres" >/dev/null 2>&1; then
  echo "SKIP: $windres is not installed (Debian: binutils-mingw-w64-x86-64)"
  exit 77
fi
# windres preprocesses with the MinGW gcc; without it the host's one will do,
# as the script includes no Windows headers.
if command -v x86_64-w64-mingw32-gcc >/dev/null 2>&1; then
  "$windres" -i "$rc" -O res -o "$res"
else
  "$windres" --preprocessor="${CPP:-cpp}" -i "$rc" -O res -o "$res"
fi
decoded=$("$windres" -i "$res" -O rc)
for expected in "BLOCK \"041304B0\"" "VALUE \"FileVersion\", \"$version\"" \
                "VALUE \"ProductName\", \"Kwisvinder\"" "VALUE \"Translation\", 0x413, 1200" \
                "RT_GROUP_ICON"; do
  if ! printf '%s\n' "$decoded" | grep -qF "$expected"; then
    echo "missing from the compiled resources: $expected"
    exit 1
  fi
done
echo "compiled $rc"
