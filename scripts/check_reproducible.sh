#!/usr/bin/env bash
# Builds the release twice from clean, in two separate build folders, and
# checks that every file comes out byte for byte the same.
set -euo pipefail
cd "$(dirname "$0")/.."

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for run in a b; do
  scripts/release.sh "$work/$run/dist" "$work/$run" >/dev/null
done
(cd "$work/a/dist" && sha256sum -- *)
if diff -r "$work/a/dist" "$work/b/dist" >/dev/null; then
  echo "reproducible: two clean builds gave identical release files"
else
  echo "NOT reproducible: the two builds differ:" >&2
  diff <(cd "$work/a/dist" && sha256sum -- *) <(cd "$work/b/dist" && sha256sum -- *) >&2 || true
  exit 1
fi
