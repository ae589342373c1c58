#!/usr/bin/env bash
# Configures and builds the project.  Usage: scripts/build.sh [--sanitize] [ninja targets...]
# The normal build goes to build/release, the sanitizer build to build/sanitize.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir="$root/build/release"
extra=()
if [ "${1:-}" = "--sanitize" ]; then
  shift
  dir="$root/build/sanitize"
  extra=(-DZELK_SANITIZE=ON -DZELK_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug)
fi
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S "$root" -B "$dir" -G Ninja "${extra[@]}" >/dev/null
fi
jobs=$(nproc 2>/dev/null || echo 2)
cmake --build "$dir" --parallel "$jobs" -- "$@"
