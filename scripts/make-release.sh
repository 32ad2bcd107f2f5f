#!/usr/bin/env bash
# Makes a release: builds the release configuration in its own build folder,
# strips (and, given a certificate, signs) every binary, builds the installer
# and writes the update server's tree, all into one folder:
#
#   dist/<version>/installer/Bimbly-Setup-<version>.exe   (+ SHA256SUMS)
#   dist/<version>/server/                                 (lastver, lastver.sig, files)
#
# Usage: scripts/make-release.sh --key PRIVATE.pem [options]
#   --key FILE            update-signing private key (or BIMBLY_UPDATE_KEY); required.
#                         Its public key is derived from it and built into the programs
#   --public-key FILE     refuse unless this is the public key of --key (or
#                         BIMBLY_UPDATE_PUBLIC_KEY); optional
#   --site-url URL        the maker's site (default: the build's own default)
#   --base-url URL        where the server tree will be served (default: <site>/download/)
#   --serial N            release serial (default: the time in seconds, at most 18
#                         digits); it must be above the last published one, and the
#                         installer records it
#   --server DIR          publish into this server tree, e.g. a copy of the live
#                         one (default: dist/<version>/server)
#   --serial-record FILE  the last published serial, checked and updated (or
#                         BIMBLY_SERIAL_RECORD; default: dist/last-serial)
#   --first-release       there is no earlier release: publish without a last serial.
#                         Otherwise the serial is checked against the lastver of
#                         --server or the serial record, never against nothing
#   --sign-cert FILE      code-signing certificate, PEM/DER or .pfx/.p12 (or BIMBLY_SIGN_CERT)
#   --sign-key FILE       its private key, unless a .pfx/.p12 (or BIMBLY_SIGN_KEY)
#   --sign-password-file FILE   the key's password (or BIMBLY_SIGN_PASSWORD, the text itself)
#   --timestamp-url URL   RFC 3161 time-stamp server for the signatures
#   --out DIR             output folder (default: dist/<version>)
#   --build DIR           build folder (default: build-release)
#   --force               replace an existing output folder's installer/ and
#                         publish over its server/
#
# Make a signing key pair once, outside the repository, with:
#   tools/publish_update.py keygen --out ~/bimbly-keys
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

die() { printf '[bimbly] make-release: %s\n' "$*" >&2; exit 1; }
usage() { sed -n '2,/^set -euo/p' "${BASH_SOURCE[0]}" | sed -e '$d' -e 's/^# \{0,1\}//' >&2; exit "${1:-1}"; }

key="${BIMBLY_UPDATE_KEY:-}"
public_key="${BIMBLY_UPDATE_PUBLIC_KEY:-}"
site_url=""
base_url=""
serial=""
server=""
serial_record="${BIMBLY_SERIAL_RECORD:-$BIMBLY_ROOT/dist/last-serial}"
first_release=0
sign_cert="${BIMBLY_SIGN_CERT:-}"
sign_key="${BIMBLY_SIGN_KEY:-}"
sign_pass_file=""
timestamp_url=""
out=""
build="$BIMBLY_ROOT/build-release"
force=0

while [ $# -gt 0 ]; do
  case "$1" in
    --key|--public-key|--site-url|--base-url|--serial|--sign-cert|--sign-key|--sign-password-file|--timestamp-url|--out|--build|--server|--serial-record)
      [ $# -ge 2 ] && [ -n "$2" ] || die "$1 needs a value"
      case "$1" in
        --key) key="$2" ;;
        --public-key) public_key="$2" ;;
        --site-url) site_url="$2" ;;
        --base-url) base_url="$2" ;;
        --serial) serial="$2" ;;
        --sign-cert) sign_cert="$2" ;;
        --sign-key) sign_key="$2" ;;
        --sign-password-file) sign_pass_file="$2" ;;
        --timestamp-url) timestamp_url="$2" ;;
        --out) out="$2" ;;
        --build) build="$2" ;;
        --server) server="$2" ;;
        --serial-record) serial_record="$2" ;;
      esac
      shift 2 ;;
    --force) force=1; shift ;;
    --first-release) first_release=1; shift ;;
    -h|--help) usage 0 ;;
    *) die "unknown argument: $1 (see --help)" ;;
  esac
done

absolute() { (cd "$(dirname "$1")" && printf '%s/%s\n' "$(pwd)" "$(basename "$1")"); }

