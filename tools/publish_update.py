#!/usr/bin/env python3
"""Turns a folder of release files into the download server's tree.

  publish_update.py keygen --out DIR
      DIR/update-signing.pem  private key (PKCS#8 PEM, P-256), keep it secret
                              and outside the repository
      DIR/update-signing.pub  public key (PEM)

  publish_update.py pubkey --key PRIVATE.pem --out FILE [--expect PUBLIC.pem]
      writes the public key of PRIVATE.pem to FILE, the key to build into the
      programs; with --expect, refuses unless PUBLIC.pem is that same key

  publish_update.py publish --version V --base-url URL [--key PRIVATE.pem]
                            [--serial N] [--serial-record FILE] [--require-previous]
                            RELEASE_DIR SERVER_DIR
      SERVER_DIR/<serial>/<files>  the release files, in a folder of their own
      SERVER_DIR/lastver      the manifest: version, serial, and for every
                              file its MD5 ("check"), SHA-256, size and address
      SERVER_DIR/lastver.sig  with --key: ECDSA P-256 signature of lastver
                              (SHA-256, the 64 bytes r || s)

Any static web server that serves SERVER_DIR at URL serves the update. The
serial (default: the time in seconds, at most 18 digits) must be above the one
of the manifest in SERVER_DIR and above the one in --serial-record, which the
tool updates after it published; --require-previous refuses when neither
holds one, so that a release is never checked against an empty folder. Files
the live manifest still names are never overwritten: each release has its own
folder, and the manifest and its signature are swapped in last, each by a
rename. A lock file in SERVER_DIR refuses a second publish at the same time.
"""
import argparse
import hashlib
import os
import re
import shutil
import sys
import tempfile
import time
import urllib.parse

MANIFEST = "lastver"
SIGNATURE = "lastver.sig"
LOCK = ".publish.lock"
# Serials are at most 18 digits: the updater refuses longer ones.
MAX_SERIAL = 10 ** 18 - 1
_DEVICE = re.compile(r"^(con|prn|aux|nul|conin\$|conout\$|com[0-9]|lpt[0-9])(\..*)?$", re.I)


def _fail(message):
    print("publish_update: " + message, file=sys.stderr)
    sys.exit(1)


def file_digests(path):
    md5, sha = hashlib.md5(), hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            md5.update(block)
            sha.update(block)
    return md5.hexdigest(), sha.hexdigest()


def safe_name(rel):
    parts = rel.split("\\")
    return rel and all(p and p not in (".", "..") and not _DEVICE.match(p) and not p.endswith((".", " "))
                       and not any(c in p for c in ':*?"<>|') for p in parts)


def manifest_text(version, entries, serial=None):
    """entries: dicts with file, size, check, sha256, urls and optional runonce."""
    lines = ["[Version]", "ver=" + version]
    if serial is not None:
        lines.append("serial=%d" % serial)
    for n, e in enumerate(entries):
        lines += ["", "[File%d]" % n, "file=" + e["file"], "size=%s" % e["size"],
                  "runonce=" + e.get("runonce", ""), "check=" + e["check"]]
        if e.get("sha256"):
            lines.append("sha256=" + e["sha256"])
        lines += ["url%d=%s" % (u, url) for u, url in enumerate(e["urls"])]
    return ("\r\n".join(lines) + "\r\n").encode("gbk")


def sign(private_pem, data):
    from cryptography.hazmat.primitives import hashes
    from cryptography.hazmat.primitives.asymmetric import ec, utils
    key = _load_private(private_pem)
    r, s = utils.decode_dss_signature(key.sign(data, ec.ECDSA(hashes.SHA256())))
    return r.to_bytes(32, "big") + s.to_bytes(32, "big")


def _write_beside(path, data):
    """Writes data under a temporary name beside path; returns that name."""
    fd, temp = tempfile.mkstemp(dir=os.path.dirname(path) or ".", prefix=".publish-")
    with os.fdopen(fd, "wb") as f:
        f.write(data)
        f.flush()
        os.fsync(f.fileno())
    os.chmod(temp, 0o644)  # served by a web server running as another user
    return temp


def _published_serial(server_dir):
    try:
        with open(os.path.join(server_dir, MANIFEST), "rb") as f:
            m = re.search(rb"^serial=(\d+)\s*$", f.read(), re.M)
        return int(m.group(1)) if m else None
    except OSError:
        return None


def _recorded_serial(record):
    if not record or not os.path.exists(record):
        return None
    with open(record) as f:
        text = f.read().strip()
    if not re.fullmatch(r"\d{1,18}", text):
        _fail("the serial record %s holds no serial: %r" % (record, text))
    return int(text)


def _load_private(pem):
    from cryptography.hazmat.primitives import serialization
    from cryptography.hazmat.primitives.asymmetric import ec
    try:
        key = serialization.load_pem_private_key(pem, password=None)
    except (ValueError, TypeError) as e:
        _fail("not an unencrypted PEM private key: %s" % e)
    if not isinstance(key, ec.EllipticCurvePrivateKey) or key.curve.name != "secp256r1":
        _fail("the signing key is not a P-256 key")
    return key


def _public_pem(key):
    from cryptography.hazmat.primitives import serialization
    return key.public_bytes(serialization.Encoding.PEM, serialization.PublicFormat.SubjectPublicKeyInfo)


def pubkey(args):
    from cryptography.hazmat.primitives import serialization
    with open(args.key, "rb") as f:
        derived = _public_pem(_load_private(f.read()).public_key())
    if args.expect:
        with open(args.expect, "rb") as f:
            given = f.read()
        if b"PRIVATE KEY" in given:
            _fail("%s holds a private key, not the public key" % args.expect)
        try:
            given_key = serialization.load_pem_public_key(given)
        except ValueError:
            _fail("%s is not a PEM public key" % args.expect)
        if _public_pem(given_key) != derived:
            _fail("%s is not the public key of %s" % (args.expect, args.key))
    with open(args.out, "wb") as f:
        f.write(derived)
    print(args.out)


