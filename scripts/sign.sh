#!/usr/bin/env bash
# Signs Windows programs and libraries in place (Authenticode, SHA-256) with
# osslsigncode, so that SmartScreen and Smart App Control know who made them.
#
# Usage: sign.sh FILE...
# The certificate comes from the environment:
#   VORNEN_SIGN_PKCS12     a PKCS#12 file with the code-signing certificate,
#                          its chain and its private key
#   VORNEN_SIGN_PASSWORD   the password of that file
#   VORNEN_SIGN_TIMESTAMP  optional: the address of an RFC 3161 time-stamp
#                          server, so that signatures outlive the certificate
# Without VORNEN_SIGN_PKCS12 nothing is signed, and one line says so.
set -euo pipefail

if (($# == 0)); then
  sed -n '5,12p' "$0" >&2
  exit 2
fi
if [[ -z "${VORNEN_SIGN_PKCS12:-}" ]]; then
  echo "not signed (no certificate: VORNEN_SIGN_PKCS12 is not set): $*"
  exit 0
fi
[[ -r "$VORNEN_SIGN_PKCS12" ]] || {
  echo "cannot read the certificate $VORNEN_SIGN_PKCS12" >&2
  exit 1
}
command -v osslsigncode >/dev/null || {
  echo "osslsigncode not found: run scripts/setup.sh" >&2
  exit 1
}

stamp=()
if [[ -n "${VORNEN_SIGN_TIMESTAMP:-}" ]]; then stamp=(-ts "$VORNEN_SIGN_TIMESTAMP"); fi
for file in "$@"; do
  signed="$file.signed"
  rm -f "$signed"
  # The password goes through a pipe, never on a command line that any user
  # of the machine can read.
  osslsigncode sign -pkcs12 "$VORNEN_SIGN_PKCS12" -readpass <(printf '%s' "${VORNEN_SIGN_PASSWORD:-}") \
    -h sha256 -n "$(basename "$file")" "${stamp[@]}" -in "$file" -out "$signed" >/dev/null
  mv "$signed" "$file"
  echo "signed $file"
done
