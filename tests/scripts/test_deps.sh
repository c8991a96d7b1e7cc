#!/usr/bin/env bash
# scripts/deps.sh against a stand-in apt-get (and dpkg) on PATH: a mirror with
# one stale index, one whose i386 packages cannot be installed, and one whose
# 64-bit packages cannot be. Each case: what was asked for, what was said.
set -u
top=$(cd "$(dirname "$0")/../.." && pwd)
stand_in=$(mktemp -d)
trap 'rm -rf "$stand_in"' EXIT
mkdir -p "$stand_in/bin"
cat >"$stand_in/bin/apt-get" <<'APT'
#!/bin/sh
echo "apt-get $*" >>"$STAND_IN/asked"
case "$*:$FAIL" in
  update*:update*) echo "E: Failed to fetch http://mirror/debian-security/binary-i386/Packages.xz  File has unexpected size" >&2; exit 100 ;;
  *wine32:i386*:i386) echo "E: Unable to correct problems, you have held broken packages." >&2; exit 100 ;;
  *wine64*:wine64) echo "E: Unable to locate package wine64" >&2; exit 100 ;;
esac
APT
printf '#!/bin/sh\nexit 1\n' >"$stand_in/bin/dpkg-query"   # nothing installed
printf '#!/bin/sh\necho "dpkg $*" >>"$STAND_IN/asked"\n' >"$stand_in/bin/dpkg"
printf '#!/bin/sh\n' >"$stand_in/bin/localedef"
printf '#!/bin/sh\nexec "$@"\n' >"$stand_in/bin/sudo"  # never the real one, run as any user
printf '#!/bin/sh\n[ "$2" = can-run-32bit ] || exec /usr/bin/python3 "$@"\n' >"$stand_in/bin/python3"
chmod +x "$stand_in"/bin/*

failures=0
# case_ FAIL STATUS SAID ASKED: the last two regular expressions over the lines joined by |
case_() {
  rm -f "$stand_in/asked"
  said=$(STAND_IN=$stand_in FAIL=$1 VRL_APT_PAUSE=0 XDG_CACHE_HOME=$stand_in PATH="$stand_in/bin:$PATH" \
    "$top/scripts/deps.sh" desktop 2>&1)
  status=$?
  asked=$(tr '\n' '|' <"$stand_in/asked")
  if [ "$status" != "$2" ] || ! [[ $(tr '\n' '|' <<<"$said") =~ $3 ]] || ! [[ $asked =~ $4 ]]; then
    printf 'FAILED with %s: exit %s (expected %s)\nsaid:\n%s\nasked:\n%s\n' "$1" "$status" "$2" "$said" "$asked"
    failures=$((failures + 1))
  fi
}
case_ update 0 "without these package indexes.*\|  http://mirror/.*binary-i386" \
  "(apt-get update -qq\|){3}apt-get install [^|]* wine64 [^|]*\|apt-get install [^|]*wine32:i386"
case_ i386 0 "going on without 32-bit Windows programs: .*held broken packages" \
  "install [^|]* wine64 [^|]*\|apt-get install [^|]*wine32:i386[^|]*\|dpkg --remove-architecture i386"
grep -q "held broken" "$stand_in/vrlCalendar/32bit-unavailable" || { echo "FAILED: no reason kept for the 32-bit tests"; failures=$((failures + 1)); }
case_ wine64 1 "cannot install the 64-bit packages.*Unable to locate package wine64" \
  "install [^|]* wine64 [^|]*\|dpkg --remove-architecture i386\|$"
[ $failures = 0 ] && echo "deps.sh: 3 cases passed"
exit $failures