# A release without an update-signing key would ship programs that accept
# any manifest: refuse.
[ -n "$key" ] || die "no update-signing key: give --key PRIVATE.pem (or set BIMBLY_UPDATE_KEY).
  Make a key pair once with: tools/publish_update.py keygen --out DIR"
[ -r "$key" ] || die "update-signing key not readable: $key"
grep -q -- "-----BEGIN .*PRIVATE KEY-----" "$key" || die "not a PEM private key: $key"
key="$(absolute "$key")"
if [ -n "$public_key" ]; then
  [ -r "$public_key" ] || die "public key not readable: $public_key"
  public_key="$(absolute "$public_key")"
fi
# One serial for the manifest and for the installer, which records it so that
# the updater never takes an older release for the one installed.
serial="${serial:-$(date +%s)}"
[[ "$serial" =~ ^[0-9]{1,18}$ ]] || die "--serial must be a number of at most 18 digits: $serial"
serial=$((10#$serial))

publisher="$BIMBLY_ROOT/tools/publish_update.py"
[ -f "$publisher" ] || die "the publishing tool $publisher is missing"

signing=0
if [ -n "$sign_cert" ]; then
  [ -r "$sign_cert" ] || die "code-signing certificate not readable: $sign_cert"
  case "$sign_cert" in
    *.pfx|*.p12|*.PFX|*.P12) sign_key="" ;;
    *) [ -n "$sign_key" ] || die "--sign-cert needs --sign-key (or a .pfx/.p12 bundle)"
       [ -r "$sign_key" ] || die "code-signing key not readable: $sign_key"
       sign_key="$(absolute "$sign_key")" ;;
  esac
  sign_cert="$(absolute "$sign_cert")"
  signing=1
elif [ -n "$sign_key" ] || [ -n "$sign_pass_file" ]; then
  die "a code-signing key or password was given without --sign-cert"
fi

cleanup() { [ -n "${password_tmp:-}" ] && rm -f "$password_tmp"; return 0; }
trap cleanup EXIT
if [ "$signing" -eq 1 ]; then
  BIMBLY_PACKAGES+=(osslsigncode)
  if [ -n "$sign_pass_file" ]; then
    [ -r "$sign_pass_file" ] || die "password file not readable: $sign_pass_file"
    sign_pass_file="$(absolute "$sign_pass_file")"
  elif [ -n "${BIMBLY_SIGN_PASSWORD:-}" ]; then
    # Handed over in a private file, not on a command line others can read.
    password_tmp="$(mktemp)"
    chmod 600 "$password_tmp"
    printf '%s' "$BIMBLY_SIGN_PASSWORD" >"$password_tmp"
    sign_pass_file="$password_tmp"
  fi
  export BIMBLY_SIGN_CERT="$sign_cert" BIMBLY_SIGN_KEY="$sign_key" BIMBLY_SIGN_PASS_FILE="$sign_pass_file"
  export BIMBLY_SIGN_TIMESTAMP_URL="$timestamp_url" BIMBLY_SIGN_NAME="Bimbly"
fi

if [ "$signing" -eq 0 ]; then
  log "no code-signing certificate (--sign-cert): this release will be UNSIGNED"
fi
install_packages

# The key built into the programs is always the one that signs: derived from
# --key, never taken from a file that may be stale or, by a slip, the private key.
mkdir -p "$build"
derived_public_key="$build/update-signing.pub"
/usr/bin/python3 "$publisher" pubkey --key "$key" --out "$derived_public_key" ${public_key:+--expect "$public_key"} \
  >/dev/null || die "the public key does not match --key"
public_key="$derived_public_key"
log "configuring the release build in $build"
cmake_args=(-S "$BIMBLY_ROOT" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$BIMBLY_ROOT/cmake/mingw-w64-x86_64.cmake"
  -DCMAKE_BUILD_TYPE=Release -DBIMBLY_BENCH=OFF -DBIMBLY_UPDATE_PUBLIC_KEY="$public_key"
  -DBIMBLY_RELEASE_SERIAL="$serial")
if [ -n "$site_url" ]; then cmake_args+=(-DBIMBLY_SITE_URL="$site_url"); else cmake_args+=(-UBIMBLY_SITE_URL); fi
if [ "$signing" -eq 1 ]; then
  cmake_args+=(-DBIMBLY_INSTALLER_SIGN_COMMAND="$BIMBLY_ROOT/scripts/sign-file.sh")
else
  cmake_args+=(-DBIMBLY_INSTALLER_SIGN_COMMAND=)
fi
cmake "${cmake_args[@]}" >/dev/null

