#!/usr/bin/env bash
# Installs what building and running the calendar needs, and nothing when it is
# already there. Usage: scripts/deps.sh [native] [win32] [desktop] [fuzz] [release]
set -euo pipefail

want_native=0 want_win32=0 want_desktop=0 want_fuzz=0 want_release=0
[ $# -eq 0 ] && set -- native win32 desktop fuzz release
for part in "$@"; do
  case "$part" in
    native) want_native=1 ;;
    win32) want_win32=1 ;;
    desktop) want_desktop=1 ;;
    fuzz) want_fuzz=1 ;;
    release) want_release=1 ;;
    *) echo "deps.sh: unknown part '$part' (native, win32, desktop, fuzz, release)" >&2; exit 2 ;;
  esac
done

packages=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed'; }
need() { for p in "$@"; do have "$p" || packages+=("$p"); done; }

[ $want_native = 1 ] && need cmake g++ make libgtest-dev
[ $want_win32 = 1 ] && need cmake make g++-mingw-w64-i686 binutils-mingw-w64-i686 python3
[ $want_desktop = 1 ] && need wine wine32:i386 xvfb openbox trayer xdotool x11-utils imagemagick tesseract-ocr tesseract-ocr-eng strace

[ $want_fuzz = 1 ] && need cmake make clang libclang-rt-dev
[ $want_release = 1 ] && need nsis osslsigncode openssl git

[ ${#packages[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if [ $want_desktop = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
echo "Installing: ${packages[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null
