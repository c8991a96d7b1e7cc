#!/usr/bin/env bash
# Fails on C++ that clang-format would change (.clang-format) and on Python
# that flake8 finds fault with (.flake8), naming each file and line.
set -uo pipefail
cd "$(dirname "$0")/.."
for tool in clang-format flake8; do
  command -v $tool >/dev/null || { echo "check_style: $tool is missing (scripts/deps.sh native)" >&2; exit 1; }
done
files() { git ls-files --cached --others --exclude-standard "$@" | while read -r f; do [ -f "$f" ] && echo "$f"; done; }
status=0
files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror || status=1
files '*.py' | xargs flake8 || status=1
[ $status = 0 ] && echo "style: the C++ and the Python are formatted"
exit $status
