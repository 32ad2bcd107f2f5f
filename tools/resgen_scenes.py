"""Procedural 1024x768 board backgrounds and the launcher's style pictures.

Every scene is drawn at twice its size with Pillow and scaled down, with all
randomness drawn from a generator seeded by the scene's own number, so the
same scene comes out byte-identical on every run.  Decorations are Fluent
Emoji pictures, hazed towards the sky so that the boards' moving pictures
stay the clearest thing on screen.
"""
import math
import random

import numpy as np
from PIL import Image, ImageDraw, ImageFilter

W, H = 1024, 768
S = 2  # supersampling factor


def _grad(w, h, top, bottom, stops=None):
    t = np.linspace(0.0, 1.0, h)[:, None]
    if stops:
        t = t ** stops
    top = np.array(top, float)
    bottom = np.array(bottom, float)
    col = top[None, None, :] * (1 - t[:, :, None]) + bottom[None, None, :] * t[:, :, None]
    arr = np.repeat(col, w, axis=1)
    return Image.fromarray(arr.clip(0, 255).astype(np.uint8), "RGB")


class Scene:
    def __init__(self, emoji, seed, top, bottom, power=None):
        self.emoji = emoji
        self.rng = random.Random(seed)
        self.img = _grad(W * S, H * S, top, bottom, power)
        self.draw = ImageDraw.Draw(self.img, "RGBA")

    # -- primitives (coordinates in output pixels) --
    def poly(self, pts, fill):
        self.draw.polygon([(x * S, y * S) for x, y in pts], fill=fill)

    def ellipse(self, x0, y0, x1, y1, fill, outline=None, width=1):
        self.draw.ellipse([x0 * S, y0 * S, x1 * S, y1 * S], fill=fill,
                          outline=outline, width=width * S)

    def rect(self, x0, y0, x1, y1, fill):
        self.draw.rectangle([x0 * S, y0 * S, x1 * S, y1 * S], fill=fill)

    def line(self, pts, fill, width):
        self.draw.line([(x * S, y * S) for x, y in pts], fill=fill, width=width * S,
                       joint="curve")

    def hills(self, base, amp, colour, waves=2.0, phase=None, layer_top=None):
        phase = self.rng.uniform(0, 6.28) if phase is None else phase
        pts = [(0, H)]
        for i in range(0, 65):
            x = W * i / 64
            y = base - amp * (0.6 * math.sin(phase + waves * math.pi * i / 64)
                              + 0.4 * math.sin(phase * 1.7 + 2.3 * waves * math.pi * i / 64))
            pts.append((x, y))
        pts.append((W, H))
        self.poly(pts, colour)

    def clouds(self, n, y0, y1, scale=1.0, alpha=235):
        for _ in range(n):
            cx = self.rng.uniform(40, W - 40)
            cy = self.rng.uniform(y0, y1)
            s = self.rng.uniform(0.7, 1.3) * scale
            for dx, dy, r in ((-40, 8, 28), (-10, -8, 38), (28, 2, 30), (50, 12, 22), (0, 16, 30)):
                self.ellipse(cx + dx * s - r * s, cy + dy * s - r * s,
                             cx + dx * s + r * s, cy + dy * s + r * s, (255, 255, 255, alpha))

    def sun(self, x, y, r=55):
        for k in range(6, 0, -1):
            rr = r + k * 14
            self.ellipse(x - rr, y - rr, x + rr, y + rr, (255, 240, 150, 18))
        self.ellipse(x - r, y - r, x + r, y + r, (255, 214, 64, 255))

    def stars(self, n, y1, colour=(255, 255, 220)):
        for _ in range(n):
            x = self.rng.uniform(0, W)
            y = self.rng.uniform(0, y1)
            r = self.rng.uniform(1.0, 2.6)
            self.ellipse(x - r, y - r, x + r, y + r, colour + (self.rng.randint(150, 255),))

    def put(self, name, x, y, size, haze=0.0, haze_colour=(255, 255, 255), flip=False,
            anchor="bottom"):
        """Paste an emoji (centre x; bottom or centre at y), hazed by `haze`."""
        sprite = self.emoji(name, int(size * S))
        if flip:
            sprite = sprite.transpose(Image.FLIP_LEFT_RIGHT)
        if haze:
            solid = Image.new("RGBA", sprite.size, haze_colour + (255,))
            solid.putalpha(sprite.getchannel("A"))
            sprite = Image.blend(sprite, solid, haze)
        ox = int((x - size / 2) * S)
        oy = int((y - size) * S) if anchor == "bottom" else int((y - size / 2) * S)
        self.img.paste(sprite, (ox, oy), sprite)

    def scatter(self, names, n, y0, y1, s0, s1, haze=0.0, haze_colour=(255, 255, 255)):
        items = []
        for _ in range(n):
            items.append((self.rng.uniform(y0, y1), self.rng.uniform(20, W - 20),
                          self.rng.choice(names), self.rng.uniform(s0, s1)))
        for y, x, name, s in sorted(items):
            self.put(name, x, y, s * (0.7 + 0.6 * (y - y0) / max(1, y1 - y0)), haze, haze_colour)

    def result(self, soften=0.0):
        img = self.img.resize((W, H), Image.LANCZOS)
        if soften:
            img = img.filter(ImageFilter.GaussianBlur(soften))
        return img


