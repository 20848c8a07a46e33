#!/usr/bin/env bash
# Builds the benchmark optimised and runs it end to end: a private MariaDB
# server of its own, the Dutch word table as the setup tool imports it, a
# synthetic table of a million words, then the search, layout, start-up and
# memory figures (README, "Performance"). Nothing outside the build directory
# and a temporary directory is touched; the system's MariaDB service is not used.
#
#   bash bench/run.sh [kv_bench options, e.g. --runs 15 --buffer-pool 128M]
#
# Figures: printed, and as JSON lines in build-bench/bench-results.jsonl
# (KV_BENCH_DIR for another build directory).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KV_BENCH_DIR:-$root/build-bench}

"$root/scripts/deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKV_BUILD_TESTS=OFF -DKV_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target kv_bench kwisvinder-setup
# Quiet Qt's notes about the windowless platform the figures are taken on.
export QT_LOGGING_RULES=${QT_LOGGING_RULES:-"qt.qpa.*=false"}
exec "$build/bench/kv_bench" --out "$build/bench-results.jsonl" "$@"
