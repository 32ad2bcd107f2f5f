#!/usr/bin/env python3
"""End-to-end tests of updates: the real Update.exe, Upmender.exe and
Tobble.exe under Wine against the fault-injecting server on 127.0.0.1.

Every case runs in its own scratch program folder. The updater's own
download server (the build's site) never resolves here, so "updatetest.ini"
turns on the loopback test server at port 80, which this script serves.
Signed cases use the build of Update.exe that trusts the test key."""
import argparse
import configparser
import hashlib
import os
import shutil
import subprocess
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools"))
import publish_update  # noqa: E402
from update_server import FaultServer, Route, free_port  # noqa: E402

BUILD = None
OLD = b"old music module " * 500
NEW = b"new music module " * 700
TEST_KEY = os.path.join(HERE, "update_keys", "update-signing.pem")
GAME_MUTEX, UPDATE_MUTEX, HELPER_MUTEX = "TobbleBabyPlaying", "TobbleBabyUpdate", "TobbleBabyUpdateHelp"
T_NO_UPDATE = "没有可用的更新。"
T_NOT_FOUND = "找不到更新文件。"
T_CONNECTION = "与服务器连接出错，请稍后再试或检查您的网络配置。"
T_NOT_GENUINE = "错误信息:签名无效，这不是正式发布的更新。"
T_ROLLBACK = "错误信息:更新的发布序号低于已安装的版本，这不是正式发布的更新。"


def md5(b):
    return hashlib.md5(b).hexdigest()


def sha(b):
    return hashlib.sha256(b).hexdigest()


