#!/usr/bin/env bash
# Installs what building and running the calendar needs, and nothing when it is
# already there. Usage: scripts/deps.sh [native] [windows] [desktop] [fuzz] [release]
#   windows: MinGW-w64 for both Windows architectures (x64 and x86)
#   desktop: Wine's 64-bit loader, and its 32-bit one only where this machine
#            runs 32-bit Linux programs; Xvfb, a window manager, a tray host;
#            the German and Japanese locales, which Wine takes for Windows'
#            display language
# A mirror in the middle of a sync must not stop everything: a failed index is
# tried again and then done without, and the 32-bit loader is installed in a
# step of its own, so that where it cannot be had this machine goes on as one
# that runs no 32-bit programs (the reason is kept where winerun.py finds it).
set -uo pipefail
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

packages=() packages32=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed'; }
need() { for p in "$@"; do have "$p" || packages+=("$p"); done; }
need32() { for p in "$@"; do have "$p" || packages32+=("$p"); done; }
no32_note=${XDG_CACHE_HOME:-$HOME/.cache}/vrlCalendar/32bit-unavailable

# tzdata: the day-change rows and the calendar reader's tests use real zones; clang-format and flake8: the
# style check; unicode-cldr-core: CLDR's table of Windows zones, compiled into the reader (every build)
[ $want_native = 1 ] && need cmake g++ make libgtest-dev tzdata clang-format flake8 unicode-cldr-core
[ $want_windows = 1 ] && need cmake make python3 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 \
  g++-mingw-w64-i686 binutils-mingw-w64-i686 unicode-cldr-core
if [ $want_desktop = 1 ]; then
  need python3 wine wine64 xvfb xserver-xephyr openbox trayer faketime xdotool x11-utils imagemagick tesseract-ocr \
    tesseract-ocr-eng strace locales
  # The 32-bit loader only where it can run; the probe runs a 32-bit program.
  if command -v python3 >/dev/null && python3 scripts/winerun.py can-run-32bit 2>/dev/null; then
    need32 wine32:i386 libfaketime:i386
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
export DEBIAN_FRONTEND=noninteractive
errors() { grep -E '^(E|Err):' | sed 's/^/  /'; }

# apt-get update, tried a few times; then on with the indexes there are.
update() {
  local try out
  for try in 1 2 3; do
    out=$($sudo apt-get update -qq 2>&1) && return 0
    [ $try = 3 ] || sleep "${VRL_APT_PAUSE:-10}"
  done
  if grep -qiE 'could not resolve|temporary failure resolving|network is unreachable' <<<"$out"; then
    echo "deps.sh: no network: the package indexes could not be fetched; going on with the ones this machine has"
  else
    echo "deps.sh: going on without these package indexes, which failed three times:"
    grep -oE 'Failed to fetch [^ ]+' <<<"$out" | sed 's/^Failed to fetch /  /' | sort -u
  fi
}

# install WHAT PACKAGE...: one apt transaction, so a failure installs nothing.
install() {
  local what=$1 out
  shift
  echo "Installing ($what): $*"
  out=$($sudo apt-get install -y -qq --no-install-recommends "$@" 2>&1 >/dev/null) && return 0
  echo "deps.sh: cannot install the $what packages ($*); apt says:"
  errors <<<"$out"
  return 1
}

added_i386=0
if [ ${#packages32[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386 && added_i386=1
fi
[ ${#packages[@]} -gt 0 ] || [ ${#packages32[@]} -gt 0 ] && update
# An i386 architecture added here with nothing of it installed would only make
# every later update fail on its index: it goes again when its step fails.
forget_i386() { [ $added_i386 = 0 ] || $sudo dpkg --remove-architecture i386 || true; }
if [ ${#packages[@]} -gt 0 ]; then
  install 64-bit "${packages[@]}" || { forget_i386; exit 1; }
fi
if [ ${#packages32[@]} -gt 0 ]; then
  said=$(install 32-bit "${packages32[@]}")
  installed=$?
  echo "$said"
  if [ $installed = 0 ]; then
    rm -f "$no32_note"
  else
    mkdir -p "$(dirname "$no32_note")"
    echo "the 32-bit Wine loader could not be installed ($(grep -m1 -E '^  (E|Err):' <<<"$said" | sed 's/^ *//'))" \
      >"$no32_note"
    echo "deps.sh: going on without 32-bit Windows programs: $(cat "$no32_note")"
    forget_i386
  fi
fi
[ $want_desktop = 0 ] || make_locales
