#!/usr/bin/env bash
# Signs a release with a throwaway self-signed certificate made on the spot,
# checks both signatures, and checks that a release without a certificate is
# unsigned and says so.
# Usage: check_signing.sh PROGRAM ICON
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
program=$1 icon=$2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=vrlCalendar throwaway test certificate" \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/cert.p12" -passout pass:throwaway

said=$(VRL_SIGNING_CERT="$work/cert.p12" VRL_SIGNING_PASSWORD=throwaway \
  python3 "$here/release/make_release.py" --exe "$program" --icon "$icon" --dist "$work/signed")
echo "$said"
case "$said" in *": signed"*) ;; *) echo "a release with a certificate did not say it is signed" >&2; exit 1 ;; esac
for file in vrlCalendar.exe vrlCalendar-1.0-setup.exe; do
  osslsigncode verify -CAfile "$work/cert.pem" -in "$work/signed/$file" >"$work/verify.log" 2>&1 ||
    { cat "$work/verify.log" >&2; echo "$file: signature does not verify" >&2; exit 1; }
  echo "$file: signature verifies"
done

said=$(env -u VRL_SIGNING_CERT python3 "$here/release/make_release.py" --exe "$program" --icon "$icon" --dist "$work/unsigned")
case "$said" in *UNSIGNED*) ;; *) echo "a release without a certificate did not say it is unsigned" >&2; exit 1 ;; esac
if osslsigncode verify -in "$work/unsigned/vrlCalendar.exe" >/dev/null 2>&1; then
  echo "the unsigned program carries a signature" >&2; exit 1
fi
echo "without a certificate: unsigned, and said so"
