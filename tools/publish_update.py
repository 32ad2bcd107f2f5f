#!/usr/bin/env python3
"""Turns a folder of release files into the download server's tree.

  publish_update.py keygen --out DIR
      DIR/update-signing.pem  private key (PKCS#8 PEM, P-256), keep it secret
      DIR/update-signing.pub  public key (PEM), given to the build as
                              BIMBLY_UPDATE_PUBLIC_KEY

  publish_update.py publish --version V --base-url URL [--key PRIVATE.pem]
                            [--serial N] RELEASE_DIR SERVER_DIR
      SERVER_DIR/lastver      the manifest: version, and for every file its
                              MD5 ("check"), SHA-256, size and address
      SERVER_DIR/lastver.sig  with --key: ECDSA P-256 signature of lastver
                              (SHA-256, the 64 bytes r || s)
      SERVER_DIR/<files>      the release files, at the addresses listed

Any static web server that serves SERVER_DIR at URL serves the update. With
--key the manifest carries a serial number that must grow from one release to
the next; it defaults to the current time in seconds.
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
    from cryptography.hazmat.primitives import hashes, serialization
    from cryptography.hazmat.primitives.asymmetric import ec, utils
    key = serialization.load_pem_private_key(private_pem, password=None)
    if not isinstance(key, ec.EllipticCurvePrivateKey) or key.curve.name != "secp256r1":
        _fail("the signing key is not a P-256 key")
    r, s = utils.decode_dss_signature(key.sign(data, ec.ECDSA(hashes.SHA256())))
    return r.to_bytes(32, "big") + s.to_bytes(32, "big")


def _write_atomically(path, data):
    fd, temp = tempfile.mkstemp(dir=os.path.dirname(path) or ".", prefix=".publish-")
    with os.fdopen(fd, "wb") as f:
        f.write(data)
    os.chmod(temp, 0o644)  # served by a web server running as another user
    os.replace(temp, path)


def _published_serial(server_dir):
    try:
        with open(os.path.join(server_dir, MANIFEST), "rb") as f:
            m = re.search(rb"^serial=(\d+)\s*$", f.read(), re.M)
        return int(m.group(1)) if m else None
    except OSError:
        return None


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
    base = args.base_url.rstrip("/") + "/"
    private_pem = None
    if args.key:
        with open(args.key, "rb") as f:
            private_pem = f.read()
    serial = args.serial
    if private_pem is not None and serial is None:
        serial = int(time.time())
    previous = _published_serial(args.server_dir)
    if serial is not None and previous is not None:
        if serial < previous:
            _fail("serial %d is lower than the published %d; serials only grow" % (serial, previous))
        if args.serial is None:
            serial = max(serial, previous + 1)

    release = os.path.abspath(args.release_dir)
    entries = []
    for root, dirs, files in os.walk(release):
        dirs.sort()
        for name in sorted(files):
            full = os.path.join(root, name)
            rel = os.path.relpath(full, release).replace(os.sep, "\\")
            if not safe_name(rel):
                _fail("the updater would refuse the file name " + rel)
            md5, sha = file_digests(full)
            url = base + urllib.parse.quote(rel.replace("\\", "/"))
            entries.append({"file": rel, "size": os.path.getsize(full), "check": md5, "sha256": sha,
                            "urls": [url], "source": full})
    if not entries:
        _fail("the release folder holds no files")

    os.makedirs(args.server_dir, exist_ok=True)
    for e in entries:
        dest = os.path.join(args.server_dir, *e["file"].split("\\"))
        os.makedirs(os.path.dirname(dest), exist_ok=True)
        shutil.copyfile(e["source"], dest + ".publishing")
        os.replace(dest + ".publishing", dest)
    text = manifest_text(args.version, entries, serial)
    sig_path = os.path.join(args.server_dir, SIGNATURE)
    if private_pem is not None:
        # The signature goes first: a client never sees a new manifest with an old signature
        # for longer than the one rename takes.
        _write_atomically(sig_path, sign(private_pem, text))
    elif os.path.exists(sig_path):
        os.remove(sig_path)
    _write_atomically(os.path.join(args.server_dir, MANIFEST), text)
    print("published %s (%d files%s) to %s" % (args.version, len(entries),
                                              ", serial %d, signed" % serial if private_pem else "", args.server_dir))


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    k = sub.add_parser("keygen", help="make a signing key pair")
    k.add_argument("--out", required=True)
    p = sub.add_parser("publish", help="write the server tree for a release")
    p.add_argument("--version", required=True)
    p.add_argument("--base-url", required=True)
    p.add_argument("--key")
    p.add_argument("--serial", type=int)
    p.add_argument("release_dir")
    p.add_argument("server_dir")
    args = parser.parse_args(argv)
    if args.command == "keygen":
        keygen(args)
    else:
        if args.serial is not None and args.serial < 0:
            _fail("the serial must not be negative")
        publish(args)


if __name__ == "__main__":
    main()
