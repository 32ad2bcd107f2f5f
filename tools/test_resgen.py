"""Tests of the generator's own writers and finishing steps.

These need the art toolchain's Python modules (Debian python3-pil,
python3-numpy, python3-scipy) and are skipped where they are missing.  The
files they produce are read back with the validator's independent parsers.
"""
import os
import random
import struct
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import validate_resources as vr  # noqa: E402

try:
    import numpy as np
    from PIL import Image, ImageDraw
    import resgen_formats as fmt
    import resgen_sound as snd
    import resgen_scenes as scenes
    import make_resources as mk
    HAVE_TOOLS = True
except ImportError:       # pragma: no cover - machines without the art toolchain
    HAVE_TOOLS = False


def sprite(colour=(220, 40, 40), size=(40, 30), fill_key=None):
    im = Image.new("RGBA", size, (0, 0, 0, 0))
    d = ImageDraw.Draw(im)
    d.ellipse([5, 5, size[0] - 6, size[1] - 6], fill=colour + (255,))
    if fill_key:
        d.rectangle([15, 12, 20, 16], fill=fill_key + (255,))   # a pixel patch equal to the key
    return im


@unittest.skipUnless(HAVE_TOOLS, "art toolchain modules not installed")
class GifWriter(unittest.TestCase):
    def test_frames_round_trip_with_transparency(self):
        frames = [sprite(), sprite((40, 200, 60)), sprite((30, 60, 220))]
        g = vr.read_gif(fmt.gif_bytes(frames, 10), decode=True)
        self.assertEqual(g["size"], (40, 30))
        self.assertEqual(len(g["frames"]), 3)
        for f, src in zip(g["frames"], frames):
            t = f["transparent"]
            self.assertIsNotNone(t)
            self.assertEqual(f["pixels"][0], t)                     # corner: outside the ellipse
            centre = f["palette"][f["pixels"][15 * 40 + 20]]
            want = src.getpixel((20, 15))[:3]
            self.assertLessEqual(max(abs(a - b) for a, b in zip(centre, want)), 8)
            self.assertEqual(f["delay"], 10)

    def test_pillow_decodes_the_same_pixels(self):
        import io
        data = fmt.gif_bytes([sprite(), sprite((0, 0, 0))])
        ours = vr.read_gif(data, decode=True)["frames"][0]["pixels"]
        with Image.open(io.BytesIO(data)) as im:
            self.assertEqual(bytes(im.getdata()), ours)

    def test_blue_key_is_exact_and_never_eats_the_sprite(self):
        frames = [sprite((250, 200, 40), fill_key=fmt.BLUE)]
        g = vr.read_gif(fmt.gif_bytes(frames, key=fmt.BLUE), decode=True)
        f = g["frames"][0]
        self.assertIsNone(f["transparent"])
        self.assertEqual(f["palette"][f["pixels"][0]], (0, 0, 255))
        # the sprite's own pure-blue patch was moved off the key colour
        self.assertNotEqual(f["palette"][f["pixels"][14 * 40 + 17]], (0, 0, 255))

    def test_many_colours_exercise_the_code_table_reset(self):
        rng = random.Random(1)
        im = Image.new("RGBA", (160, 120))
        im.putdata([(rng.randrange(256), rng.randrange(256), rng.randrange(256), 255)
                    for _ in range(160 * 120)])
        palette, (idx,), _ = fmt.quantise_frames([im])
        g = vr.read_gif(fmt.gif_bytes([im]), decode=True)
        self.assertEqual(g["frames"][0]["pixels"], idx)

    def test_output_is_repeatable(self):
        frames = [sprite(), sprite((10, 120, 200))]
        self.assertEqual(fmt.gif_bytes(frames), fmt.gif_bytes(frames))


@unittest.skipUnless(HAVE_TOOLS, "art toolchain modules not installed")
class BmpAndIcon(unittest.TestCase):
    def test_white_keyed_bmp_is_8_bit_uncompressed_with_white_corners(self):
        b = vr.read_bmp(fmt.bmp8_bytes(sprite(fill_key=fmt.WHITE)))
        self.assertEqual((b["bits"], b["compression"], b["size"]), (8, 0, (40, 30)))
        self.assertEqual(b["corners"], [(255, 255, 255)] * 4)

    def test_opaque_white_inside_the_picture_is_not_transparent(self):
        data = fmt.bmp8_bytes(sprite(fill_key=fmt.WHITE))
        off = struct.unpack("<I", data[10:14])[0]
        stride = 40
        row = 30 - 1 - 14                                  # bottom-up rows
        idx = data[off + row * stride + 17]
        p = 54 + 4 * idx
        bgr = tuple(data[p:p + 3])
        self.assertNotEqual(bgr, (255, 255, 255))

    def test_24_bit_bmp(self):
        im = Image.new("RGB", (192, 128), (10, 20, 30))
        b = vr.read_bmp(fmt.bmp24_bytes(im))
        self.assertEqual((b["bits"], b["size"], b["corners"][0]), (24, (192, 128), (10, 20, 30)))

    def test_icon_holds_every_size(self):
        imgs = [sprite(size=(s, s)) for s in (16, 32, 48)]
        self.assertEqual(vr.read_ico(fmt.ico_bytes(imgs))["sizes"], [(16, 16), (32, 32), (48, 48)])


