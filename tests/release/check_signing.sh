#!/usr/bin/env bash
# Signs a release with a throwaway self-signed certificate made on the spot,
# checks every signature (each installer, and the program inside each zip),
# and checks that a release without a certificate is unsigned and says so.
# Usage: check_signing.sh ICON PROGRAM...
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
icon=$1
shift
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
[ "$checked" -eq $((2 * $#)) ] || { echo "expected $((2 * $#)) signed files, checked $checked" >&2; exit 1; }

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
