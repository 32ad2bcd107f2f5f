"""The resource validator passes the committed tree and catches broken files.

Each test copies the committed resources to a temporary folder, breaks one
thing the way a careless edit or a misbehaving image tool would, and checks
that the validator reports exactly that kind of fault.
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import validate_resources as vr  # noqa: E402

ROOT = os.path.join(os.path.dirname(HERE), "resources")


class Broken(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="res-")
        self.root = os.path.join(self.tmp, "resources")
        shutil.copytree(ROOT, self.root)

    def tearDown(self):
        shutil.rmtree(self.tmp)

    # helpers
    def path(self, deliverable, fname):
        return os.path.join(self.root, deliverable, fname)

    def patch(self, deliverable, fname, fn):
        p = self.path(deliverable, fname)
        with open(p, "rb") as f:
            data = bytearray(f.read())
        data = fn(data)
        with open(p, "wb") as f:
            f.write(data)

    def edit_rc(self, deliverable, fn):
        p = self.path(deliverable, "assets.rc")
        with open(p, encoding="utf-8") as f:
            text = f.read()
        with open(p, "w", encoding="utf-8") as f:
            f.write(fn(text))

    def faults(self, deliverable):
        return vr.validate(self.root, only=[deliverable])

    def assertFault(self, deliverable, *words):
        faults = self.faults(deliverable)
        joined = "\n".join(faults)
        self.assertTrue(faults, "validator accepted the broken file")
        for w in words:
            self.assertIn(w, joined)
        return faults

    # --- BMP ---
    def test_bmp_with_4_bits_per_pixel_is_rejected(self):
        def four_bit(d):
            d[28:30] = struct.pack("<H", 4)
            return d
        self.patch("Tobble", "bitmap139.bmp", four_bit)
        self.assertFault("Tobble", "BITMAP 139", "4 bits per pixel, expected 8")

    def test_rle_compressed_bmp_is_rejected(self):
        def rle(d):
            d[30:34] = struct.pack("<I", 1)
            return d
        self.patch("Tobble", "bitmap181.bmp", rle)
        self.assertFault("Tobble", "BITMAP 181", "compressed")

    def test_near_white_corner_breaks_the_white_mask(self):
        def near_white(d):
            off = struct.unpack("<I", d[10:14])[0]
            hsize = struct.unpack("<I", d[14:18])[0]
            idx = d[off]                       # bottom-left pixel's palette entry
            p = 14 + hsize + 4 * idx
            d[p:p + 3] = bytes((254, 254, 254))
            return d
        self.patch("Tobble", "bitmap208.bmp", near_white)
        self.assertFault("Tobble", "BITMAP 208", "(254, 254, 254) is not exactly (255, 255, 255)")

    def test_upmender_skin_must_be_24_bits_and_192_by_128(self):
        def wide(d):
            d[18:22] = struct.pack("<i", 200)
            return d
        self.patch("Upmender", "bitmap129.bmp", wide)
        self.assertTrue(self.faults("Upmender"))

    # --- WAV ---
    def _wav(self, rate=22050, seconds=1.0, bits=16, tag=1, last=0):
        n = int(rate * seconds)
        samples = [int(20000 * ((i % 50) / 25.0 - 1)) for i in range(n)]
        samples[0] = 0
        samples[-1] = last
        pcm = struct.pack("<%dh" % n, *samples)
        fmt = struct.pack("<HHIIHH", tag, 1, rate, rate * 2, 2, bits)
        body = b"WAVE" + b"fmt " + struct.pack("<I", 16) + fmt + b"data" + struct.pack("<I", len(pcm)) + pcm
        return b"RIFF" + struct.pack("<I", len(body)) + body

    def test_wav_with_an_odd_sample_rate_is_rejected(self):
        def rate(d):
            d[24:28] = struct.pack("<I", 16000)
            d[28:32] = struct.pack("<I", 32000)
            return d
        self.patch("DeckPet", "wave1.wav", rate)
        self.assertFault("DeckPet", 'WAVE "WAVE1"', "16000 Hz")

    def test_wav_of_8_bits_or_float_is_rejected(self):
        with open(self.path("DeckPet", "wave2.wav"), "wb") as f:
            f.write(self._wav(tag=3))
        self.assertFault("DeckPet", 'WAVE "WAVE2"', "not PCM")

    def test_wav_longer_than_3_seconds_is_rejected(self):
        with open(self.path("DeckSea", "wave3.wav"), "wb") as f:
            f.write(self._wav(seconds=4.0))
        self.assertFault("DeckSea", "lasts 4.00 s")

    def test_wav_ending_on_a_loud_sample_clicks(self):
        with open(self.path("DeckSea", "wave4.wav"), "wb") as f:
            f.write(self._wav(last=25000))
        self.assertFault("DeckSea", "clicks")

    def test_truncated_wav_is_rejected(self):
        self.patch("DeckInsect", "wave1.wav", lambda d: d[:len(d) // 2])
        self.assertFault("DeckInsect", "WAVE1", "truncated")

    # --- GIF ---
    def test_truncated_gif_is_rejected(self):
        self.patch("DeckBird", "img3.gif", lambda d: d[:len(d) // 2])
        self.assertFault("DeckBird", 'IMAGE "IMG3"', "truncated")

    def test_still_gif_where_the_picture_animates(self):
        shutil.copy(self.path("Tobble", "image_remind_exit.gif"), self.path("DeckBird", "img7.gif"))
        self.assertFault("DeckBird", 'IMAGE "IMG7"', "must be an animated GIF (has 1 frame)")

    def test_colour_key_background_must_be_exact(self):
        def off_blue(d):
            bg = d[11]                          # background index = key entry of the global table
            p = 13 + 3 * bg
            assert tuple(d[p:p + 3]) == (0, 0, 255)
            d[p:p + 3] = bytes((0, 0, 250))
            return d
        self.patch("DeckPet", "img1.gif", off_blue)
        self.assertFault("DeckPet", 'IMAGE "IMG1"', "not exactly the key colour (0, 0, 255)")

    def test_keyed_picture_as_png_ignores_the_key(self):
        shutil.copy(self.path("DeckCarLogo", "img0.png"), self.path("DeckSea", "img1.png"))
        os.remove(self.path("DeckSea", "img1.gif"))
        self.edit_rc("DeckSea", lambda t: t.replace('"img1.gif"', '"img1.png"'))
        self.assertFault("DeckSea", "must be a GIF or BMP")

    def test_reminder_text_in_another_colour(self):
        def recolour(d):
            # the pink is the first palette entry of the reminder picture
            assert tuple(d[13:16]) == (255, 80, 167)
            d[13:16] = bytes((255, 0, 0))
            return d
        self.patch("Tobble", "image_remind.gif", recolour)
        self.assertFault("Tobble", "IMAGE_REMIND", "expected only (255, 80, 167)")

    # --- PNG / JPEG ---
    def test_png_of_the_wrong_size(self):
        def wider(d):
            d[16:20] = struct.pack(">I", 540)
            d[29:33] = struct.pack(">I", zlib.crc32(bytes(d[12:29])))
            return d
        self.patch("Music", "img1.png", wider)
        self.assertFault("Music", 'IMAGE "IMG1"')

    def test_png_with_a_damaged_chunk(self):
        def damage(d):
            d[40] ^= 0xFF
            return d
        self.patch("DeckCarLogo", "img7.png", damage)
        self.assertFault("DeckCarLogo", "IMG7", "PNG")

    def test_background_of_the_wrong_size(self):
        def shrink(d):
            i = 2
            while True:
                marker, seglen = d[i + 1], struct.unpack(">H", d[i + 2:i + 4])[0]
                if marker in (0xC0, 0xC1):
                    d[i + 5:i + 9] = struct.pack(">HH", 600, 800)
                    return d
                i += 2 + seglen
        self.patch("Music", "back2.jpg", shrink)
        self.assertFault("Music", "BACK2", "800x600, expected 1024x768")

    def test_not_a_jpeg_at_all(self):
        shutil.copy(self.path("DeckCarLogo", "img1.png"), self.path("Update", "back_ground_image3.jpg"))
        self.assertFault("Update", "BACK_GROUND_IMAGE3", "not a JPEG")

    # --- .rc declarations ---
    def test_missing_rc_entry(self):
        self.edit_rc("DeckPet", lambda t: "\n".join(l for l in t.splitlines() if not l.startswith("WAVE2")))
        self.assertFault("DeckPet", "WAVE WAVE2 is not declared", "wave2.wav is not declared")

    def test_resource_the_code_never_uses(self):
        self.edit_rc("DeckSea", lambda t: t + 'WAVE1 WAVE "wave3.wav"\n')
        self.assertFault("DeckSea", "WAVE WAVE1 (wave3.wav) is not used")

    def test_declared_file_missing(self):
        os.remove(self.path("DeckTraffic", "wave9.wav"))
        self.assertFault("DeckTraffic", "WAVE WAVE9: file wave9.wav is missing")

    def test_badge_name_changed(self):
        self.edit_rc("DeckCarLogo", lambda t: t.replace('"起亚"', '"KIA"'))
        self.assertFault("DeckCarLogo", "string 7040")

    def test_icon_without_small_sizes(self):
        def only_first(d):
            d[4:6] = struct.pack("<H", 1)      # keep the 16x16 entry only
            return d
        self.patch("Update", "update.ico", only_first)
        self.assertFault("Update", "ICON 128", "lacks a 32x32 image")

    def test_code_rc_including_assets_is_understood(self):
        # the program's own script: dialogs, strings and version info around the assets
        main_rc = '''#include "resource.h"
#pragma code_page(65001)
IDD_EXIT DIALOGEX 0, 0, 200, 80
STYLE DS_MODALFRAME | WS_POPUP
CAPTION "退出"
FONT 9, "宋体"
BEGIN
    CONTROL "x", 1011, "Button", BS_OWNERDRAW, 10, 10, 20, 20
    LTEXT "IMG99 IMAGE \\"nothing.gif\\"", -1, 5, 5, 50, 8
END
STRINGTABLE
BEGIN
    IDS_PROMPT "请您先在右侧的列表选择要启动的项。"
END
/* IMG98 IMAGE "commented.gif" */
// IMG97 IMAGE "commented.gif"
#include "assets.rc"
'''
        with open(self.path("DeckCarLogo", "deckcarlogo.rc"), "w", encoding="utf-8") as f:
            f.write(main_rc)
        with open(self.path("DeckCarLogo", "resource.h"), "w") as f:
            f.write("#define IDD_EXIT 101\n#define IDS_PROMPT 101\n")
        self.assertEqual(self.faults("DeckCarLogo"), [])

    def test_undeclared_media_file_is_reported(self):
        shutil.copy(self.path("DeckPet", "wave1.wav"), self.path("DeckPet", "bark-old.wav"))
        self.assertFault("DeckPet", "bark-old.wav is not declared")

    def test_missing_deliverable_folder(self):
        shutil.rmtree(os.path.join(self.root, "Upmender"))
        self.assertFault("Upmender", "folder is missing")

    def test_moving_gif_without_a_transparent_colour_shows_a_box(self):
        def opaque(d):
            i = d.index(b"\x21\xf9\x04")
            d[i + 3] &= 0xFE                     # clear the transparency flag of frame 1
            return d
        self.patch("DeckBird", "img1.gif", opaque)
        self.assertFault("DeckBird", 'IMAGE "IMG1"', "no transparent colour")

    def test_progressive_jpeg_is_rejected(self):
        def progressive(d):
            i = d.index(b"\xff\xc0")
            d[i + 1] = 0xC2
            return d
        self.patch("DeckBird", "back5.jpg", progressive)
        self.assertFault("DeckBird", "BACK5", "progressive")

    def test_still_instrument_as_gif_is_rejected(self):
        shutil.copy(self.path("Music", "img3.gif"), self.path("Music", "img2.gif"))
        os.remove(self.path("Music", "img2.png"))
        self.edit_rc("Music", lambda t: t.replace('"img2.png"', '"img2.gif"'))
        self.assertFault("Music", 'IMAGE "IMG2"', "still picture and must be a PNG")

    def test_reminder_of_the_wrong_size(self):
        shutil.copy(self.path("Tobble", "image_remind_exit.gif"), self.path("Tobble", "image_remind.gif"))
        self.assertFault("Tobble", "IMAGE_REMIND", "400x25, expected 900x25")

    def test_keyed_picture_may_be_an_8_bit_bmp_on_the_key(self):
        shutil.copy(self.path("Tobble", "bitmap221.bmp"), self.path("DeckInsect", "img6.bmp"))
        os.remove(self.path("DeckInsect", "img6.gif"))
        self.edit_rc("DeckInsect", lambda t: t.replace('"img6.gif"', '"img6.bmp"'))
        self.assertEqual(self.faults("DeckInsect"), [])

    def test_resource_declared_twice(self):
        with open(self.path("DeckPet", "deckpet.rc"), "w", encoding="utf-8") as f:
            f.write('#include "assets.rc"\nBACK1 IMAGE "back2.jpg"\n')
        self.assertFault("DeckPet", "IMAGE BACK1 declared twice")


WINDRES = shutil.which("x86_64-w64-mingw32-windres")


class RcParsing(unittest.TestCase):
    def parse(self, text, header=None):
        with tempfile.TemporaryDirectory() as tmp:
            if header:
                with open(os.path.join(tmp, "resource.h"), "w") as f:
                    f.write(header)
            with open(os.path.join(tmp, "x.rc"), "w", encoding="utf-8") as f:
                f.write(text)
            rc = vr.RcFile()
            rc.parse(os.path.join(tmp, "x.rc"))
            return rc

    def test_symbolic_ids_flags_and_braces(self):
        rc = self.parse('''#include "resource.h"
IDB_TREE BITMAP DISCARDABLE "tree.bmp"
IDR_MENU MENU
{
    POPUP "&File"
    {
        MENUITEM "E&xit IMG5 IMAGE \"a.gif\"", 1
    }
}
1 VERSIONINFO
 FILEVERSION 1,0,0,0
BEGIN
    BLOCK "StringFileInfo"
    BEGIN
        VALUE "FileDescription", "Tobble"
    END
END
STRINGTABLE
{
    IDS_A, "say ""hi"""
    7001 L"宝马"
}
''', header="#define IDB_TREE 139\n#define IDR_MENU 200\n#define IDS_A 7000\n")
        self.assertEqual(set(rc.resources), {("BITMAP", "139")})
        self.assertEqual(rc.strings, {7000: 'say "hi"', 7001: "宝马"})

    def test_custom_type_in_quotes_is_the_same_type(self):
        rc = self.parse('BACK1 "IMAGE" "back1.jpg"\n')
        self.assertIn(("IMAGE", "BACK1"), rc.resources)


class RealTree(unittest.TestCase):
    @unittest.skipUnless(WINDRES, "mingw-w64 windres not installed")
    def test_every_assets_rc_compiles(self):
        with tempfile.TemporaryDirectory() as tmp:
            for name in sorted(vr.expected()):
                folder = os.path.join(ROOT, name)
                out = os.path.join(tmp, name + ".res")
                r = subprocess.run([WINDRES, "-I", folder, os.path.join(folder, "assets.rc"),
                                    "-O", "coff", "-o", out], capture_output=True, text=True)
                self.assertEqual(r.returncode, 0, name + ": " + r.stderr)
                with open(out, "rb") as f:
                    res = f.read()
                if name == "DeckCarLogo":   # the badge names arrive as UTF-16 text
                    for text in ("奥迪", "阿斯顿 马丁", "起亚"):
                        self.assertIn(text.encode("utf-16-le"), res)


    def test_committed_resources_pass(self):
        self.assertEqual(vr.validate(ROOT), [])

    def test_command_line_exit_codes(self):
        ok = subprocess.run([sys.executable, os.path.join(HERE, "validate_resources.py"), "--root", ROOT],
                            capture_output=True, text=True)
        self.assertEqual(ok.returncode, 0, ok.stdout + ok.stderr)
        with tempfile.TemporaryDirectory() as tmp:
            bad = subprocess.run([sys.executable, os.path.join(HERE, "validate_resources.py"), "--root", tmp],
                                 capture_output=True, text=True)
        self.assertEqual(bad.returncode, 1)
        self.assertIn("FAULT:", bad.stdout)
        self.assertIn("Tobble", bad.stdout)


if __name__ == "__main__":
    unittest.main()
