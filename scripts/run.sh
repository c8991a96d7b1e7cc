#!/usr/bin/env bash
# Builds the Windows program and starts it under Wine: on your display if you
# have one, else on a private virtual display, with a screenshot to show.
# Usage: scripts/run.sh [win64|win32]   (win64, the 64-bit program, by default)
# Wine keeps its state in build/wine-prefix unless WINEPREFIX says otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."

preset=${1:-win64}
case "$preset" in win64|win32) ;; *) echo "usage: scripts/run.sh [win64|win32]" >&2; exit 2 ;; esac
scripts/deps.sh windows desktop
exe=build/$preset/vrlCalendar.exe
if [ "$preset" = win32 ] && ! why=$(python3 scripts/winerun.py can-run-32bit 2>&1); then
  echo "cannot run the 32-bit program here: $why" >&2
  exit 1
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"

if [ -n "${DISPLAY:-}" ]; then
  export WINEPREFIX=${WINEPREFIX:-$PWD/build/wine-prefix}
  python3 scripts/winerun.py make-prefix "$WINEPREFIX"
  exec env WINEDEBUG="${WINEDEBUG:--all}" python3 scripts/winerun.py run "$exe"
fi
python3 scripts/virtual_desktop.py "$exe" build/vrlCalendar-screenshot.png
