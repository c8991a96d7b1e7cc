#!/usr/bin/env bash
# Builds both Windows programs (x64 and x86) and the release files from them:
# an installer and a portable zip for each, SHA256SUMS, and the winget and
# Scoop manifests for the address where the files will be published.
# Usage: scripts/release.sh [--url BASE_URL] [--home URL] [DIST [BUILD_ROOT]]
#   (dist/ and build/ by default; without --url, the release address of the
#   remote "origin" where it is on GitHub or Codeberg, else no manifests)
set -euo pipefail
cd "$(dirname "$0")/.."

where=()
while [ $# -gt 0 ] && [[ $1 == --* ]]; do
  case "$1" in
    --url|--home) where+=("$1" "$2"); shift 2 ;;
    *) echo "release.sh: unknown option $1 (--url BASE_URL, --home URL)" >&2; exit 2 ;;
  esac
done
dist=${1:-dist} root=${2:-build}
scripts/deps.sh windows release
for preset in win64 win32; do
  cmake --preset "$preset" -B "$root/$preset" >/dev/null
  cmake --build "$root/$preset" -j2 --target vrlCalendar >/dev/null
done
python3 release/make_release.py --exe "$root/win64/vrlCalendar.exe" --exe "$root/win32/vrlCalendar.exe" \
  --icon "$root/win64/resources/vrlCalendar.ico" --dist "$dist" "${where[@]}"
