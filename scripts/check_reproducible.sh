#!/usr/bin/env bash
# Builds the release twice from clean, in two separate build folders, and
# checks that every file comes out byte for byte the same, the manifests for
# the download address given (if any) included.
# Usage: scripts/check_reproducible.sh [BASE_URL]
set -euo pipefail
cd "$(dirname "$0")/.."

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for run in a b; do
  scripts/release.sh ${1:+--url "$1"} "$work/$run/dist" "$work/$run" >/dev/null
done
sums() { (cd "$1" && find . -type f | sort | xargs sha256sum --); }
sums "$work/a/dist"
if diff -r "$work/a/dist" "$work/b/dist" >/dev/null; then
  echo "reproducible: two clean builds gave identical release files"
else
  echo "NOT reproducible: the two builds differ:" >&2
  diff <(sums "$work/a/dist") <(sums "$work/b/dist") >&2 || true
  exit 1
fi