def win(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wine(args, timeout=60):
    return subprocess.run(["wine"] + args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                          stdin=subprocess.DEVNULL, timeout=timeout)


def helper(*args, timeout=60):
    return wine([os.path.join(BUILD, "tests-bin", "update_e2e_helper.exe")] + list(args), timeout=timeout)


def kill_when(args, reached, limit=90):
    """Starts a program and kills it the moment `reached()` holds (looked at
    every 5 ms, for at most `limit` s). True when it was still running then."""
    proc = subprocess.Popen(["wine"] + args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    killed = False
    try:
        end = time.monotonic() + limit
        while time.monotonic() < end and proc.poll() is None:
            if reached():
                break
            time.sleep(0.005)
    finally:
        if proc.poll() is None:
            proc.kill()
            killed = True
        proc.wait(timeout=30)
    return killed


def entry(name, body, urls, check=None, sha256=None, size=True, runonce=""):
    return {"file": name, "size": len(body) if size else "", "check": check or md5(body),
            "sha256": sha256 if sha256 is not None else sha(body), "urls": urls, "runonce": runonce}


class Folder:
    """A scratch program folder with the updater, the helper and an old module."""

    def __init__(self, name, keyed=False, test_server=True):
        self.root = os.path.join(BUILD, "tests-bin", "update-e2e", name)
        shutil.rmtree(self.root, ignore_errors=True)
        self.prog = os.path.join(self.root, "prog")
        os.makedirs(os.path.join(self.prog, "download"))
        updater = os.path.join(BUILD, "tests-bin", "keyed", "Update.exe") if keyed else \
            os.path.join(BUILD, "out", "Update.exe")
        shutil.copy(updater, self.prog)
        shutil.copy(os.path.join(BUILD, "out", "Upmender.exe"), self.prog)
        self.write("Music.dll", OLD)
        self.write("config.ini", b"[Update]\r\nMode=manu\r\n")
        if test_server:
            self.write("download/updatetest.ini", b"[UpdateTest]\r\nenable=true\r\n")

    def path(self, rel):
        return os.path.join(self.prog, *rel.replace("\\", "/").split("/"))

    def write(self, rel, data):
        os.makedirs(os.path.dirname(self.path(rel)), exist_ok=True)
        with open(self.path(rel), "wb") as f:
            f.write(data)

    def read(self, rel):
        try:
            with open(self.path(rel), "rb") as f:
                return f.read()
        except OSError:
            return None

    def ini(self, rel):
        c = configparser.ConfigParser(interpolation=None)
        c.optionxform = str
        data = self.read(rel)
        if data:
            c.read_string(data.decode("gbk", "replace"))
        return c

    def exe(self, name):
        return win(self.path(name))

    def run_update(self, *args, timeout=90):
        start = time.monotonic()
        wine([self.path("Update.exe")] + list(args), timeout=timeout)
        return time.monotonic() - start

    def wait_helper_gone(self, limit=30):
        end = time.monotonic() + limit
        while time.monotonic() < end:
            if helper("running", self.exe("Upmender.exe")).returncode != 0:
                return True
            time.sleep(0.5)
        return False

    def dialog_text(self, timeout=40):
        """Runs Update.exe in dialog mode and returns its two lines once they settle."""
        proc = subprocess.Popen(["wine", self.path("Update.exe")], stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        try:
            out = helper("status", str(timeout), timeout=timeout * 3).stdout.decode("utf-8", "replace")
            proc.wait(timeout=30)
        finally:
            if proc.poll() is None:
                proc.kill()
        return tuple(out.split("\n", 1)) if "\n" in out else (out, "")


def serve(server, manifest_entries, version="0.3.3.121", serial=None, key=TEST_KEY, sign=False,
          tamper=None, routes=None):
    text = publish_update.manifest_text(version, manifest_entries, serial)
    server.routes.clear()
    server.hits.clear()
    server.routes["/download/lastver"] = Route(text)
    if sign:
        with open(key, "rb") as f:
            signature = publish_update.sign(f.read(), text)
        server.routes["/download/lastver.sig"] = Route(signature)
    if tamper:
        server.routes["/download/lastver"] = Route(tamper(text))
    server.routes["/download/Music.dll"] = Route(NEW)
    for path, route in (routes or {}).items():
        server.routes[path] = route


def music(server, **kw):
    return entry("Music.dll", NEW, [server.url("/download/Music.dll")], **kw)


class UpdateFaults(unittest.TestCase):
    """One table: each row sets up the server and the folder, runs the updater
    in the background and checks what was installed, fetched and left."""

    server = None

    @classmethod
    def setUpClass(cls):
        cls.server = FaultServer(80).__enter__()
        cls.tls = FaultServer(free_port(), tls=True).__enter__()
        # A second TLS server whose own CA the prefix is made to trust, as a
        # real server's CA is trusted on Windows.
        cls.trusted = FaultServer(free_port(), tls=True).__enter__()
        cls.ca = os.path.join(BUILD, "tests-bin", "update-e2e-ca.der")
        os.makedirs(os.path.dirname(cls.ca), exist_ok=True)
        with open(cls.ca, "wb") as f:
            f.write(cls.trusted.cert_der())
        cls.ca_added = helper("trust", "add", win(cls.ca)).returncode == 0

    @classmethod
    def tearDownClass(cls):
        if cls.ca_added:
            helper("trust", "remove", win(cls.ca))
        cls.server.__exit__(None, None, None)
        cls.tls.__exit__(None, None, None)
        cls.trusted.__exit__(None, None, None)

    def check_case(self, name, setup, music_after, helper_runs=False, no_hits=(), max_seconds=None,
                   keyed=False, test_server=True, text=None, extra=None):
        only = os.environ.get("UPDATE_CASE")
        if only and only not in name:
            return
        with self.subTest(name):
            folder = Folder(name, keyed=keyed, test_server=test_server)
            setup(self.server, folder)
            if text is not None:
                shown = folder.dialog_text()
                if isinstance(text, str):
                    self.assertEqual(shown[1], text)
                else:  # (status, start of the detail)
                    self.assertEqual(shown[0], text[0])
                    self.assertTrue(shown[1].startswith(text[1]), shown[1])
            else:
                took = folder.run_update("background")
                if max_seconds:
                    self.assertLess(took, max_seconds)
            if helper_runs:
                self.assertTrue(folder.wait_helper_gone())
            self.assertEqual(folder.read("Music.dll"), NEW if music_after == "new" else OLD)
            for path in no_hits:
                self.assertEqual(self.server.hits[path], 0, path)
            # Nothing half-done is left in the download folder.
            self.assertIsNone(folder.read("download/lastver.ini.part"))
            if music_after == "old":
                self.assertNotIn(folder.read("download/Music.dll_"), (NEW[:len(NEW) // 2],))
            if extra:
                extra(self, folder)

    def test_fault_table(self):
        s, t, trusted = self.server, self.tls, self.trusted
        self.assertTrue(self.ca_added, "the test CA could not be added to the trusted roots")
        long_name = "a" * 240 + ".dll"
        hostile = ["..\\x.dll", "C:\\x.dll", "\\\\host\\x", "CON", "a:b", long_name, "sub\\..\\..\\y.dll"]
        drive_c = os.path.join(os.environ.get("WINEPREFIX", ""), "drive_c")

        def installed_version(case, f):
            v = f.ini("verinfo.ini")
            case.assertEqual(v["Version"]["ver"], "0.3.3.121")
            case.assertEqual(v["History0"]["ver"], "0.1")
            case.assertEqual(v["Version"]["path"].lower(), (win(f.prog) + "\\").lower())

        def nothing_outside(case, f):
            case.assertEqual(sorted(os.listdir(f.root)), ["prog"])
            case.assertFalse(os.path.exists(os.path.join(drive_c, "x.dll")))
            case.assertEqual(sorted(os.listdir(f.prog)), ["Music.dll", "Update.exe", "Upmender.exe",
                                                          "config.ini", "download", "verinfo.ini"])
            # A finished update leaves no update files and no old copies.
            case.assertEqual(sorted(os.listdir(f.path("download"))), ["updatetest.ini"])

        def uppercase_listed(case, f):
            case.assertEqual(f.ini("download/update.ini")["File0"]["check"], md5(NEW).upper())

        cases = [
            # name, setup(server, folder), Music.dll after, keywords
            ("no update", lambda s_, f: serve(s, [entry("Music.dll", OLD, [s.url("/download/Music.dll")])]),
             "old", dict(text=T_NO_UPDATE, no_hits=["/download/Music.dll"])),
            ("empty version", lambda s_, f: serve(s, [music(s)], version=""),
             "old", dict(text=T_NO_UPDATE, no_hits=["/download/Music.dll"])),
            ("plain update, test server", lambda s_, f: serve(s, [music(s)]),
             "new", dict(helper_runs=True, extra=installed_version)),
            ("server down (no test server enabled)", lambda s_, f: serve(s, [music(s)]),
             "old", dict(test_server=False, no_hits=["/download/lastver"], text=(T_CONNECTION, "错误信息:"))),
            ("three addresses, two failing", lambda s_, f: serve(s, [entry("Music.dll", NEW, [
                "http://127.0.0.1:1/download/Music.dll", s.url("/download/gone.dll"),
                s.url("/download/Music.dll")])]), "new", dict(helper_runs=True)),
            ("uppercase digest", lambda s_, f: serve(s, [music(s, check=md5(NEW).upper())]),
             "old", dict(text=T_NOT_FOUND, extra=uppercase_listed)),
            ("manifest 404", lambda s_, f: s.routes.clear(), "old",
             dict(text=(T_CONNECTION, "错误信息:404"))),
            ("manifest 500", lambda s_, f: serve(s, [music(s)], routes={"/download/lastver": Route(status=500)}),
             "old", dict(text=(T_CONNECTION, "错误信息:500"), no_hits=["/download/Music.dll"])),
            ("file 404", lambda s_, f: serve(s, [music(s)], routes={"/download/Music.dll": Route(status=404)}),
             "old", {}),
            ("truncated body", lambda s_, f: serve(s, [music(s)], routes={
                "/download/Music.dll": Route(NEW, fault="truncate")}), "old", {}),
            ("truncated body, no size", lambda s_, f: serve(s, [music(s, size=False)], routes={
                "/download/Music.dll": Route(NEW, fault="truncate")}), "old", {}),
            ("wrong digest", lambda s_, f: serve(s, [music(s, check=md5(b"other"))]), "old", {}),
            ("oversize body", lambda s_, f: serve(s, [music(s)], routes={
                "/download/Music.dll": Route(NEW, fault="oversize")}), "old", dict(max_seconds=30)),
            ("stalled transfer", lambda s_, f: serve(s, [music(s)], routes={
                "/download/Music.dll": Route(NEW, fault="stall")}), "old", dict(max_seconds=40)),
            ("self-signed HTTPS", lambda s_, f: (serve(s, [entry("Music.dll", NEW, [t.url("/download/Music.dll")])]),
                                                  t.routes.update({"/download/Music.dll": Route(NEW)})),
             "old", dict(extra=lambda case, f: case.assertEqual(sum(t.hits.values()), 0))),
            ("HTTPS with a trusted CA", lambda s_, f: (
                serve(s, [entry("Music.dll", NEW, [trusted.url("/download/Music.dll")])]),
                trusted.routes.update({"/download/Music.dll": Route(NEW)})),
             "new", dict(helper_runs=True, no_hits=["/download/Music.dll"], extra=lambda case, f: case.assertEqual(
                 trusted.hits["/download/Music.dll"], 1))),
            ("hostile names", lambda s_, f: serve(s, [
                entry(n, NEW, [s.url("/download/h%d" % i)]) for i, n in enumerate(hostile)] + [
                entry("Music.dll", NEW, [s.url("/download/Music.dll")])], routes={
                "/download/h%d" % i: Route(NEW) for i in range(len(hostile))}),
             "new", dict(helper_runs=True, extra=nothing_outside,
                         no_hits=["/download/h%d" % i for i in range(len(hostile))])),
        ]
        for name, setup, after, kw in cases:
            self.check_case(name, setup, after, **kw)

    def test_tampered_table(self):
        s = self.server
        other_key = os.path.join(BUILD, "tests-bin", "update-e2e", "other-key", "update-signing.pem")
        if not os.path.exists(other_key):
            shutil.rmtree(os.path.dirname(other_key), ignore_errors=True)
            publish_update.main(["keygen", "--out", os.path.dirname(other_key)])

        def flip(text):
            i = text.index(b"ver=") + 4
            return text[:i] + bytes([text[i] ^ 1]) + text[i + 1:]

        def serial_recorded(case, f):
            case.assertEqual(f.ini("verinfo.ini")["Version"]["serial"], "200")

        def installed_serial(serial):
            return lambda f: f.write("verinfo.ini", b"[Version]\r\nver=0.3\r\nserial=%d\r\n" % serial)

        file_paths = ["/download/Music.dll"]
        cases = [
            ("signed update installs", lambda s_, f: serve(s, [music(s)], serial=200, sign=True),
             "new", dict(helper_runs=True, extra=serial_recorded)),
            ("one byte changed", lambda s_, f: serve(s, [music(s)], serial=200, sign=True, tamper=flip),
             "old", dict(text=T_NOT_GENUINE, no_hits=file_paths)),
            ("another key", lambda s_, f: serve(s, [music(s)], serial=200, sign=True, key=other_key),
             "old", dict(no_hits=file_paths)),
            ("no signature", lambda s_, f: serve(s, [music(s)], serial=200), "old", dict(no_hits=file_paths)),
            ("MD5 right, SHA-256 wrong", lambda s_, f: serve(s, [music(s, sha256=sha(b"x"))], serial=200, sign=True),
             "old", dict(text=T_NOT_FOUND)),
            ("older serial", lambda s_, f: (installed_serial(300)(f),
                                            serve(s, [music(s)], serial=200, sign=True)),
             "old", dict(text=T_ROLLBACK, no_hits=file_paths)),
            ("equal serial: the installed release", lambda s_, f: (installed_serial(200)(f),
                                                                   serve(s, [music(s)], serial=200, sign=True)),
             "old", dict(text=T_NO_UPDATE, no_hits=file_paths)),
        ]
        for name, setup, after, kw in cases:
            self.check_case("signed: " + name, setup, after, keyed=True, **kw)


class UpdateChain(unittest.TestCase):
    """The chain with the launcher, the game mutex, a kill and second instances."""

    @classmethod
    def setUpClass(cls):
        cls.server = FaultServer(80).__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.server.__exit__(None, None, None)

    def launcher_folder(self, name):
        folder = Folder(name)
        for f in ("Tobble.exe", "KeyHush.dll", "Music.dll"):
            shutil.copy(os.path.join(BUILD, "out", f), folder.prog)
        return folder

    def test_update_while_launcher_and_game_run(self):
        s = self.server
        folder = self.launcher_folder("launcher running")
        new_music = folder.read("Music.dll") + b"\0" * 512
        new_updater = folder.read("Update.exe") + b"\0" * 512
        serve(s, [entry("Music.dll", new_music, [s.url("/download/Music.dll")]),
                  entry("Update.exe", new_updater, [s.url("/download/Update.exe")])],
              routes={"/download/Music.dll": Route(new_music), "/download/Update.exe": Route(new_updater)})
        launcher = subprocess.Popen(["wine", folder.path("Tobble.exe")], stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        try:
            self.assertEqual(helper("window", "Tobble", "1").returncode in (0, 1), True)
            for _ in range(100):
                if helper("running", folder.exe("Tobble.exe")).returncode == 0:
                    break
                time.sleep(0.2)
            game = subprocess.Popen(["wine", os.path.join(BUILD, "tests-bin", "update_e2e_helper.exe"), "hold",
                                     GAME_MUTEX, "6"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            time.sleep(1.5)
            game_start = time.monotonic()
            updater = subprocess.Popen(["wine", folder.path("Update.exe"), "background"],
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            answered = helper("answer", "ok", "60", timeout=90)
            prompt_after = time.monotonic() - game_start
            self.assertEqual(answered.returncode, 0)
            # The prompt waited for the end of the game.
            self.assertGreater(prompt_after, 3.5)
            game.wait(timeout=30)
            updater.wait(timeout=60)
            launcher.wait(timeout=30)  # closed on consent
            self.assertTrue(folder.wait_helper_gone(40))
            self.assertEqual(folder.read("Music.dll"), new_music)
            self.assertEqual(folder.read("Update.exe"), new_updater)
            self.assertEqual(folder.ini("verinfo.ini")["History0"]["ver"], "0.1")
            # Finished: the update files and the old copies are gone.
            self.assertEqual(sorted(os.listdir(folder.path("download"))), ["updatetest.ini"])
            # The helper started the launcher again.
            self.assertEqual(helper("running", folder.exe("Tobble.exe")).returncode, 0)
        finally:
            helper("close", folder.exe("Tobble.exe"), "15")
            if launcher.poll() is None:
                launcher.kill()

    def test_killed_during_install_leaves_whole_files(self):
        s = self.server
        folder = Folder("killed")
        bodies = {}
        for i in range(6):
            name = "Big%d.dll" % i
            folder.write(name, bytes([i]) * (12 << 20))
            bodies[name] = bytes([i + 100]) * (12 << 20) + b"new"
        serve(s, [entry(n, b, [s.url("/download/" + n)]) for n, b in bodies.items()],
              routes={"/download/" + n: Route(b) for n, b in bodies.items()})
        killed_while_installing = kill_when(
            [folder.path("Update.exe"), "background"],
            lambda: os.path.getsize(folder.path("Big0.dll")) != 12 << 20 or
            any(n.startswith("Big") and ".~update" in n for n in os.listdir(folder.prog)))
        self.assertTrue(killed_while_installing)
        for name, body in bodies.items():
            now = folder.read(name)
            self.assertIn(now, (body, bytes([int(name[3])]) * (12 << 20)), name)
        folder.wait_helper_gone(20)
        # The next start of the helper puts every old file back.
        wine([folder.path("Upmender.exe"), "background"], timeout=120)
        for name in bodies:
            self.assertEqual(folder.read(name), bytes([int(name[3])]) * (12 << 20), name)
        self.assertIsNone(folder.read("download/rollback.ini"))

    def test_helper_killed_half_way_and_the_suite_starts_at_its_old_version(self):
        folder = self.launcher_folder("killed helper")
        folder.write("verinfo.ini", b"[Version]\r\nver=0.3.0.1\r\n")
        old, new = {}, {}
        for i in range(6):
            name = "Big%d.dll" % i
            old[name] = bytes([i]) * (12 << 20)
            new[name] = bytes([i + 100]) * (12 << 20) + b"new"
            folder.write(name, old[name])
            folder.write("download/" + name + "_", new[name])
        entries = [entry(n, b, ["http://127.0.0.1/download/" + n]) for n, b in new.items()]
        folder.write("download/lastver.ini", publish_update.manifest_text("0.3.0.2", entries, 900))
        folder.write("download/update.ini", publish_update.manifest_text("0.3.0.2", entries, 900))
        folder.write("download/uphelp.ini", b"".join(b"[File%d]\r\nsource=%s\r\ndest=%s\r\n" % (
            i, folder.exe("download/" + n + "_").encode(), folder.exe(n).encode()) for i, n in enumerate(new)))
        killed = kill_when([folder.path("Upmender.exe"), "background"],
                           lambda: os.path.getsize(folder.path("Big1.dll")) == len(new["Big1.dll"]))
        self.assertTrue(killed)
        self.assertEqual(folder.read("Big0.dll"), new["Big0.dll"])  # cut off with the files mixed
        self.assertEqual(folder.read("Big5.dll"), old["Big5.dll"])
        # A parent starts the suite: it hands over to the helper, which puts
        # the old files back and starts the launcher at its old version.
        launcher = subprocess.Popen(["wine", folder.path("Tobble.exe")], stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
        try:
            self.assertEqual(helper("titled", "Bimbly 0.3.0.1", "90", timeout=120).returncode, 0)
            self.assertTrue(folder.wait_helper_gone(40))
            for name in old:
                self.assertEqual(folder.read(name), old[name], name)
            self.assertEqual(folder.ini("verinfo.ini")["Version"]["ver"], "0.3.0.1")
            self.assertIsNone(folder.read("download/rollback.ini"))
            self.assertFalse(os.path.exists(folder.path("download/rollback")))
        finally:
            helper("close", folder.exe("Tobble.exe"), "15")
            launcher.wait(timeout=30)

    def test_second_instances_and_bare_helper(self):
        s = self.server
        serve(s, [music(s)])
        folder = Folder("second instances")
        for mutex in (UPDATE_MUTEX,):
            holder = subprocess.Popen(["wine", os.path.join(BUILD, "tests-bin", "update_e2e_helper.exe"), "hold",
                                       mutex, "8"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            time.sleep(1.0)
            folder.run_update("background", timeout=20)
            self.assertEqual(s.hits["/download/lastver"], 0)
            holder.wait(timeout=30)
        # The helper with a job to do, but started without "background" or as a second one.
        folder.write("download/new.dll_", NEW)
        folder.write("download/uphelp.ini", ("[File0]\r\nsource=%s\r\ndest=%s\r\n" % (
            folder.exe("download/new.dll_"), folder.exe("Music.dll"))).encode())
        wine([folder.path("Upmender.exe")], timeout=20)
        self.assertEqual(folder.read("Music.dll"), OLD)
        holder = subprocess.Popen(["wine", os.path.join(BUILD, "tests-bin", "update_e2e_helper.exe"), "hold",
                                   HELPER_MUTEX, "6"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(1.0)
        wine([folder.path("Upmender.exe"), "background"], timeout=20)
        holder.wait(timeout=30)
        self.assertEqual(folder.read("Music.dll"), OLD)
        self.assertIsNone(folder.read("verinfo.ini"))


class ReleaseChecks(unittest.TestCase):
    """What stands between a maintainer's slip and every family's updater: the
    key checks of the build and the release command, and the publishing
    tool's serial, lock and folder rules."""

    def setUp(self):
        self.work = os.path.join(BUILD, "tests-bin", "release-checks")
        shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(self.work)
        publish_update.main(["keygen", "--out", os.path.join(self.work, "pair")])
        self.key = os.path.join(self.work, "pair", "update-signing.pem")
        self.pub = os.path.join(self.work, "pair", "update-signing.pub")

    def test_key_table(self):
        root = os.path.join(HERE, "..", "..")
        test_pub = os.path.join(HERE, "update_keys", "update-signing.pub")
        two = os.path.join(self.work, "two.pub")
        with open(two, "wb") as f, open(self.pub, "rb") as a, open(test_pub, "rb") as b:
            f.write(a.read() + b.read())
        cases = [
            # name, key file given to the build, part of the refusal (None: taken)
            ("a private key given as the public key", TEST_KEY, "PRIVATE key"),
            ("the committed test key", test_pub, "committed key"),
            ("two keys in one file", two, "exactly one P-256"),
            ("a fresh public key", self.pub, None),
        ]
        for name, key, refusal in cases:
            with self.subTest(name):
                r = subprocess.run(["cmake", "-DKEY=" + key, "-P", os.path.join(root, "cmake", "BimblyUpdateKey.cmake")],
                                   stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
                out = " ".join(r.stdout.decode().split())
                if refusal:
                    self.assertNotEqual(r.returncode, 0)
                    self.assertIn(refusal, out)
                else:
                    self.assertEqual(r.returncode, 0, out)
        # The release command derives the key it builds in; a --public-key that
        # is not that key is refused before anything is configured.
        for name, public in (("the private key as --public-key", self.key), ("a stale key", test_pub)):
            with self.subTest(name):
                build = os.path.join(self.work, "build")
                r = subprocess.run(["bash", os.path.join(root, "scripts", "make-release.sh"), "--key", self.key,
                                    "--public-key", public, "--build", build, "--out", os.path.join(self.work, "out"),
                                    "--first-release"], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                   stdin=subprocess.DEVNULL, timeout=300)
                self.assertNotEqual(r.returncode, 0)
                self.assertIn("does not match --key", r.stdout.decode())
                self.assertFalse(os.path.exists(os.path.join(build, "CMakeCache.txt")))

    def test_publish_table(self):
        release = os.path.join(self.work, "release")
        os.makedirs(release)
        with open(os.path.join(release, "Music.dll"), "wb") as f:
            f.write(NEW)
        server = os.path.join(self.work, "server")
        record = os.path.join(self.work, "last-serial")

        def publish(*extra):
            try:
                publish_update.main(["publish", "--version", "0.3", "--base-url", "https://bimbly.example/download",
                                     "--key", self.key, "--serial-record", record] + list(extra) + [release, server])
                return True
            except SystemExit:
                return False

        def lock_held():
            os.makedirs(server, exist_ok=True)
            open(os.path.join(server, publish_update.LOCK), "w").close()

        def lock_gone():
            os.remove(os.path.join(server, publish_update.LOCK))

        cases = [
            # name, before, publish arguments, published
            ("no last serial anywhere", None, ["--serial", "5", "--require-previous"], False),
            ("the first release", None, ["--serial", "5"], True),
            ("an equal serial", None, ["--serial", "5"], False),
            ("a lower serial, checked against the record", lambda: os.remove(os.path.join(server, "lastver")),
             ["--serial", "4", "--require-previous"], False),
            ("19 digits", None, ["--serial", str(10 ** 18)], False),
            ("a publish already running", lock_held, ["--serial", "6"], False),
            ("the next serial", lock_gone, ["--serial", "6", "--require-previous"], True),
        ]
        for name, before, args, published in cases:
            with self.subTest(name):
                if before:
                    before()
                self.assertEqual(publish(*args), published)
        # Each release in its own folder; the manifest names the newest.
        self.assertEqual(sorted(os.listdir(server)), ["5", "6", "lastver", "lastver.sig"])
        with open(os.path.join(server, "lastver"), "rb") as f:
            self.assertIn(b"url0=https://bimbly.example/download/6/Music.dll", f.read())
        with open(record) as f:
            self.assertEqual(f.read().strip(), "6")


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    args, rest = parser.parse_known_args()
    BUILD = os.path.abspath(args.build)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
