#!/usr/bin/env bash
# Sets up everything Kwisvinder needs on this machine and starts it:
# packages, an optimised build, Debian's MariaDB service, the database with
# its account and the Dutch word table, and the stored configuration.
# A second run reuses all of it and is quick.
#
#   bash scripts/run.sh [--no-start] [-- program arguments]
#
# Run as root or with sudo. With sudo the configuration goes to the invoking
# user's hive (~/.config/kwisvinder/registry.reg, owned by that user) and the
# program runs as that user; as plain root it goes to root's.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KV_RELEASE_DIR:-$root/build-release}
words=/usr/share/dict/dutch
start=1

while [ $# -gt 0 ]; do
  case $1 in
    --no-start) start=0; shift ;;
    --) shift; break ;;
    -h|--help) sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "run.sh: unknown option $1 (try --help)" >&2; exit 2 ;;
  esac
done

if [ "$(id -u)" -ne 0 ]; then
  echo "run.sh: run this as root (or with sudo): it installs packages and sets up the database server." >&2
  exit 1
fi

step() { printf '\n== %s\n' "$*"; }

step "Packages"
"$root/scripts/deps.sh"

step "Build (Release) in $build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKV_BUILD_TESTS=OFF -DKV_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target kwisvinder kwisvinder-setup
program=$build/app/kwisvinder
setup=$build/setup/kwisvinder-setup

step "MariaDB server"
socket=/run/mysqld/mysqld.sock
answers() { mariadb-admin --protocol=socket --socket="$socket" ping >/dev/null 2>&1; }
if answers; then
  echo "Already running."
elif [ -d /run/systemd/system ]; then
  # Enabled, so it is back after a reboot too.
  systemctl enable --now mariadb
else
  # No systemd (a container): the init script starts a server that outlives
  # this script, until the machine or container stops.
  service mariadb start || /etc/init.d/mariadb start
fi
for _ in $(seq 1 60); do
  answers && break
  sleep 1
done
answers || { echo "run.sh: the MariaDB server does not answer on $socket." >&2; exit 1; }

# Whose configuration: the sudo caller's, else root's. Each gets a database
# account of their own, so setting up for one never changes the password
# another one's configuration holds.
owner=()
as_user=()
if [ -n "${SUDO_USER:-}" ] && [ "$SUDO_USER" != root ]; then
  user_home=$(getent passwd "$SUDO_USER" | cut -d: -f6)
  hive=${KWISVINDER_REGISTRY:-$user_home/.config/kwisvinder/registry.reg}
  owner=(--owner "$SUDO_USER" --user "kwisvinder_$SUDO_USER")
  as_user=(runuser -u "$SUDO_USER" -- env HOME="$user_home")
else
  hive=${KWISVINDER_REGISTRY:-${XDG_CONFIG_HOME:-$HOME/.config}/kwisvinder/registry.reg}
fi

step "Database, account, word table and configuration"
"$setup" all --words "$words" --hive "$hive" "${owner[@]}"

run_hint="${as_user[*]:+${as_user[*]} }KWISVINDER_REGISTRY=$hive $program"
if [ "$start" -eq 0 ]; then
  step "Ready"
  echo "Start the program with: $run_hint"
  exit 0
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  step "Ready, but there is no display"
  cat <<EOF
Kwisvinder is a desktop program and needs a screen: neither DISPLAY nor
WAYLAND_DISPLAY is set here. Everything is set up; start it later from a
desktop session with:
  $run_hint
or without a desktop, on a virtual screen:
  KWISVINDER_REGISTRY=$hive xvfb-run -a $program
  KWISVINDER_REGISTRY=$hive QT_QPA_PLATFORM=vnc:size=800x600 $program
and, for the second, connect a VNC viewer to port 5900 of this machine.
EOF
  exit 0
fi

step "Starting Kwisvinder"
export KWISVINDER_REGISTRY=$hive
exec "${as_user[@]}" env KWISVINDER_REGISTRY="$hive" "$program" "$@"
