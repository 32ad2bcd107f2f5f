#!/bin/sh
# Regenerate every picture and sound under resources/ (see README,
# "Development: regenerating resources").  Installs its own inputs:
# Debian packages through apt-get, the Fluent Emoji npm package and the
# OpenSFX recordings into build-art/ (git-ignored).  The outputs are
# deterministic; building the suite never needs this script.
set -eu

HERE=$(cd "$(dirname "$0")" && pwd)
REPO=$(dirname "$HERE")
ART="$REPO/build-art"
EMOJI_PKG="fluentui-emoji@1.3.0"
mkdir -p "$ART"

# Debian packages: install only what is missing (another apt may hold the lock).
need=""
for pkg in librsvg2-bin python3-pil python3-numpy python3-scipy fonts-wqy-microhei \
           fonts-dejavu-core; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" \
        || need="$need $pkg"
done
command -v npm >/dev/null 2>&1 || need="$need npm"
if [ -n "$need" ]; then
    echo "installing:$need"
    apt-get install -y -o DPkg::Lock::Timeout=900 $need
fi

# Fluent Emoji SVGs (npm), kept out of the repository.
if [ ! -f "$ART/npm/node_modules/fluentui-emoji/package.json" ]; then
    mkdir -p "$ART/npm"
    npm install --no-audit --no-fund --prefix "$ART/npm" "$EMOJI_PKG"
fi

# OpenSFX recordings: unpack the Debian package without installing it.
if [ ! -f "$ART/opensfx/usr/share/games/openttd/baseset/opensfx/opensfx.cat" ]; then
    mkdir -p "$ART/debs"
    (cd "$ART/debs" && apt-get download openttd-opensfx)
    dpkg-deb -x "$ART"/debs/openttd-opensfx_*.deb "$ART/opensfx"
fi

cd "$REPO"
exec /usr/bin/python3 "$HERE/make_resources.py" "$@"
