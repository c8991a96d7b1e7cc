#!/usr/bin/env bash
# Builds everything and runs every test, in three stages that all run even when
# one fails: the logic's unit tests under AddressSanitizer and UBSan, a bounded
# run of each fuzzer, then the unit tests natively with both Windows programs
# under Wine on a private virtual desktop (the installers too) and the
# release's reproducibility and signing. A Windows program this machine cannot
# run is skipped, with the reason; VRL_NO_32BIT=1 makes a machine that runs
# 32-bit programs behave as one that cannot.
# Arguments go to the main ctest run, e.g. scripts/test.sh -L unit.
set -uo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh native windows desktop fuzz release || exit 1
python3 scripts/winerun.py probe
reports=$(mktemp -d)
trap 'rm -rf "$reports"' EXIT
summary=() broken=()

stage() {  # stage NAME PRESET [ctest arguments...]
  local name=$1 preset=$2
  shift 2
  echo "=== stage $name"
  summary+=("$name=$reports/$name.xml")
  if ! { cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset"; }; then
    echo "stage $name: the build failed"
    broken+=(--broken "$name")
    return
  fi
  local started=$SECONDS
  ctest --preset "$preset" --output-junit "$reports/$name.xml" "$@"
  echo "stage $name: its tests took $((SECONDS - started)) s"
}

stage sanitize sanitize
stage fuzz fuzz -j2
stage main native "$@"

echo "=== summary"
python3 scripts/test_summary.py "${broken[@]}" "${summary[@]}"
