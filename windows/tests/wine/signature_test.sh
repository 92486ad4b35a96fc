#!/usr/bin/env bash
# Signs copies of a cross build's DLL and window with scripts/sign.sh and a
# certificate made here, and checks with osslsigncode that each carries a
# signature whose digest matches the file and whose chain leads to that
# certificate; and that without a certificate the files stay as they were,
# with one line saying so. Nothing is fetched: no time-stamp server.
#
# Usage: signature_test.sh SIGN_SCRIPT FILE...
set -euo pipefail
sign=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAILED: $*" >&2
  exit 1
}

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=VornEN test signer" \
  -addext "extendedKeyUsage=codeSigning" -addext "keyUsage=digitalSignature" \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/cert.p12" \
  -passout pass:"test password"

copies=()
for file in "$@"; do
  copies+=("$work/$(basename "$file")")
  cp "$file" "${copies[-1]}"
done

out=$(env -u VORNEN_SIGN_PKCS12 bash "$sign" "${copies[@]}")
[[ $(wc -l <<<"$out") == 1 && "$out" == "not signed "* ]] || fail "without a certificate: $out"
for i in "${!copies[@]}"; do
  cmp -s "${copies[$i]}" "$(realpath "${@:i+1:1}")" || fail "${copies[$i]} changed unsigned"
done

VORNEN_SIGN_PKCS12="$work/cert.p12" VORNEN_SIGN_PASSWORD="test password" \
  bash "$sign" "${copies[@]}"
for copy in "${copies[@]}"; do
  # The chain ends at the test's own certificate, so it is trusted here.
  report=$(osslsigncode verify -CAfile "$work/cert.pem" -in "$copy" 2>&1) ||
    fail "$copy: $report"
  current=$(sed -n 's/^Current message digest *: *\([0-9A-F]*\).*/\1/p' <<<"$report")
  calculated=$(sed -n 's/^Calculated message digest *: *\([0-9A-F]*\).*/\1/p' <<<"$report")
  [[ -n "$current" && "$current" == "$calculated" ]] || fail "$copy: digest: $report"
  grep -q "Subject: /CN=VornEN test signer" <<<"$report" || fail "$copy: signer: $report"
  grep -q "^Signature verification: ok" <<<"$report" || fail "$copy: $report"
  echo "$(basename "$copy"): signed, digest $current"
done
