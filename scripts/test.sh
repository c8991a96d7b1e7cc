#!/usr/bin/env bash
# Builds everything and runs every test: the logic's unit tests natively, then
# the Windows program under Wine on a private virtual desktop.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh native win32 desktop
cmake --preset native
cmake --build --preset native
ctest --preset native "$@"