def keygen(args):
    from cryptography.hazmat.primitives import serialization
    from cryptography.hazmat.primitives.asymmetric import ec
    os.makedirs(args.out, exist_ok=True)
    private, public = (os.path.join(args.out, "update-signing." + x) for x in ("pem", "pub"))
    if os.path.exists(private):
        _fail(private + " exists; refusing to overwrite a signing key")
    key = ec.generate_private_key(ec.SECP256R1())
    fd = os.open(private, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600)
    with os.fdopen(fd, "wb") as f:
        f.write(key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                                  serialization.NoEncryption()))
    with open(public, "wb") as f:
        f.write(key.public_key().public_bytes(serialization.Encoding.PEM,
                                              serialization.PublicFormat.SubjectPublicKeyInfo))
    print(public)


def publish(args):
    if not args.version.strip():
        _fail("the version must not be empty")
    if not os.path.isdir(args.release_dir):
        _fail("no release folder " + args.release_dir)
    os.makedirs(args.server_dir, exist_ok=True)
    lock = os.path.join(args.server_dir, LOCK)
    try:
        fd = os.open(lock, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o644)
    except FileExistsError:
        _fail("another publish holds %s; if none runs, remove it by hand" % lock)
    with os.fdopen(fd, "w") as f:
        f.write("%d\n" % os.getpid())
    try:
        _publish_locked(args)
    finally:
        os.remove(lock)


def _publish_locked(args):
    base = args.base_url.rstrip("/") + "/"
    private_pem = None
    if args.key:
        with open(args.key, "rb") as f:
            private_pem = f.read()
    previous = [p for p in (_published_serial(args.server_dir), _recorded_serial(args.serial_record))
                if p is not None]
    if args.require_previous and not previous:
        _fail("neither %s nor the serial record holds an earlier serial; publish into a copy of the live "
              "tree or give the last serial (for the very first release, say so)" % args.server_dir)
    last = max(previous) if previous else None
    serial = args.serial
    if serial is None:
        serial = int(time.time())
        if last is not None:
            serial = max(serial, last + 1)
    if serial > MAX_SERIAL:
        _fail("serial %d has more than 18 digits; every client would refuse it" % serial)
    if last is not None and serial <= last:
        _fail("serial %d is not above the last published %d; serials only grow" % (serial, last))

    release = os.path.abspath(args.release_dir)
    folder = str(serial)
    entries = []
    for root, dirs, files in os.walk(release):
        dirs.sort()
        for name in sorted(files):
            full = os.path.join(root, name)
            rel = os.path.relpath(full, release).replace(os.sep, "\\")
            if not safe_name(rel):
                _fail("the updater would refuse the file name " + rel)
            md5, sha = file_digests(full)
            url = base + folder + "/" + urllib.parse.quote(rel.replace("\\", "/"))
            entries.append({"file": rel, "size": os.path.getsize(full), "check": md5, "sha256": sha,
                            "urls": [url], "source": full})
    if not entries:
        _fail("the release folder holds no files")

    # The release's own folder: files the live manifest names are never touched.
    target = os.path.join(args.server_dir, folder)
    if os.path.exists(target):
        _fail("%s exists already; a serial is published once" % target)
    staging = os.path.join(args.server_dir, ".publishing-" + folder)
    shutil.rmtree(staging, ignore_errors=True)
    for e in entries:
        dest = os.path.join(staging, *e["file"].split("\\"))
        os.makedirs(os.path.dirname(dest), exist_ok=True)
        shutil.copyfile(e["source"], dest)
        os.chmod(dest, 0o644)
    os.rename(staging, target)

    text = manifest_text(args.version, entries, serial)
    manifest_path = os.path.join(args.server_dir, MANIFEST)
    sig_path = os.path.join(args.server_dir, SIGNATURE)
    manifest_temp = _write_beside(manifest_path, text)
    if private_pem is not None:
        # The signature first, then the manifest, each by one rename: a client
        # never sees a half-written file, at worst for a moment a pair that does
        # not match, which it refuses and fetches again next time.
        os.replace(_write_beside(sig_path, sign(private_pem, text)), sig_path)
    elif os.path.exists(sig_path):
        os.remove(sig_path)
    os.replace(manifest_temp, manifest_path)
    if args.serial_record:
        os.replace(_write_beside(args.serial_record, b"%d\n" % serial), args.serial_record)
    print("published %s (%d files, serial %d%s) to %s" % (args.version, len(entries), serial,
                                                         ", signed" if private_pem else "", args.server_dir))


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    k = sub.add_parser("keygen", help="make a signing key pair")
    k.add_argument("--out", required=True)
    pk = sub.add_parser("pubkey", help="write the public key of a private key")
    pk.add_argument("--key", required=True)
    pk.add_argument("--out", required=True)
    pk.add_argument("--expect")
    p = sub.add_parser("publish", help="write the server tree for a release")
    p.add_argument("--version", required=True)
    p.add_argument("--base-url", required=True)
    p.add_argument("--key")
    p.add_argument("--serial", type=int)
    p.add_argument("--serial-record")
    p.add_argument("--require-previous", action="store_true")
    p.add_argument("release_dir")
    p.add_argument("server_dir")
    args = parser.parse_args(argv)
    if args.command == "keygen":
        keygen(args)
    elif args.command == "pubkey":
        pubkey(args)
    else:
        if args.serial is not None and args.serial < 0:
            _fail("the serial must not be negative")
        publish(args)


if __name__ == "__main__":
    main()
