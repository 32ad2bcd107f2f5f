#!/usr/bin/env bash
# Signs one Windows binary in place with osslsigncode (Authenticode, SHA-256).
# scripts/make-release.sh sets the environment; makensis calls this for the
# installer and its uninstaller.
#
#   BIMBLY_SIGN_CERT          certificate: PEM/DER chain, or a .pfx/.p12 bundle
#   BIMBLY_SIGN_KEY           private key (not with a .pfx/.p12 bundle)
#   BIMBLY_SIGN_PASS_FILE     file holding the key's password (optional)
#   BIMBLY_SIGN_TIMESTAMP_URL RFC 3161 time-stamp server (optional)
#   BIMBLY_SIGN_NAME, BIMBLY_SIGN_URL  description and address shown by Windows
set -euo pipefail

file="${1:?usage: sign-file.sh FILE}"
: "${BIMBLY_SIGN_CERT:?BIMBLY_SIGN_CERT is not set}"
[ -f "$file" ] || { echo "sign-file.sh: no such file: $file" >&2; exit 1; }

args=(sign -h sha256 -n "${BIMBLY_SIGN_NAME:-Bimbly}")
[ -n "${BIMBLY_SIGN_URL:-}" ] && args+=(-i "$BIMBLY_SIGN_URL")
case "$BIMBLY_SIGN_CERT" in
  *.pfx|*.p12|*.PFX|*.P12) args+=(-pkcs12 "$BIMBLY_SIGN_CERT") ;;
  *) args+=(-certs "$BIMBLY_SIGN_CERT" -key "${BIMBLY_SIGN_KEY:?BIMBLY_SIGN_KEY is not set}") ;;
esac
[ -n "${BIMBLY_SIGN_PASS_FILE:-}" ] && args+=(-readpass "$BIMBLY_SIGN_PASS_FILE")
[ -n "${BIMBLY_SIGN_TIMESTAMP_URL:-}" ] && args+=(-ts "$BIMBLY_SIGN_TIMESTAMP_URL")

signed="$file.signed"
rm -f "$signed"
if ! osslsigncode "${args[@]}" -in "$file" -out "$signed" >"$signed.log" 2>&1; then
  cat "$signed.log" >&2
  rm -f "$signed" "$signed.log"
  echo "sign-file.sh: signing $file failed" >&2
  exit 1
fi
rm -f "$signed.log"
mv -f "$signed" "$file"
