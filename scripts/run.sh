#!/usr/bin/env bash
# Builds the Windows program and starts it under Wine: on your display if you
# have one, else on a private virtual display, with a screenshot to show.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh win32 desktop
cmake --preset win32 >/dev/null
cmake --build --preset win32

exe=build/win32/vrlCalendar.exe
if [ -n "${DISPLAY:-}" ]; then
  exec env WINEDEBUG="${WINEDEBUG:--all}" wine "$exe"
fi
python3 scripts/virtual_desktop.py "$exe" build/vrlCalendar-screenshot.png
