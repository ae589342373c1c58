#!/usr/bin/env bash
# Installs what is missing, builds, and starts the workbench.  On a machine
# without a display it runs the headless calculator on the sample sheet instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
bin="$root/build/release/bin"
sheet="$root/src/app/spread.csv"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$bin/zelkdemo" ]; then
  cd "$root/src/app"
  exec "$bin/zelkdemo" "$@"
elif [ -x "$bin/zelkcalc" ]; then
  exec "$bin/zelkcalc" --format %g "$sheet"
else
  echo "Built. The headless calculator (zelkcalc) is not part of this build yet;"
  echo "once it is, this command runs: zelkcalc --format %g $sheet"
fi
