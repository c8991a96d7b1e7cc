#!/usr/bin/env bash
# Installs what building and running the calendar needs, and nothing when it is
# already there. Usage: scripts/deps.sh [native] [windows] [desktop] [fuzz] [release]
#   windows: MinGW-w64 for both Windows architectures (x64 and x86)
#   desktop: Wine's 64-bit loader, and its 32-bit one only where this machine
#            runs 32-bit Linux programs; Xvfb, a window manager, a tray host;
#            the German and Japanese locales, which Wine takes for Windows'
#            display language
set -euo pipefail
cd "$(dirname "$0")/.."

want_native=0 want_windows=0 want_desktop=0 want_fuzz=0 want_release=0
[ $# -eq 0 ] && set -- native windows desktop fuzz release
for part in "$@"; do
  case "$part" in
    native) want_native=1 ;;
    windows) want_windows=1 ;;
    desktop) want_desktop=1 ;;
    fuzz) want_fuzz=1 ;;
    release) want_release=1 ;;
    *) echo "deps.sh: unknown part '$part' (native, windows, desktop, fuzz, release)" >&2; exit 2 ;;
  esac
done

packages=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed'; }
need() { for p in "$@"; do have "$p" || packages+=("$p"); done; }

want_i386=0
# tzdata: the day-change rows use real zones; clang-format and flake8: the style check
[ $want_native = 1 ] && need cmake g++ make libgtest-dev tzdata clang-format flake8
[ $want_windows = 1 ] && need cmake make python3 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 \
  g++-mingw-w64-i686 binutils-mingw-w64-i686
if [ $want_desktop = 1 ]; then
  need python3 wine wine64 xvfb xserver-xephyr openbox trayer faketime xdotool x11-utils imagemagick tesseract-ocr \
    tesseract-ocr-eng strace locales
  # The 32-bit loader only where it can run; the probe runs a 32-bit program.
  if command -v python3 >/dev/null && python3 scripts/winerun.py can-run-32bit 2>/dev/null; then
    want_i386=1
    need wine32:i386 libfaketime:i386
  fi
fi
[ $want_fuzz = 1 ] && need cmake make clang libclang-rt-dev
[ $want_release = 1 ] && need nsis osslsigncode openssl git python3 python3-yaml

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
make_locales() {
  for name in de_DE ja_JP; do
    locale -a 2>/dev/null | grep -qix "$name.utf-\?8" || $sudo localedef -i "$name" -f UTF-8 "$name.UTF-8"
  done
}
if [ ${#packages[@]} -eq 0 ]; then
  [ $want_desktop = 0 ] || make_locales
  exit 0
fi
if [ $want_i386 = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
echo "Installing: ${packages[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null
[ $want_desktop = 0 ] || make_locales