SKY = ((88, 166, 240), (200, 232, 252))


def _meadow(sc, horizon=470, flowers=True, trees=True):
    sc.clouds(4, 60, 260)
    sc.hills(horizon - 30, 40, (150, 206, 120, 255), 1.5)
    if trees:
        for _ in range(4):
            sc.put(sc.rng.choice(["deciduous-tree", "evergreen-tree"]),
                   sc.rng.uniform(40, W - 40), horizon - 10, sc.rng.uniform(70, 110), 0.35, (190, 225, 250))
    sc.hills(horizon + 40, 30, (112, 190, 84, 255), 2.2)
    sc.hills(horizon + 150, 25, (92, 172, 66, 255), 1.2)
    if flowers:
        sc.scatter(["tulip", "blossom", "sunflower", "hibiscus", "four-leaf-clover"], 14,
                   horizon + 120, H + 20, 26, 44, 0.15)


def scene(kind, seed, emoji):
    """Return one 1024x768 RGB background of the given kind."""
    rng_seed = 1000 + seed
    if kind == "sky":
        sc = Scene(emoji, rng_seed, *SKY)
        sc.sun(140 + seed * 37 % 700, 110)
        sc.clouds(7, 60, 520, 1.3)
        sc.hills(H - 60, 25, (150, 210, 130, 255), 1.6)
        sc.hills(H - 25, 18, (120, 196, 100, 255), 2.4)
    elif kind == "sunset":
        sc = Scene(emoji, rng_seed, (255, 170, 120), (255, 230, 170))
        sc.sun(780, 420, 70)
        sc.clouds(5, 80, 360, 1.2, 200)
        sc.hills(H - 90, 30, (214, 150, 160, 255), 1.4)
        sc.hills(H - 40, 20, (170, 120, 150, 255), 2.1)
    elif kind == "night":
        sc = Scene(emoji, rng_seed, (22, 34, 92), (70, 92, 170))
        sc.stars(140, 560)
        sc.put("crescent-moon", 850, 200, 130, anchor="centre")
        sc.hills(H - 110, 40, (40, 70, 90, 255), 1.3)
        sc.hills(H - 50, 25, (30, 56, 70, 255), 2.0)
    elif kind == "owl":
        sc = Scene(emoji, rng_seed, (22, 34, 92), (70, 92, 170))
        sc.stars(120, 480)
        sc.put("full-moon-face", 200, 180, 150, anchor="centre")
        sc.hills(H - 120, 40, (40, 70, 90, 255), 1.3)
        # a big branch under the owl (owl sits centred at 0.665, 0.78)
        sc.line([(430, 700), (560, 690), (690, 672), (860, 680), (1024, 650)], (110, 72, 44, 255), 26)
        sc.line([(880, 676), (960, 610)], (110, 72, 44, 255), 14)
        for x, y in ((600, 690), (760, 676), (980, 640)):
            sc.put("maple-leaf", x, y, 40, 0.1)
    elif kind == "seaside":
        sc = Scene(emoji, rng_seed, (110, 180, 245), (210, 236, 252))
        sc.sun(860, 120)
        sc.clouds(4, 60, 220)
        _sea(sc, 330)
    elif kind == "harbour":
        sc = Scene(emoji, rng_seed, (110, 180, 245), (210, 236, 252))
        sc.sun(160, 110)
        sc.clouds(5, 40, 200)
        _sea(sc, 250)
    elif kind == "farm":
        sc = Scene(emoji, rng_seed, *SKY)
        sc.sun(120, 100)
        _meadow(sc, 430, trees=False)
        sc.put("house", 190, 440, 190, 0.1)
        # fence rail for the rooster (centred at 0.57, 0.36)
        for x in range(380, 1024, 56):
            sc.rect(x, 330, x + 18, 470, (200, 150, 96, 255))
        sc.rect(360, 352, 1024, 372, (176, 124, 74, 255))
        sc.rect(360, 410, 1024, 428, (176, 124, 74, 255))
    elif kind == "jungle":
        sc = Scene(emoji, rng_seed, (120, 200, 170), (215, 245, 200))
        sc.hills(420, 40, (96, 176, 96, 255), 2.0)
        sc.scatter(["palm-tree", "deciduous-tree"], 6, 430, 520, 120, 170, 0.35, (200, 240, 200))
        sc.hills(600, 25, (80, 160, 70, 255), 2.6)
        sc.hills(690, 20, (64, 146, 56, 255), 1.7)
        # the monkey's tree (monkey centred at 0.185, 0.37)
        sc.rect(150, 300, 215, 768, (120, 78, 46, 255))
        sc.line([(0, 380), (190, 350), (340, 330)], (120, 78, 46, 255), 24)
        sc.ellipse(-60, 60, 360, 330, (70, 160, 70, 255))
        sc.ellipse(80, 20, 420, 260, (90, 180, 80, 255))
        sc.scatter(["herb", "hibiscus"], 10, 680, 790, 30, 50, 0.1)
    elif kind == "savanna":
        sc = Scene(emoji, rng_seed, (130, 196, 240), (250, 230, 180))
        sc.sun(820, 130, 60)
        sc.clouds(3, 60, 200)
        sc.hills(440, 20, (222, 196, 110, 255), 1.2)
        sc.scatter(["deciduous-tree"], 4, 440, 480, 90, 120, 0.3, (250, 230, 180))
        sc.hills(520, 18, (210, 180, 90, 255), 2.1)
        sc.hills(650, 15, (196, 166, 80, 255), 1.5)
        sc.scatter(["herb", "seedling"], 10, 600, 790, 24, 40, 0.1)
    elif kind == "desert":
        sc = Scene(emoji, rng_seed, (120, 190, 245), (255, 236, 196))
        sc.sun(180, 120, 65)
        sc.hills(470, 40, (240, 204, 140, 255), 1.1)
        sc.hills(560, 35, (232, 190, 120, 255), 1.8)
        sc.hills(680, 30, (222, 176, 104, 255), 1.3)
        sc.scatter(["cactus"], 5, 560, 700, 70, 100, 0.15)
    elif kind == "volcano":
        sc = Scene(emoji, rng_seed, (255, 186, 140), (255, 236, 200))
        sc.put("volcano", 760, 470, 300, 0.35, (255, 220, 190))
        sc.hills(480, 30, (140, 180, 110, 255), 1.6)
        sc.scatter(["palm-tree", "herb"], 7, 470, 560, 80, 140, 0.3, (230, 240, 200))
        sc.hills(600, 20, (120, 166, 90, 255), 2.3)
        sc.hills(720, 15, (104, 150, 76, 255), 1.5)
    elif kind == "meadow":
        sc = Scene(emoji, rng_seed, *SKY)
        sc.sun(150 + (seed * 211) % 700, 100)
        _meadow(sc, 430 + (seed % 3) * 20)
    elif kind == "garden":
        sc = Scene(emoji, rng_seed, *SKY)
        sc.sun(880, 100)
        _meadow(sc, 420, trees=False)
        sc.put("house-with-garden", 200, 470, 220, 0.1)
        sc.scatter(["tulip", "blossom", "sunflower"], 10, 480, 560, 30, 44, 0.1)
    elif kind == "road":
        sc = Scene(emoji, rng_seed, *SKY)
        sc.sun(850, 110)
        sc.clouds(4, 60, 240)
        sc.hills(450, 35, (150, 206, 120, 255), 1.5)
        sc.scatter(["deciduous-tree", "evergreen-tree", "house"], 6, 470, 520, 70, 110, 0.3, (190, 225, 250))
        sc.rect(0, 520, W, H, (112, 190, 84, 255))
        sc.rect(0, 560, W, 740, (96, 100, 110, 255))
        for x in range(0, W, 120):
            sc.rect(x + 20, 644, x + 90, 656, (255, 255, 255, 255))
        sc.rect(0, 556, W, 564, (230, 230, 230, 255))
        sc.rect(0, 736, W, 744, (230, 230, 230, 255))
    elif kind == "rail":
        sc = Scene(emoji, rng_seed, *SKY)
        sc.sun(150, 110)
        sc.clouds(5, 60, 260)
        sc.hills(470, 40, (150, 206, 120, 255), 1.4)
        sc.scatter(["deciduous-tree", "evergreen-tree"], 7, 480, 540, 80, 120, 0.3, (190, 225, 250))
        sc.rect(0, 540, W, H, (112, 190, 84, 255))
        sc.rect(0, 700, W, 760, (170, 150, 130, 255))
        for x in range(0, W, 36):
            sc.rect(x, 712, x + 18, 752, (130, 90, 60, 255))
        sc.rect(0, 718, W, 724, (120, 120, 130, 255))
        sc.rect(0, 740, W, 746, (120, 120, 130, 255))
    elif kind == "underwater":
        sc = Scene(emoji, rng_seed, (60, 170, 230), (20, 80, 160))
        for i in range(7):
            x = sc.rng.uniform(0, W)
            sc.poly([(x - 30, 0), (x + 40, 0), (x + 200, H), (x + 60, H)], (255, 255, 255, 22))
        sc.hills(H - 50, 20, (236, 212, 150, 255), 1.5)
        sc.scatter(["coral", "spiral-shell", "herb"], 9, H - 40, H + 10, 50, 90, 0.15, (20, 80, 160))
        for _ in range(40):
            x, y, r = sc.rng.uniform(0, W), sc.rng.uniform(0, H - 80), sc.rng.uniform(3, 10)
            sc.ellipse(x - r, y - r, x + r, y + r, (255, 255, 255, 40), (255, 255, 255, 120), 1)
    elif kind == "pond":
        sc = Scene(emoji, rng_seed, *SKY)
        sc.sun(880, 110)
        _meadow(sc, 400, flowers=False)
        sc.ellipse(-120, 560, W + 120, 900, (70, 150, 210, 255))
        sc.ellipse(-60, 590, W + 60, 900, (90, 170, 225, 255))
        for _ in range(6):
            x, y = sc.rng.uniform(60, W - 60), sc.rng.uniform(620, 740)
            sc.ellipse(x - 40, y - 14, x + 40, y + 14, (80, 170, 80, 255))
        sc.scatter(["lotus"], 3, 640, 740, 40, 50, 0.0)
    elif kind == "snow":
        sc = Scene(emoji, rng_seed, (140, 200, 245), (225, 242, 252))
        sc.clouds(3, 60, 200)
        sc.poly([(560, 470), (700, 250), (820, 470)], (235, 245, 255, 255))
        sc.poly([(700, 250), (760, 470), (820, 470)], (200, 222, 245, 255))
        sc.poly([(120, 470), (230, 330), (330, 470)], (225, 240, 255, 255))
        sc.hills(470, 10, (245, 250, 255, 255), 1.0)
        sc.hills(560, 14, (230, 242, 252, 255), 1.7)
        for _ in range(60):
            x, y, r = sc.rng.uniform(0, W), sc.rng.uniform(0, H), sc.rng.uniform(2, 4)
            sc.ellipse(x - r, y - r, x + r, y + r, (255, 255, 255, 200))
    elif kind in ("stage", "concert"):
        if kind == "stage":
            sc = Scene(emoji, rng_seed, (70, 20, 60), (150, 50, 90))
        else:
            sc = Scene(emoji, rng_seed, (20, 24, 80), (70, 50, 140))
        curtain = (200, 30, 50, 255) if kind == "stage" else (120, 60, 170, 255)
        for i in range(6):
            x = 60 + i * 180 + (seed * 53) % 60
            sc.poly([(x, 0), (x + 90, 0), (x + 220, 560), (x - 60, 560)], (255, 240, 170, 26))
        sc.rect(0, 560, W, H, (150, 96, 60, 255))
        for y in range(580, H, 34):
            sc.rect(0, y, W, y + 3, (120, 74, 44, 255))
        for side in (0, 1):
            for k in range(5):
                x0 = (k * 26) if side == 0 else W - 130 + k * 26
                sc.rect(x0, 0, x0 + 26, 600, curtain if k % 2 == 0 else tuple(int(c * 0.8) for c in curtain[:3]) + (255,))
        sc.rect(0, 0, W, 60, curtain)
        for x in range(0, W, 64):
            sc.ellipse(x, 36, x + 64, 86, curtain)
        sc.scatter(["musical-note", "musical-notes", "sparkles"], 6, 120, 420, 40, 60, 0.45,
                   (255, 230, 200))
    elif kind == "music-garden":
        sc = Scene(emoji, rng_seed, *SKY)
        sc.sun(860, 110)
        _meadow(sc, 440)
        sc.scatter(["musical-note", "musical-notes"], 6, 120, 380, 40, 60, 0.4, (200, 232, 252))
    elif kind == "badge":
        hues = [((255, 214, 120), (255, 160, 110)), ((150, 220, 255), (120, 150, 240)),
                ((190, 240, 170), (90, 190, 150)), ((255, 190, 220), (200, 150, 240)),
                ((230, 230, 240), (170, 180, 200))]
        top, bottom = hues[seed % len(hues)]
        sc = Scene(emoji, rng_seed, top, bottom)
        for _ in range(26):
            x, y, r = sc.rng.uniform(0, W), sc.rng.uniform(0, H), sc.rng.uniform(20, 70)
            sc.ellipse(x - r, y - r, x + r, y + r, (255, 255, 255, 40))
        sc.scatter(["automobile", "racing-car", "oncoming-automobile"], 5, 660, 780, 60, 80, 0.6, top)
    else:
        raise ValueError(kind)
    return sc.result()


