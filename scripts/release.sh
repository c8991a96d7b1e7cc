#!/usr/bin/env bash
# Builds both Windows programs (x64 and x86) and the release files from them:
# an installer and a portable zip for each, and SHA256SUMS.
# Usage: scripts/release.sh [DIST [BUILD_ROOT]]   (dist/ and build/ by default)
set -euo pipefail
cd "$(dirname "$0")/.."

dist=${1:-dist} root=${2:-build}
scripts/deps.sh windows release
for preset in win64 win32; do
  cmake --preset "$preset" -B "$root/$preset" >/dev/null
  cmake --build "$root/$preset" -j2 >/dev/null
done
python3 release/make_release.py --exe "$root/win64/vrlCalendar.exe" --exe "$root/win32/vrlCalendar.exe" \
  --icon "$root/win64/resources/vrlCalendar.ico" --dist "$dist"
