#!/usr/bin/env bash
# Signs a release with a throwaway self-signed certificate made on the spot,
# checks every signature (each installer, the program inside each zip, and the
# uninstaller an install writes, installed under Wine into a copy of PREFIX),
# that a time stamp is asked for where the release is given a server, and
# that a release without a certificate is unsigned and says so.
# Usage: check_signing.sh PREFIX ICON PROGRAM...
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
template=$1 icon=$2
shift 2
programs=()
for program in "$@"; do programs+=(--exe "$program"); done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=vrlCalendar throwaway test certificate" \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/cert.p12" -passout pass:throwaway

verify() {
  osslsigncode verify -CAfile "$work/cert.pem" -in "$1" >"$work/verify.log" 2>&1 ||
    { cat "$work/verify.log" >&2; echo "$2: signature does not verify" >&2; exit 1; }
  echo "$2: signature verifies"
}

said=$(VRL_SIGNING_CERT="$work/cert.p12" VRL_SIGNING_PASSWORD=throwaway \
  python3 "$here/release/make_release.py" "${programs[@]}" --icon "$icon" --dist "$work/signed")
echo "$said"
case "$said" in *": signed"*) ;; *) echo "a release with a certificate did not say it is signed" >&2; exit 1 ;; esac
checked=0
for setup in "$work"/signed/*-setup.exe; do
  verify "$setup" "$(basename "$setup")"
  checked=$((checked + 1))
done
for portable in "$work"/signed/*-portable.zip; do
  rm -rf "$work/unzipped" && mkdir "$work/unzipped"
  python3 -m zipfile -e "$portable" "$work/unzipped"
  verify "$work/unzipped/vrlCalendar.exe" "vrlCalendar.exe in $(basename "$portable")"
  checked=$((checked + 1))
done
setup=$(ls "$work"/signed/*-x64-setup.exe)
cp -a "$template" "$work/prefix"
WINEPREFIX="$work/prefix" WINEDEBUG=-all python3 "$here/scripts/winerun.py" run "$setup" /S '/D=C:\vrl' >/dev/null
WINEPREFIX="$work/prefix" /usr/lib/wine/wineserver -k || true
verify "$work/prefix/drive_c/vrl/Uninstall.exe" "Uninstall.exe written by $(basename "$setup")"
checked=$((checked + 1))
[ "$checked" -eq $((2 * $# + 1)) ] || { echo "expected $((2 * $# + 1)) signed files, checked $checked" >&2; exit 1; }

# No time-stamp server answers here: one that is not there must stop the
# release, having been asked.
if said=$(VRL_SIGNING_CERT="$work/cert.p12" VRL_SIGNING_PASSWORD=throwaway VRL_TIMESTAMP_URL=http://127.0.0.1:9/ \
  python3 "$here/release/make_release.py" "${programs[@]}" --icon "$icon" --dist "$work/stamped" 2>&1); then
  echo "a release whose time-stamp server cannot be reached said it was signed" >&2; exit 1
fi
case "$said" in *"-ts http://127.0.0.1:9/ "*) echo "time stamp asked for: $(grep -m1 -- -ts <<<"$said")" ;;
  *) echo "the release did not ask the time-stamp server: $said" >&2; exit 1 ;; esac

said=$(env -u VRL_SIGNING_CERT python3 "$here/release/make_release.py" "${programs[@]}" --icon "$icon" \
  --dist "$work/unsigned")
case "$said" in *UNSIGNED*) ;; *) echo "a release without a certificate did not say it is unsigned" >&2; exit 1 ;; esac
for portable in "$work"/unsigned/*-portable.zip; do
  rm -rf "$work/unzipped" && mkdir "$work/unzipped"
  python3 -m zipfile -e "$portable" "$work/unzipped"
  if osslsigncode verify -in "$work/unzipped/vrlCalendar.exe" >/dev/null 2>&1; then
    echo "the unsigned program in $(basename "$portable") carries a signature" >&2; exit 1
  fi
done
echo "without a certificate: unsigned, and said so"
