#!/usr/bin/env bash
# Makes a release: builds the release configuration in its own build folder,
# strips (and, given a certificate, signs) every binary, builds the installer
# and writes the update server's tree, all into one folder:
#
#   dist/<version>/installer/Bimbly-Setup-<version>.exe   (+ SHA256SUMS)
#   dist/<version>/server/                                 (lastver, lastver.sig, files)
#
# Usage: scripts/make-release.sh --key PRIVATE.pem [options]
#   --key FILE            update-signing private key (or BIMBLY_UPDATE_KEY); required
#   --public-key FILE     its public key, built into the programs (or
#                         BIMBLY_UPDATE_PUBLIC_KEY; default: the .pub beside the key)
#   --site-url URL        the maker's site (default: the build's own default)
#   --base-url URL        where the server tree will be served (default: <site>/download/)
#   --serial N            release serial (default: the time in seconds); it must grow
#                         from release to release, and the installer records it
#   --server DIR          publish into this server tree, e.g. a copy of the live
#                         one, so the tool can check that serials grow
#                         (default: dist/<version>/server)
#   --sign-cert FILE      code-signing certificate, PEM/DER or .pfx/.p12 (or BIMBLY_SIGN_CERT)
#   --sign-key FILE       its private key, unless a .pfx/.p12 (or BIMBLY_SIGN_KEY)
#   --sign-password-file FILE   the key's password (or BIMBLY_SIGN_PASSWORD, the text itself)
#   --timestamp-url URL   RFC 3161 time-stamp server for the signatures
#   --out DIR             output folder (default: dist/<version>)
#   --build DIR           build folder (default: build-release)
#   --force               replace an existing output folder's installer/ and
#                         publish over its server/
#
# Make a signing key pair once with: tools/publish_update.py keygen --out DIR
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
sign_cert="${BIMBLY_SIGN_CERT:-}"
sign_key="${BIMBLY_SIGN_KEY:-}"
sign_pass_file=""
timestamp_url=""
out=""
build="$BIMBLY_ROOT/build-release"
force=0

while [ $# -gt 0 ]; do
  case "$1" in
    --key|--public-key|--site-url|--base-url|--serial|--sign-cert|--sign-key|--sign-password-file|--timestamp-url|--out|--build|--server)
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
      esac
      shift 2 ;;
    --force) force=1; shift ;;
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
if [ -z "$public_key" ]; then
  for candidate in "$(dirname "$key")/update-signing.pub" "${key%.*}.pub"; do
    [ -f "$candidate" ] && public_key="$candidate" && break
  done
  [ -n "$public_key" ] || die "no public key beside $key: give --public-key FILE"
fi
[ -r "$public_key" ] || die "public key not readable: $public_key"
public_key="$(absolute "$public_key")"
# One serial for the manifest and for the installer, which records it so that
# the updater never takes an older release for the one installed.
serial="${serial:-$(date +%s)}"
[[ "$serial" =~ ^[0-9]{1,18}$ ]] || die "--serial must be a number: $serial"

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
/usr/bin/python3 "$publisher" publish --version "$version" --base-url "$base_url" --key "$key" --serial "$serial" \
  "$files" "$server"
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
