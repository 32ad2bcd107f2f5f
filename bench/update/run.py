#!/usr/bin/env python3
"""Digest and download throughput of the updater beside md5sum and curl, in
one run on the same 200 MB file and the same local server. Run through
bench/run.sh update (which starts Wine and the display)."""
import http.server
import os
import re
import subprocess
import sys
import tempfile
import threading
import time

BINS = sys.argv[1]
SIZE = 200 * 1024 * 1024
RUNS = 3


def best(fn):
    return min(fn() for _ in range(RUNS))


def timed(cmd):
    start = time.monotonic()
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.monotonic() - start


def ours(*args):
    out = subprocess.run(["wine", os.path.join(BINS, "update_bench.exe")] + list(args), check=True,
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout.decode()
    return {m.group(1): float(m.group(2)) for m in re.finditer(r"^(\w+) \S+ ([\d.]+)", out, re.M)}


def main():
    folder = tempfile.mkdtemp(prefix="update-bench-")
    data = os.path.join(folder, "release.bin")
    with open(data, "wb") as f:
        block = os.urandom(1 << 20)
        for _ in range(SIZE >> 20):
            f.write(block)
    mb = SIZE / (1 << 20)
    subprocess.run(["cat", data], stdout=subprocess.DEVNULL)  # warm the page cache

    md5sum = best(lambda: timed(["md5sum", data]))
    digests = [ours("digest", "Z:" + data.replace("/", "\\")) for _ in range(RUNS)]
    md5 = min(d["md5"] for d in digests)
    sha = min(d["sha256"] for d in digests)
    print("digest of %d MB (best of %d):" % (mb, RUNS))
    print("  md5sum           %7.1f MB/s" % (mb / md5sum))
    print("  FileMd5Hex       %7.1f MB/s  (%.2fx md5sum)" % (mb / md5, md5sum / md5))
    print("  FileSha256Hex    %7.1f MB/s" % (mb / sha))

    class Handler(http.server.SimpleHTTPRequestHandler):
        def __init__(self, *a, **kw):
            super().__init__(*a, directory=folder, **kw)

        def log_message(self, *a):
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = "http://127.0.0.1:%d/release.bin" % server.server_address[1]
    out = os.path.join(folder, "got.bin")
    try:
        curl = best(lambda: timed(["curl", "-s", "-o", out, url]))
        dl = min(ours("download", url, "Z:" + out.replace("/", "\\"))["download"] for _ in range(RUNS))
    finally:
        server.shutdown()
    print("download of %d MB from one local http.server (best of %d):" % (mb, RUNS))
    print("  curl             %7.1f MB/s" % (mb / curl))
    print("  DownloadFile     %7.1f MB/s  (%.2fx curl)" % (mb / dl, curl / dl))
    for name in os.listdir(folder):
        os.remove(os.path.join(folder, name))
    os.rmdir(folder)


if __name__ == "__main__":
    main()
