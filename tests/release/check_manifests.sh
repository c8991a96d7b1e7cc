#!/usr/bin/env bash
# The release's manifests pass the check, and the check fails a manifest whose
# hash is not its file's and one that lacks a field winget requires.
# Usage: check_manifests.sh DIST
set -uo pipefail
check="$(dirname "$0")/check_manifests.py"
python3 "$check" "$1" || exit 1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

spoil() {  # spoil WHAT SED-EXPRESSION FILE-GLOB: the check must now fail, and say why
  rm -rf "$work/dist" && cp -r "$1" "$work/dist"
  sed -i "$3" "$work"/dist/manifests/*/*/*/*/$4
  if said=$(python3 "$check" "$work/dist"); then
    echo "the check passed $2"
    exit 1
  fi
  echo "$2: $said"
}
spoil "$1" "a wrong hash" '0,/InstallerSha256: /{s/\(InstallerSha256: "\?\)0/\11/;t;s/\(InstallerSha256: "\?\)./\10/}' \
  '*.installer.yaml'
spoil "$1" "no licence" '/^License:/d' '*.locale.en-US.yaml'
