#!/usr/bin/env bash
# Builds everything and runs every test: the logic's unit tests under
# AddressSanitizer and UBSan, a bounded run of each fuzzer, then the unit tests
# again natively with the Windows program under Wine on a private virtual
# desktop (the installer too) and the release's reproducibility and signing.
# Arguments go to the main ctest run, e.g. scripts/test.sh -L unit.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh native win32 desktop fuzz release
log=$(mktemp)
trap 'rm -f "$log"' EXIT

cmake --preset sanitize
cmake --build --preset sanitize
ctest --preset sanitize | tee -a "$log"

cmake --preset fuzz
cmake --build --preset fuzz
ctest --preset fuzz -j2 | tee -a "$log"

cmake --preset native
cmake --build --preset native
ctest --preset native "$@" | tee -a "$log"

# One line for the three runs together.
grep -Eo '[0-9]+ tests failed out of [0-9]+' "$log" |
  awk '{ failed += $1; total += $6 } END { printf "%d passed, %d failed\n", total - failed, failed }'
