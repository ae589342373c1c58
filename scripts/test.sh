#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
# Usage: scripts/test.sh [--sanitize]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
dir="$root/build/release"
if [ "${1:-}" = "--sanitize" ]; then
  dir="$root/build/sanitize"
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi
bash "$root/scripts/build.sh" "$@"
jobs=$(nproc 2>/dev/null || echo 2)
cd "$dir"
ctest --output-on-failure --parallel "$jobs" --timeout 300
