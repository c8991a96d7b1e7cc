#!/usr/bin/env bash
# Builds everything and runs every test: the logic's unit tests natively (and
# again under AddressSanitizer and UBSan), the Windows program under Wine on a
# private virtual desktop (the installer too), the release's reproducibility
# and signing, and a bounded run of each fuzzer.
# Arguments go to the main ctest run, e.g. scripts/test.sh -L unit.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh native win32 desktop fuzz release

cmake --preset native
cmake --build --preset native
ctest --preset native "$@"

cmake --preset sanitize
cmake --build --preset sanitize
ctest --preset sanitize

cmake --preset fuzz
cmake --build --preset fuzz
ctest --preset fuzz -j2