def _sea(sc, horizon):
    sc.rect(0, horizon, W, H, (40, 130, 210, 255))
    sc.draw.rectangle([0, horizon * S, W * S, H * S], fill=None)
    water = _grad(W * S, (H - horizon) * S, (70, 160, 225), (20, 90, 180))
    sc.img.paste(water, (0, horizon * S))
    for row in range(10):
        y = horizon + 20 + row * (H - horizon) / 10
        off = sc.rng.uniform(0, 60)
        for x in range(-60, W + 60, 90):
            sc.draw.arc([(x + off) * S, y * S, (x + off + 60) * S, (y + 20) * S], 200, 340,
                        fill=(255, 255, 255, 130), width=3 * S)


def style_picture(style, w=1024, h=768):
    """Launcher/updater background picture of style 0-4 (stretched behind bars and dialogs)."""
    moods = [((214, 233, 248), (150, 196, 240), (255, 255, 255)),   # default blue
             ((239, 232, 250), (196, 180, 240), (255, 255, 255)),   # light blue / lilac
             ((246, 246, 248), (196, 200, 208), (255, 255, 255)),   # silver
             ((255, 236, 244), (250, 180, 210), (255, 255, 255)),   # pink
             ((226, 248, 226), (150, 214, 170), (255, 255, 250))]   # mint
    top, bottom, dots = moods[style]
    img = _grad(w * S, h * S, top, bottom)
    d = ImageDraw.Draw(img, "RGBA")
    rng = random.Random(500 + style)
    for _ in range(40):
        x, y, r = rng.uniform(0, w), rng.uniform(0, h), rng.uniform(12, 60)
        d.ellipse([(x - r) * S, (y - r) * S, (x + r) * S, (y + r) * S], fill=dots + (46,))
    # soft waves along the bottom
    for k in range(3):
        pts = [(0, h * S)]
        for i in range(65):
            x = w * i / 64
            y = h * (0.78 + 0.06 * k) - 18 * math.sin(k + 6.28 * i / 64 * (1.2 + k * 0.3))
            pts.append((x * S, y * S))
        pts.append((w * S, h * S))
        d.polygon(pts, fill=dots + (50,))
    return img.resize((w, h), Image.LANCZOS)


def list_tile(style, size=256):
    """Seamless pale tile behind the launcher's item list."""
    bases = [(236, 245, 253), (246, 242, 253), (247, 247, 248), (254, 244, 249), (240, 251, 240)]
    marks = [(200, 224, 246), (222, 210, 246), (222, 224, 230), (250, 210, 228), (200, 236, 206)]
    base, mark = bases[style], marks[style]
    img = Image.new("RGB", (size * S, size * S), base)
    d = ImageDraw.Draw(img)
    rng = random.Random(700 + style)
    for _ in range(9):
        x, y = rng.uniform(0, size), rng.uniform(0, size)
        r = rng.uniform(6, 14)
        for ox in (-size, 0, size):
            for oy in (-size, 0, size):
                cx, cy = (x + ox) * S, (y + oy) * S
                pts = []
                for k in range(10):
                    rr = r * S if k % 2 == 0 else r * S * 0.45
                    a = -math.pi / 2 + k * math.pi / 5
                    pts.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
                d.polygon(pts, fill=mark)
    return img.resize((size, size), Image.LANCZOS)