@unittest.skipUnless(HAVE_TOOLS, "art toolchain modules not installed")
class SoundFinishing(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        art = os.path.join(os.path.dirname(HERE), "build-art")
        if snd._cat is None and os.path.exists(os.path.join(art, "opensfx", snd.OPENSFX_CAT)):
            snd.prepare(art)

    def samples(self, data):
        w = vr.read_wav(data)
        n = len(w["pcm"]) // 2
        return w, struct.unpack("<%dh" % n, w["pcm"])

    def test_long_sound_is_cut_to_three_seconds_and_passes_the_validator(self):
        x = snd.osc(440, 5.0, "sine")
        data = snd.finish(x)
        w, s = self.samples(data)
        self.assertAlmostEqual(len(s) / w["rate"], 3.0, places=2)
        vr.check_wave("long", data)

    def test_peak_is_minus_one_dbfs_and_edges_are_silent(self):
        x = 0.01 * snd.osc(300, 1.0, "saw")
        w, s = self.samples(snd.finish(x))
        peak = max(abs(v) for v in s) / 32767
        self.assertAlmostEqual(peak, 10 ** (-1 / 20), places=2)
        self.assertEqual(s[0], 0)
        self.assertEqual(s[-1], 0)

    def test_short_blip_is_padded_to_the_minimum(self):
        w, s = self.samples(snd.finish(snd.osc(1000, 0.05, "sine")))
        self.assertGreaterEqual(len(s) / w["rate"], 0.3)

    def test_silence_before_and_after_is_trimmed(self):
        x = np.concatenate([np.zeros(snd.RATE), snd.osc(500, 0.5, "sine"), np.zeros(snd.RATE)])
        w, s = self.samples(snd.finish(x))
        self.assertLess(len(s) / w["rate"], 0.6)

    def test_loop_point_is_seamless(self):
        x = snd.osc(220, 2.0, "sine") * (1 + 0.5 * snd.osc(3, 2.0, "sine"))
        w, s = self.samples(snd.finish(x, loop=True))
        # the jump from the last sample back to the first is no larger than a normal step
        steps = [abs(s[i + 1] - s[i]) for i in range(len(s) - 1)]
        self.assertLessEqual(abs(s[0] - s[-1]), max(steps))

    def test_every_sound_of_the_suite_is_valid(self):
        for key in sorted(snd.SOUNDS):
            if snd._cat is None and key in ("parrot", "leopard", "tiger", "dinosaur", "horse", "camel",
                                            "monkey", "airliner", "ship"):
                continue          # recordings need the unpacked OpenSFX package
            with self.subTest(key):
                vr.check_wave(key, snd.get(key))


@unittest.skipUnless(HAVE_TOOLS, "art toolchain modules not installed")
class KeyboardChart(unittest.TestCase):
    # The music board's note table by scan code (US key caps); 0 = silent.
    NOTES = {"1": 0, "2": 61, "3": 63, "4": 0, "5": 66, "6": 68, "7": 70, "8": 0, "9": 73, "0": 75,
             "-": 0, "=": 78,
             "Q": 60, "W": 62, "E": 64, "R": 65, "T": 67, "Y": 69, "U": 71, "I": 72, "O": 74, "P": 76,
             "[": 77, "]": 79,
             "A": 44, "S": 46, "D": 0, "F": 49, "G": 51, "H": 0, "J": 54, "K": 56, "L": 58, ";": 0,
             "'": 61,
             "Z": 45, "X": 47, "C": 48, "V": 50, "B": 52, "N": 53, "M": 55, ",": 57, ".": 59, "/": 60}

    def test_every_key_shows_the_note_it_plays(self):
        names = "C C♯ D D♯ E F F♯ G G♯ A A♯ B".split()
        want = {k: names[n % 12] for k, n in self.NOTES.items() if n}
        self.assertEqual(mk.chart_labels(), want)

    def test_rows_are_the_four_keyboard_rows_in_order(self):
        caps = ["".join(keys) for keys, _, _ in mk.KEY_ROWS]
        self.assertEqual(caps, ["1234567890-=", "QWERTYUIOP[]", "ASDFGHJKL;'", "ZXCVBNM,./"])

    def test_chart_size(self):
        self.assertEqual(mk.draw_keyboard_chart().size, (536, 200))


@unittest.skipUnless(HAVE_TOOLS, "art toolchain modules not installed")
class TextPictures(unittest.TestCase):
    def test_text_that_does_not_fit_is_refused(self):
        with self.assertRaises(ValueError):
            mk.text_picture("游戏时间到了，请按键盘左上角的Esc键退出，再见再见再见", 400, 25, 18)

    def test_only_pink_ink_on_transparent(self):
        im = mk.text_picture("请按Esc键退出", 400, 25, 18)
        colours = {px for px in im.getdata()}
        self.assertEqual({c[3] for c in colours}, {0, 255})
        self.assertEqual({c[:3] for c in colours if c[3]}, {mk.PINK})


@unittest.skipUnless(HAVE_TOOLS, "art toolchain modules not installed")
class Animation(unittest.TestCase):
    KINDS = ["flap", "wings", "butterfly", "buzz", "walk", "hop", "rock", "swing", "bob", "swim", "dance", "crow"]

    def test_every_kind_moves_and_keeps_one_frame_size(self):
        base = sprite(size=(60, 50))
        for kind in self.KINDS:
            with self.subTest(kind):
                frames = mk.anim(base, kind)
                self.assertGreaterEqual(len(frames), 2)
                self.assertEqual(len({f.size for f in frames}), 1)
                self.assertGreater(len({f.tobytes() for f in frames}), 1, "frames are all alike")
                for f in frames:     # nothing is cut off at the frame edges
                    a = np.asarray(f)[:, :, 3]
                    self.assertEqual(int(a[0].max()) + int(a[-1].max()), 0)


@unittest.skipUnless(HAVE_TOOLS, "art toolchain modules not installed")
class DeliverableOutput(unittest.TestCase):
    def setUp(self):
        import tempfile
        self.tmp = tempfile.mkdtemp()

    def tearDown(self):
        import shutil
        shutil.rmtree(self.tmp)

    def test_assets_rc_lists_every_file_and_only_stale_media_go(self):
        folder = os.path.join(self.tmp, "DeckPet")
        os.makedirs(folder)
        for stale in ("img9.gif", "NOTICE", "deckpet.rc", "resource.h"):
            with open(os.path.join(folder, stale), "wb") as f:
                f.write(b"old")
        d = mk.Deliverable("DeckPet", self.tmp)
        d.image("IMG1", [sprite(), sprite((1, 2, 3))], "gif", key=fmt.BLUE)
        d.image("BACK1", Image.new("RGB", (1024, 768), (90, 160, 230)), "jpg")
        d.add("BITMAP", "139", "bitmap139.bmp", fmt.bmp8_bytes(sprite(size=(16, 16))))
        d.strings = [(7000, '名"字')]
        d.write()
        self.assertEqual(sorted(os.listdir(folder)),
                         ["NOTICE", "assets.rc", "back1.jpg", "bitmap139.bmp", "deckpet.rc", "img1.gif",
                          "resource.h"])
        rc = vr.RcFile()
        rc.parse(os.path.join(folder, "assets.rc"))
        self.assertEqual(rc.resources[("IMAGE", "IMG1")][0], "img1.gif")
        self.assertEqual(rc.resources[("BITMAP", "139")][0], "bitmap139.bmp")
        self.assertEqual(rc.strings[7000], '名"字')
        with open(os.path.join(folder, "assets.rc"), encoding="utf-8") as f:
            self.assertEqual(f.readline().strip(), "#pragma code_page(65001)")

    def test_one_file_name_twice_is_an_error(self):
        d = mk.Deliverable("DeckPet", self.tmp)
        d.image("BACK1", Image.new("RGB", (8, 8)), "jpg")
        with self.assertRaises(ValueError):
            d.add("IMAGE", "BACK1", "back1.jpg", b"x")


@unittest.skipUnless(HAVE_TOOLS, "art toolchain modules not installed")
class Scenes(unittest.TestCase):
    def emoji(self, name, size):
        return Image.new("RGBA", (size, size), (200, 100, 50, 255))

    def test_same_seed_same_picture_and_seeds_differ(self):
        a = scenes.scene("meadow", 3, self.emoji)
        b = scenes.scene("meadow", 3, self.emoji)
        c = scenes.scene("meadow", 4, self.emoji)
        self.assertEqual(a.size, (1024, 768))
        self.assertEqual(a.tobytes(), b.tobytes())
        self.assertNotEqual(a.tobytes(), c.tobytes())

    def test_unknown_scene_is_an_error(self):
        with self.assertRaises(ValueError):
            scenes.scene("moonbase", 1, self.emoji)


if __name__ == "__main__":
    unittest.main()