version="$(sed -n 's/^BIMBLY_VERSION:INTERNAL=//p' "$build/CMakeCache.txt")"
[ -n "$version" ] || die "the build did not report its version"
[ -n "$site_url" ] || site_url="$(sed -n 's/^BIMBLY_SITE_URL:[A-Z]*=//p' "$build/CMakeCache.txt")"
[ -n "$site_url" ] || site_url="https://bimbly.example"
[ -n "$base_url" ] || base_url="${site_url%/}/download/"
export BIMBLY_SIGN_URL="$site_url"
out="${out:-$BIMBLY_ROOT/dist/$version}"

explicit_server="$server"
server="${server:-$out/server}"
# Serials only grow, checked before the build against the live tree's copy or
# the record of the last one published; an empty folder proves nothing.
last_serial=""
if [ -f "$server/lastver" ]; then
  last_serial="$(sed -n 's/^serial=\([0-9]*\)\r\{0,1\}$/\1/p' "$server/lastver" | head -n 1)"
fi
if [ -f "$serial_record" ]; then
  recorded="$(tr -d ' \r\n' <"$serial_record")"
  [[ "$recorded" =~ ^[0-9]{1,18}$ ]] || die "the serial record $serial_record holds no serial"
  if [ -z "$last_serial" ] || [ "$((10#$recorded))" -gt "$((10#$last_serial))" ]; then last_serial="$recorded"; fi
fi
if [ -z "$last_serial" ] && [ "$first_release" -eq 0 ]; then
  die "no last serial: give --server with a copy of the live tree, or --serial-record FILE; --first-release for the very first"
fi
if [ -n "$last_serial" ] && [ "$serial" -le "$((10#$last_serial))" ]; then
  die "serial $serial is not above the last published $last_serial"
fi
if [ -e "$out/installer" ] || { [ -z "$explicit_server" ] && [ -e "$server" ]; }; then
  [ "$force" -eq 1 ] || die "$out already holds a release; --force replaces its installer and publishes over its server tree"
  rm -rf "$out/installer"
fi

# Fresh binaries every time: strip and signature are applied to new links,
# never on top of an earlier run's.
deliverables_list="$build/out-installer/deliverables.txt"
[ -f "$deliverables_list" ] && xargs -r rm -f <"$deliverables_list"
rm -f "$build"/out-installer/*.exe
log "building $version"
cmake --build "$build" --target deliverables -j"$(nproc)"
mapfile -t deliverables <"$deliverables_list"
[ "${#deliverables[@]}" -ge 10 ] || die "the build made only ${#deliverables[@]} deliverables"

for f in "${deliverables[@]}"; do
  [ -f "$f" ] || die "missing deliverable $f"
  x86_64-w64-mingw32-strip --strip-unneeded "$f"
  if [ "$signing" -eq 1 ]; then
    "$BIMBLY_ROOT/scripts/sign-file.sh" "$f"
  fi
done

log "building the installer"
cmake --build "$build" --target installer
setup="$build/out-installer/Bimbly-Setup-$version.exe"
[ -f "$setup" ] || die "the installer was not built: $setup"

# The publishing tool reads the programs from a folder that holds just them.
files="$build/release-files"
rm -rf "$files"
mkdir -p "$files"
cp -p "${deliverables[@]}" "$files/"

log "publishing the update tree for $base_url"
publish_args=(--version "$version" --base-url "$base_url" --key "$key" --serial "$serial" --serial-record "$serial_record")
[ "$first_release" -eq 1 ] || publish_args+=(--require-previous)
mkdir -p "$(dirname "$serial_record")"
/usr/bin/python3 "$publisher" publish "${publish_args[@]}" "$files" "$server"
[ -f "$server/lastver" ] || die "the publishing tool wrote no $server/lastver"
# The installer only beside a published update tree: both carry the same serial.
mkdir -p "$out/installer"
cp -p "$setup" "$out/installer/"
(cd "$out/installer" && sha256sum "$(basename "$setup")" >SHA256SUMS)

log "release $version in $out"
log "  installer: $out/installer/$(basename "$setup") ($(stat -c %s "$setup") bytes)"
log "  server:    $server (serial $serial; serve it at $base_url)"
if [ "$signing" -eq 1 ]; then
  log "  every binary and the installer are signed with $(basename "$sign_cert")"
else
  log "  UNSIGNED: no code-signing certificate was given (--sign-cert); Windows SmartScreen"
  log "  and virus scanners will warn about the installer and the keyboard lock"
fi
