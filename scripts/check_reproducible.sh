#!/usr/bin/env bash
# Builds the release from clean, in a build folder of its own, and checks that
# every file comes out byte for byte the same as the release files of another
# build: those given with --against (the tests' own, built in build/), else a
# second clean build. The manifests for the download address given (if any)
# are compared too.
# Usage: scripts/check_reproducible.sh [--against DIST] [BASE_URL]
set -euo pipefail
cd "$(dirname "$0")/.."

against=
if [ "${1:-}" = --against ]; then
  against=$(cd "$2" && pwd)
  shift 2
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
runs=(a b)
[ -n "$against" ] && runs=(a)
for run in "${runs[@]}"; do
  scripts/release.sh ${1:+--url "$1"} "$work/$run/dist" "$work/$run" >/dev/null
done
other=${against:-$work/b/dist}
sums() { (cd "$1" && find . -type f | sort | xargs sha256sum --); }
sums "$work/a/dist"
if diff -r "$work/a/dist" "$other" >/dev/null; then
  echo "reproducible: two builds in different folders gave identical release files"
else
  echo "NOT reproducible: the two builds differ:" >&2
  diff <(sums "$work/a/dist") <(sums "$other") >&2 || true
  exit 1
fi
