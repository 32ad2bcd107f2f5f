#!/usr/bin/python3
"""Generate every picture and sound of the suite under resources/.

Run through tools/make-resources.sh, which installs the inputs first.  All
outputs are deterministic: a second run rewrites the same bytes.  Each
deliverable gets its files plus an `assets.rc` fragment that lists them;
contact sheets for a visual check go to build-art/sheets/ (not committed).
"""
import argparse
import math
import os
import random
import subprocess
import sys
import time

import numpy as np
from PIL import Image, ImageChops, ImageDraw, ImageEnhance, ImageFont

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import resgen_formats as fmt  # noqa: E402
import resgen_scenes as scenes  # noqa: E402
import resgen_sound as snd  # noqa: E402

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ART = os.path.join(REPO, "build-art")
EMOJI_DIR = os.path.join(ART, "npm", "node_modules", "fluentui-emoji", "icons", "modern")
CJK_FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
LATIN_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
LATIN = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
PINK = (255, 80, 167)

DELIVERABLES = ["Tobble", "Update", "Upmender", "Music", "DeckInsect", "DeckBird",
                "DeckTraffic", "DeckAnimal", "DeckPet", "DeckSea", "DeckCarLogo"]


# --------------------------------------------------------------------------
# Emoji rendering
# --------------------------------------------------------------------------

_emoji_cache = {}


def emoji(name, size):
    """RGBA rendering of a Fluent Emoji at size x size pixels."""
    key = (name, size)
    if key not in _emoji_cache:
        src = os.path.join(EMOJI_DIR, name + ".svg")
        cache = os.path.join(ART, "svgcache")
        os.makedirs(cache, exist_ok=True)
        out = os.path.join(cache, "%s-%d.png" % (name, size))
        if not os.path.exists(out):
            subprocess.run(["rsvg-convert", "-w", str(size), "-h", str(size), src, "-o", out],
                           check=True)
        with Image.open(out) as im:
            _emoji_cache[key] = im.convert("RGBA")
    return _emoji_cache[key].copy()


def hue_shift(img, degrees, sat=1.0):
    """Rotate the hue of an RGBA picture (keeps alpha)."""
    a = img.getchannel("A")
    hsv = np.asarray(img.convert("RGB").convert("HSV"), dtype=np.int32).copy()
    hsv[:, :, 0] = (hsv[:, :, 0] + int(degrees * 256 / 360)) % 256
    hsv[:, :, 1] = np.clip(hsv[:, :, 1] * sat, 0, 255)
    out = Image.fromarray(hsv.astype(np.uint8), "HSV").convert("RGB")
    out.putalpha(a)
    return out


def greyish(img, tint=(255, 255, 255), amount=0.5, bright=1.0):
    a = img.getchannel("A")
    g = img.convert("L").convert("RGB")
    g = ImageEnhance.Brightness(g).enhance(bright)
    t = Image.new("RGB", img.size, tint)
    out = Image.blend(g, ImageChops.multiply(g, t), amount) if amount else g
    out.putalpha(a)
    return out


def fit(img, w, h):
    """Centre an RGBA picture on a transparent w x h canvas (scaled to fit)."""
    bbox = img.getbbox()
    if bbox:
        img = img.crop(bbox)
    s = min(w / img.width, h / img.height)
    img = img.resize((max(1, round(img.width * s)), max(1, round(img.height * s))), Image.LANCZOS)
    c = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    c.alpha_composite(img, ((w - img.width) // 2, (h - img.height) // 2))
    return c


def trimmed(img, pad=2):
    bbox = img.getbbox()
    img = img.crop(bbox)
    c = Image.new("RGBA", (img.width + 2 * pad, img.height + 2 * pad), (0, 0, 0, 0))
    c.alpha_composite(img, (pad, pad))
    return c


# --------------------------------------------------------------------------
# Animation: frames made by transforming one sprite
# --------------------------------------------------------------------------

def _place(canvas_size, sprite, dx=0, dy=0, sx=1.0, sy=1.0, angle=0.0, pivot=None):
    cw, ch = canvas_size
    s = sprite
    if sx != 1.0 or sy != 1.0:
        s = s.resize((max(1, round(s.width * sx)), max(1, round(s.height * sy))), Image.LANCZOS)
    if angle:
        s = s.rotate(angle, resample=Image.BICUBIC, expand=True)
    c = Image.new("RGBA", canvas_size, (0, 0, 0, 0))
    x = (cw - s.width) // 2 + dx
    y = (ch - s.height) // 2 + dy if pivot is None else ch - s.height + dy - pivot
    c.alpha_composite(s, (x, y))
    return c


def anim(sprite, kind, margin=0.12, n=4):
    """Frames of a simple animation of the sprite; returns a list of RGBA."""
    w = int(sprite.width * (1 + 2 * margin))
    h = int(sprite.height * (1 + 2 * margin))
    a = sprite.height * margin * 0.6
    frames = []
    if kind == "flap":      # wings: squash vertically, rise on the down-stroke
        for sy, dy in ((1.0, 0), (0.86, -a * 0.6), (0.74, -a), (0.86, -a * 0.4)):
            frames.append(_place((w, h), sprite, dy=int(dy), sy=sy))
    elif kind == "wings":   # wings above the body beat down: squash only the upper part
        cut = int(sprite.height * 0.5)
        top, body = sprite.crop((0, 0, sprite.width, cut)), sprite.crop((0, cut, sprite.width, sprite.height))
        for f, dy in ((1.0, 0), (0.66, -a * 0.4), (0.34, -a * 0.7), (0.66, -a * 0.4)):
            part = Image.new("RGBA", sprite.size, (0, 0, 0, 0))
            t = top.resize((top.width, max(1, round(top.height * f))), Image.LANCZOS)
            part.alpha_composite(t, (0, cut - t.height))
            part.alpha_composite(body, (0, cut))
            frames.append(_place((w, h), part, dy=int(dy)))
    elif kind == "butterfly":  # seen from above: wings close horizontally
        for sx in (1.0, 0.7, 0.38, 0.7):
            frames.append(_place((w, h), sprite, sx=sx))
    elif kind == "buzz":
        for dy, ang in ((0, 0), (-a * 0.5, 4), (0, 0), (a * 0.5, -4)):
            frames.append(_place((w, h), sprite, dy=int(dy), angle=ang, sy=1.0 if dy == 0 else 0.9))
    elif kind == "walk":    # gentle step: bob and rock
        for dy, ang in ((0, 0), (-a * 0.5, 3), (0, 0), (-a * 0.5, -3)):
            frames.append(_place((w, h), sprite, dy=int(dy), angle=ang))
    elif kind == "hop":
        for dy, sy in ((0, 0.92), (-a * 1.2, 1.04), (-a * 1.6, 1.0), (-a * 0.8, 1.02)):
            frames.append(_place((w, h), sprite, dy=int(dy), sy=sy))
    elif kind == "rock":    # boat, bells: rotate about the centre
        for ang in (0, 7, 0, -7):
            frames.append(_place((w, h), sprite, angle=ang))
    elif kind == "swing":
        for ang in (0, 14, 0, -14):
            frames.append(_place((w, h), sprite, angle=ang))
    elif kind == "bob":
        for dy in (0, -a * 0.4, -a * 0.7, -a * 0.4):
            frames.append(_place((w, h), sprite, dy=int(dy)))
    elif kind == "swim":
        for dy, ang in ((0, 0), (-a * 0.4, 5), (0, 0), (a * 0.4, -5)):
            frames.append(_place((w, h), sprite, dy=int(dy), angle=ang))
    elif kind == "dance":
        for ang, sx, dy in ((0, 1.0, 0), (10, 1.0, -a * 0.6), (0, -1, 0), (-10, -1, -a * 0.6)):
            s = sprite.transpose(Image.FLIP_LEFT_RIGHT) if sx < 0 else sprite
            frames.append(_place((w, h), s, dy=int(dy), angle=ang))
    elif kind == "crow":    # rooster / owl / camel: stretch up and lean back
        for sy, ang in ((1.0, 0), (1.05, -6), (1.08, -10), (1.04, -5)):
            frames.append(_place((w, h), sprite, sy=sy, angle=ang))
    else:
        raise ValueError(kind)
    return frames


# --------------------------------------------------------------------------
# Output collection
# --------------------------------------------------------------------------

MEDIA = (".jpg", ".png", ".gif", ".bmp", ".wav", ".ico")
WAVE_USES = {}   # sound key -> ["Deliverable WAVEn", ...]


class Deliverable:
    def __init__(self, name, root):
        self.name = name
        self.dir = os.path.join(root, name)
        self.entries = []   # (rc line, file name)
        self.strings = []   # (id, text)
        self.files = {}     # file name -> bytes
        self.sheet = []     # (label, RGBA picture) for the contact sheet

    def add(self, rc_kind, rc_name, fname, data, preview=None):
        if fname in self.files:
            raise ValueError("%s: %s written twice" % (self.name, fname))
        self.files[fname] = data
        if rc_kind in ("IMAGE", "WAVE"):
            line = '%-24s %-5s "%s"' % (rc_name, rc_kind, fname)
        else:
            line = '%-24s %-6s "%s"' % (rc_name, rc_kind, fname)
        self.entries.append(line)
        if preview is not None:
            self.sheet.append(("%s %s" % (rc_name, fname), preview))

    def image(self, name, img, kind, key=None, delay=12):
        """Add an "IMAGE" resource: kind is jpg, png or gif (img: list of frames)."""
        if kind == "jpg":
            self.add("IMAGE", name, name.lower() + ".jpg", fmt.jpeg_bytes(img), img)
        elif kind == "png":
            self.add("IMAGE", name, name.lower() + ".png", fmt.png_bytes(img), img)
        elif kind == "gif":
            frames = img if isinstance(img, list) else [img]
            data = fmt.gif_bytes(frames, delay, key=key)
            self.add("IMAGE", name, name.lower() + ".gif", data, _gif_preview(frames, key))
        else:
            raise ValueError(kind)

    def wave(self, name, key):
        """Add a "WAVE" resource made by the sound of that key."""
        self.add("WAVE", name, name.lower() + ".wav", snd.get(key))
        WAVE_USES.setdefault(key, []).append("%s %s" % (self.name, name))

    def write(self):
        os.makedirs(self.dir, exist_ok=True)
        # Drop pictures and sounds this run no longer makes; the program's own
        # .rc and header files next to them are never touched.
        for f in os.listdir(self.dir):
            p = os.path.join(self.dir, f)
            if f not in self.files and f.lower().endswith(MEDIA) and os.path.isfile(p):
                os.remove(p)
        for fname, data in self.files.items():
            _write_if_changed(os.path.join(self.dir, fname), data)
        lines = ["#pragma code_page(65001)",
                 "// Pictures and sounds of %s, written by tools/make-resources.sh." % self.name,
                 "// Do not edit: regenerate instead.", ""]
        lines += self.entries
        if self.strings:
            lines += ["", "STRINGTABLE", "BEGIN"]
            for sid, text in self.strings:
                lines.append('    %d, "%s"' % (sid, text.replace('"', '""')))
            lines.append("END")
        _write_if_changed(os.path.join(self.dir, "assets.rc"),
                          ("\n".join(lines) + "\n").encode("utf-8"))


def _write_if_changed(path, data):
    if os.path.exists(path):
        with open(path, "rb") as f:
            if f.read() == data:
                return
    with open(path, "wb") as f:
        f.write(data)


def _gif_preview(frames, key):
    """Strip of all frames for the contact sheet, over the key or a check pattern."""
    w, h = frames[0].size
    strip = Image.new("RGBA", (w * len(frames), h), (0, 0, 0, 0))
    for i, f in enumerate(frames):
        if key is not None:
            bg = Image.new("RGBA", (w, h), key + (255,))
        else:
            bg = Image.new("RGBA", (w, h), (255, 255, 255, 255))
            d = ImageDraw.Draw(bg)
            for y in range(0, h, 16):
                for x in range(0, w, 16):
                    if (x // 16 + y // 16) % 2:
                        d.rectangle([x, y, x + 15, y + 15], fill=(214, 214, 214, 255))
        bg.alpha_composite(f)
        strip.alpha_composite(bg, (i * w, 0))
    return strip


# --------------------------------------------------------------------------
# Text pictures
# --------------------------------------------------------------------------

def text_picture(text, w, h, px):
    """One line of pink text on a transparent w x h canvas; refuses overflow."""
    font = ImageFont.truetype(CJK_FONT, px)
    probe = Image.new("L", (w * 2, h * 2), 0)
    d = ImageDraw.Draw(probe)
    box = d.textbbox((0, 0), text, font=font)
    tw, th = box[2] - box[0], box[3] - box[1]
    if tw > w - 4 or th > h - 2:
        raise ValueError("text %r (%dx%d px) does not fit %dx%d" % (text, tw, th, w, h))
    alpha = Image.new("L", (w, h), 0)
    d = ImageDraw.Draw(alpha)
    d.text(((w - tw) // 2 - box[0], (h - th) // 2 - box[1]), text, font=font, fill=255)
    img = Image.new("RGBA", (w, h), PINK + (0,))
    img.putalpha(alpha.point(lambda a: 255 if a >= 100 else 0))
    return img


# --------------------------------------------------------------------------
# Custom drawings (things Fluent Emoji does not have)
# --------------------------------------------------------------------------

def _oval(cx, cy, rx, ry, angle_deg, n=40):
    a = math.radians(angle_deg)
    pts = []
    for k in range(n):
        t = 2 * math.pi * k / n
        x, y = rx * math.cos(t), ry * math.sin(t)
        pts.append((cx + x * math.cos(a) - y * math.sin(a), cy + x * math.sin(a) + y * math.cos(a)))
    return pts


def draw_dragonfly(size, wing_phase=0.0):
    """Dragonfly seen from above, head to the left; wing_phase 0-1 sweeps the wings."""
    S = 4
    im = Image.new("RGBA", (size * S, size * S), (0, 0, 0, 0))
    d = ImageDraw.Draw(im, "RGBA")
    u = size * S / 100.0
    sweep = 18 * wing_phase
    for cx, base in ((40, 62), (52, 74)):          # fore and hind wings
        for side in (-1, 1):
            ang = side * (base - sweep)
            rx, ry = 25, 7
            a = math.radians(ang)
            px = cx + rx * math.cos(a) * 0.95
            py = 47 + rx * math.sin(a) * 0.95
            pts = [(x * u, y * u) for x, y in _oval(px, py, rx, ry, ang)]
            d.polygon(pts, fill=(170, 225, 255, 170), outline=(60, 140, 210, 255))
            d.line([(cx * u, 47 * u), ((px + (px - cx) * 0.9) * u, (py + (py - 47) * 0.9) * u)],
                   fill=(60, 140, 210, 200), width=max(1, int(u * 0.8)))
    # tail: tapering segments to the right
    for i in range(9):
        x = 50 + i * 5.2
        r = 4.2 - i * 0.22
        col = (40 + i * 12, 110 + i * 12, 230 - i * 6, 255)
        d.ellipse([(x - r) * u, (47 - r) * u, (x + r + 2) * u, (47 + r) * u], fill=col)
    # thorax and head with big eyes
    d.ellipse([30 * u, 40 * u, 52 * u, 54 * u], fill=(30, 160, 190, 255))
    d.ellipse([18 * u, 39 * u, 34 * u, 55 * u], fill=(40, 180, 170, 255))
    for ey in (41, 53):
        d.ellipse([14 * u, (ey - 6) * u, 26 * u, (ey + 6) * u], fill=(60, 200, 110, 255))
        d.ellipse([16 * u, (ey - 3) * u, 21 * u, (ey + 2) * u], fill=(20, 40, 40, 255))
        d.ellipse([17 * u, (ey - 2.5) * u, 18.5 * u, (ey - 1) * u], fill=(255, 255, 255, 255))
    return im.resize((size, size), Image.LANCZOS)


def draw_zither(w, h):
    """Guzheng: a long arched wooden body with silk strings and white bridges."""
    S = 3
    im = Image.new("RGBA", (w * S, h * S), (0, 0, 0, 0))
    d = ImageDraw.Draw(im, "RGBA")
    top = [(0.04, 0.42), (0.96, 0.08), (0.99, 0.30), (0.10, 0.86)]
    front = [(0.10, 0.86), (0.99, 0.30), (0.99, 0.40), (0.11, 0.97)]
    P = lambda pts: [(x * w * S, y * h * S) for x, y in pts]
    d.polygon(P(front), fill=(110, 52, 22, 255))
    d.polygon(P(top), fill=(196, 110, 52, 255), outline=(120, 60, 26, 255))
    # red lacquered ends with a flower
    d.polygon(P([(0.04, 0.42), (0.16, 0.375), (0.22, 0.80), (0.10, 0.86)]), fill=(200, 46, 56, 255))
    d.polygon(P([(0.86, 0.12), (0.96, 0.08), (0.99, 0.30), (0.89, 0.35)]), fill=(200, 46, 56, 255))
    # strings from the left end to the right end, each with a bridge
    n = 11
    for i in range(n):
        t = (i + 0.5) / n
        x0, y0 = 0.16 + t * 0.05, 0.40 + t * 0.42
        x1, y1 = 0.88, 0.13 + t * 0.20
        d.line(P([(x0, y0), (x1, y1)]), fill=(255, 246, 220, 255), width=S)
        k = 0.35 + 0.35 * ((i * 5) % n) / n
        bx, by = x0 + (x1 - x0) * k, y0 + (y1 - y0) * k
        d.polygon([((bx * w - 5) * S, (by * h + 6) * S), ((bx * w + 5) * S, (by * h + 6) * S),
                   (bx * w * S, (by * h - 5) * S)], fill=(252, 252, 252, 255), outline=(130, 130, 130, 255))
    return im.resize((w, h), Image.LANCZOS)


def draw_timpani(size, hit=0.0):
    """Kettle drum with two mallets; hit 0-1 lowers the mallets onto the head."""
    S = 3
    z = size * S
    im = Image.new("RGBA", (z, z), (0, 0, 0, 0))
    d = ImageDraw.Draw(im, "RGBA")
    cx, top = z * 0.5, z * 0.42
    rx, ry = z * 0.42, z * 0.09
    # legs
    for fx in (0.2, 0.5, 0.8):
        d.line([(z * fx, z * 0.7), (z * (0.5 + (fx - 0.5) * 1.3), z * 0.97)], fill=(90, 90, 100, 255), width=5 * S)
    # copper bowl
    d.chord([cx - rx, top - z * 0.33, cx + rx, top + z * 0.42], 0, 180, fill=(214, 120, 60, 255),
            outline=(150, 76, 30, 255), width=2 * S)
    d.chord([cx - rx * 0.8, top - z * 0.28, cx + rx * 0.55, top + z * 0.30], 20, 110, fill=(240, 160, 100, 255))
    # head and rim
    d.ellipse([cx - rx, top - ry, cx + rx, top + ry], fill=(250, 246, 236, 255), outline=(170, 170, 180, 255),
              width=3 * S)
    for k in range(6):
        a = math.pi * (0.1 + 0.8 * k / 5)
        x = cx - rx * math.cos(a)
        d.rectangle([x - 2 * S, top + ry * 0.6, x + 2 * S, top + ry * 0.6 + 14 * S], fill=(170, 170, 180, 255))
    # mallets
    for side, phase in ((-1, hit), (1, 1.0 - hit)):
        hx = cx + side * rx * 0.35
        hy = top - z * (0.05 + 0.2 * (1 - phase))
        ex = cx + side * rx * 0.95
        ey = hy - z * 0.22
        d.line([(hx, hy), (ex, ey)], fill=(150, 100, 50, 255), width=4 * S)
        r = z * 0.045
        d.ellipse([hx - r, hy - r, hx + r, hy + r], fill=(226, 64, 70, 255), outline=(150, 40, 40, 255),
                  width=S)
    return im.resize((size, size), Image.LANCZOS)


def draw_dulcimer(w, h):
    S = 3
    im = Image.new("RGBA", (w * S, h * S), (0, 0, 0, 0))
    d = ImageDraw.Draw(im, "RGBA")
    top, bot = 40, h - 40
    inset = 70
    box = [(inset * S, top * S), ((w - inset) * S, top * S), ((w - 10) * S, bot * S), (10 * S, bot * S)]
    d.polygon(box, fill=(190, 110, 50, 255), outline=(110, 60, 20, 255))
    d.polygon([(10 * S, bot * S), ((w - 10) * S, bot * S), ((w - 14) * S, (bot + 18) * S), (14 * S, (bot + 18) * S)],
              fill=(130, 70, 30, 255))
    d.polygon([((inset + 14) * S, (top + 12) * S), ((w - inset - 14) * S, (top + 12) * S),
               ((w - 30) * S, (bot - 12) * S), (30 * S, (bot - 12) * S)], fill=(236, 196, 130, 255))
    for i in range(9):
        y = top + 20 + i * (bot - top - 40) / 8
        d.line([(30 * S, y * S), ((w - 30) * S, y * S)], fill=(120, 120, 130, 255), width=S)
    for x in (w * 0.38, w * 0.64):
        d.line([(x * S, (top + 14) * S), ((x + (x - w / 2) * 0.2) * S, (bot - 14) * S)],
               fill=(110, 60, 20, 255), width=4 * S)
    for cx in (w * 0.3, w * 0.52, w * 0.74):
        d.ellipse([(cx - 20) * S, (h * 0.47 - 20) * S, (cx + 20) * S, (h * 0.47 + 20) * S],
                  fill=(60, 30, 10, 255))
        d.ellipse([(cx - 12) * S, (h * 0.47 - 12) * S, (cx + 12) * S, (h * 0.47 + 12) * S],
                  fill=(220, 170, 90, 255))
    # two bamboo hammers
    for (x0, y0, x1, y1) in ((w * 0.3, 8, w * 0.5, top + 60), (w * 0.58, 6, w * 0.62, top + 64)):
        d.line([(x0 * S, y0 * S), (x1 * S, y1 * S)], fill=(230, 200, 120, 255), width=4 * S)
        d.ellipse([(x1 - 8) * S, (y1 - 6) * S, (x1 + 8) * S, (y1 + 6) * S], fill=(200, 60, 60, 255))
    return im.resize((w, h), Image.LANCZOS)


def draw_trombone(w, h):
    S = 3
    im = Image.new("RGBA", (w * S, h * S), (0, 0, 0, 0))
    d = ImageDraw.Draw(im, "RGBA")
    gold, dark = (246, 196, 60, 255), (196, 140, 30, 255)
    cy = h * 0.5
    t = 10
    # slide: long U at the left
    d.line([(30 * S, (cy - 18) * S), ((w * 0.62) * S, (cy - 18) * S)], fill=gold, width=t * S)
    d.line([(30 * S, (cy + 18) * S), ((w * 0.62) * S, (cy + 18) * S)], fill=gold, width=t * S)
    d.arc([(12 * S), (cy - 23) * S, (48 * S), (cy + 23) * S], 90, 270, fill=gold, width=t * S)
    d.line([(w * 0.35 * S, (cy - 26) * S), (w * 0.35 * S, (cy + 26) * S)], fill=dark, width=6 * S)
    # bell section
    d.line([(w * 0.5 * S, (cy - 18) * S), (w * 0.5 * S, (cy - 60) * S)], fill=gold, width=t * S)
    d.line([(w * 0.5 * S, (cy - 60) * S), ((w - 70) * S, (cy - 60) * S)], fill=gold, width=t * S)
    d.arc([((w - 100) * S), (cy - 60) * S, ((w - 40) * S), (cy + 10) * S], 270, 90, fill=gold, width=t * S)
    d.line([((w - 70) * S, (cy + 10) * S), (w * 0.58 * S, (cy + 10) * S)], fill=gold, width=t * S)
    d.polygon([(w * 0.58 * S, (cy + 2) * S), (w * 0.58 * S, (cy + 18) * S), (w * 0.3 * S, (cy + 52) * S),
               (w * 0.3 * S, (cy - 32) * S)], fill=gold)
    d.ellipse([(w * 0.3 - 12) * S, (cy - 34) * S, (w * 0.3 + 12) * S, (cy + 54) * S], fill=dark, outline=gold,
              width=4 * S)
    d.ellipse([(w * 0.62 - 6) * S, (cy - 6) * S, (w * 0.62 + 6) * S, (cy + 6) * S], fill=dark)
    return im.resize((w, h), Image.LANCZOS)


def draw_cymbal_kit(size):
    """Drum kit: bass drum, two toms and a cymbal."""
    c = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    d = ImageDraw.Draw(c, "RGBA")
    d.line([(size * 0.82, size * 0.25), (size * 0.82, size * 0.9)], fill=(150, 150, 160, 255), width=5)
    d.ellipse([size * 0.66, size * 0.18, size * 0.98, size * 0.30], fill=(240, 200, 70, 255),
              outline=(190, 150, 40, 255), width=3)
    d.line([(size * 0.14, size * 0.32), (size * 0.14, size * 0.9)], fill=(150, 150, 160, 255), width=5)
    d.ellipse([size * 0.02, size * 0.26, size * 0.30, size * 0.36], fill=(240, 200, 70, 255),
              outline=(190, 150, 40, 255), width=3)
    drum = emoji("drum", int(size * 0.62))
    c.alpha_composite(drum, (int(size * 0.19), int(size * 0.36)))
    tom = emoji("drum", int(size * 0.34))
    c.alpha_composite(tom, (int(size * 0.12), int(size * 0.18)))
    c.alpha_composite(tom, (int(size * 0.52), int(size * 0.16)))
    return c


def draw_badge(n, text, size=256):
    """An invented car badge: a plain shape with the maker's pinyin letters."""
    S = 3
    z = size * S
    im = Image.new("RGBA", (z, z), (0, 0, 0, 0))
    d = ImageDraw.Draw(im, "RGBA")
    rng = random.Random(9000 + n)
    palettes = [((220, 40, 50), (255, 255, 255)), ((30, 90, 200), (255, 255, 255)),
                ((20, 140, 90), (255, 240, 180)), ((250, 180, 30), (60, 40, 20)),
                ((120, 60, 180), (255, 255, 255)), ((40, 40, 50), (250, 210, 80)),
                ((0, 160, 200), (255, 255, 255)), ((230, 100, 30), (255, 255, 255)),
                ((200, 200, 210), (40, 60, 120)), ((160, 30, 60), (255, 220, 140))]
    fill, ink = palettes[(n * 7) % len(palettes)]
    rim = tuple(max(0, int(c * 0.6)) for c in fill)
    shape = n % 7
    m = z * 0.06
    if shape == 0:      # circle
        d.ellipse([m, m, z - m, z - m], fill=rim + (255,))
        d.ellipse([m * 2, m * 2, z - m * 2, z - m * 2], fill=fill + (255,))
    elif shape == 1:    # shield
        pts = [(m, m * 1.5), (z - m, m * 1.5), (z - m, z * 0.55), (z / 2, z - m), (m, z * 0.55)]
        d.polygon(pts, fill=rim + (255,))
        k = m * 0.9
        pts2 = [(m + k, m * 1.5 + k), (z - m - k, m * 1.5 + k), (z - m - k, z * 0.55 - k * 0.3),
                (z / 2, z - m - k * 1.6), (m + k, z * 0.55 - k * 0.3)]
        d.polygon(pts2, fill=fill + (255,))
    elif shape == 2:    # oval
        d.ellipse([m, z * 0.2, z - m, z * 0.8], fill=rim + (255,))
        d.ellipse([m * 2, z * 0.2 + m, z - m * 2, z * 0.8 - m], fill=fill + (255,))
    elif shape == 3:    # hexagon
        pts = [(z / 2 + (z / 2 - m) * math.cos(a), z / 2 + (z / 2 - m) * math.sin(a))
               for a in [math.pi / 6 + k * math.pi / 3 for k in range(6)]]
        d.polygon(pts, fill=rim + (255,))
        pts = [(z / 2 + (z / 2 - 2 * m) * math.cos(a), z / 2 + (z / 2 - 2 * m) * math.sin(a))
               for a in [math.pi / 6 + k * math.pi / 3 for k in range(6)]]
        d.polygon(pts, fill=fill + (255,))
    elif shape == 4:    # rounded square
        d.rounded_rectangle([m, m, z - m, z - m], radius=z * 0.18, fill=rim + (255,))
        d.rounded_rectangle([m * 2, m * 2, z - m * 2, z - m * 2], radius=z * 0.14, fill=fill + (255,))
    elif shape == 5:    # wings around a disc
        for side in (-1, 1):
            for k in range(4):
                y = z * (0.36 + k * 0.08)
                x0 = z / 2 + side * z * 0.2
                x1 = z / 2 + side * (z * 0.48 - k * z * 0.06)
                d.polygon([(x0, y), (x1, y - z * 0.03), (x1 - side * z * 0.04, y + z * 0.05), (x0, y + z * 0.06)],
                          fill=rim + (255,))
        d.ellipse([z * 0.24, z * 0.24, z * 0.76, z * 0.76], fill=rim + (255,))
        d.ellipse([z * 0.28, z * 0.28, z * 0.72, z * 0.72], fill=fill + (255,))
    else:               # diamond
        d.polygon([(z / 2, m), (z - m, z / 2), (z / 2, z - m), (m, z / 2)], fill=rim + (255,))
        d.polygon([(z / 2, m * 2.4), (z - m * 2.4, z / 2), (z / 2, z - m * 2.4), (m * 2.4, z / 2)],
                  fill=fill + (255,))
    # gloss: a soft light band, blended over the badge only
    gloss = Image.new("RGBA", (z, z), (0, 0, 0, 0))
    ImageDraw.Draw(gloss).ellipse([z * 0.2, z * 0.1, z * 0.8, z * 0.36], fill=(255, 255, 255, 70))
    gloss.putalpha(ImageChops.multiply(gloss.getchannel("A"), im.getchannel("A")))
    im.alpha_composite(gloss)
    d = ImageDraw.Draw(im, "RGBA")
    # letters
    px = int(z * (0.36 if len(text) <= 2 else 0.26))
    if shape in (2, 5):
        px = int(px * 0.7)
    font = ImageFont.truetype(LATIN_BOLD, px)
    while True:
        box = d.textbbox((0, 0), text, font=font)
        limit = z * (0.42 if shape == 5 else 0.62)
        if box[2] - box[0] <= limit:
            break
        px = int(px * 0.9)
        font = ImageFont.truetype(LATIN_BOLD, px)
    tw, th = box[2] - box[0], box[3] - box[1]
    x = (z - tw) / 2 - box[0]
    y = (z - th) / 2 - box[1] - (z * 0.04 if shape == 1 else 0)
    shadow = Image.new("RGBA", (z, z), (0, 0, 0, 0))
    ImageDraw.Draw(shadow).text((x + S * 3, y + S * 3), text, font=font, fill=(0, 0, 0, 90))
    im.alpha_composite(shadow)
    d = ImageDraw.Draw(im, "RGBA")
    d.text((x, y), text, font=font, fill=ink + (255,))
    # a small star or dot motif under the letters
    if rng.random() < 0.5 and shape not in (2, 5):
        cx, cy, r = z / 2, y + box[3] + z * 0.09, z * 0.035
        pts = []
        for k in range(10):
            rr = r if k % 2 == 0 else r * 0.45
            a = -math.pi / 2 + k * math.pi / 5
            pts.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
        d.polygon(pts, fill=ink + (255,))
    return im.resize((size, size), Image.LANCZOS)


# The music board's playing keys, row by row as on the keyboard: key caps,
# the MIDI note each plays (None: silent) and the row's indent in key widths.
KEY_ROWS = [
    (["1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "-", "="],
     [None, 61, 63, None, 66, 68, 70, None, 73, 75, None, 78], 0.0),
    (["Q", "W", "E", "R", "T", "Y", "U", "I", "O", "P", "[", "]"],
     [60, 62, 64, 65, 67, 69, 71, 72, 74, 76, 77, 79], 0.5),
    (["A", "S", "D", "F", "G", "H", "J", "K", "L", ";", "'"],
     [44, 46, None, 49, 51, None, 54, 56, 58, None, 61], 0.75),
    (["Z", "X", "C", "V", "B", "N", "M", ",", ".", "/"],
     [45, 47, 48, 50, 52, 53, 55, 57, 59, 60], 1.25),
]
NOTE_NAMES = ["C", "C♯", "D", "D♯", "E", "F", "F♯", "G", "G♯", "A", "A♯", "B"]


def note_name(midi):
    return NOTE_NAMES[midi % 12]


def chart_labels():
    """{key cap: note label} as printed on the keyboard chart (silent keys omitted)."""
    return {k: note_name(n) for keys, notes, _ in KEY_ROWS for k, n in zip(keys, notes) if n is not None}


def draw_keyboard_chart():
    """536 x 200 chart of the four playing rows with the note of every key."""
    W, H = 536, 200
    S = 3
    im = Image.new("RGBA", (W * S, H * S), (0, 0, 0, 0))
    d = ImageDraw.Draw(im, "RGBA")
    d.rounded_rectangle([0, 0, W * S - 1, H * S - 1], radius=14 * S, fill=(255, 250, 235, 255),
                        outline=(120, 90, 60, 255), width=2 * S)
    colours = {"C": (240, 70, 70), "D": (250, 150, 40), "E": (245, 210, 40), "F": (90, 190, 80),
               "G": (40, 180, 200), "A": (70, 120, 230), "B": (160, 90, 210)}
    rows = KEY_ROWS
    kw, kh, gap = 38.5, 43, 4
    x0, y0 = 8, 8
    note_font = ImageFont.truetype(LATIN_BOLD, 17 * S)
    key_font = ImageFont.truetype(LATIN, 10 * S)
    for r, (keys, notes, off) in enumerate(rows):
        for i, (k, n) in enumerate(zip(keys, notes)):
            x = x0 + (off + i) * kw
            y = y0 + r * (kh + 5)
            box = [x * S, y * S, (x + kw - gap) * S, (y + kh) * S]
            if n is None:
                d.rounded_rectangle(box, radius=6 * S, fill=(225, 222, 215, 255), outline=(190, 186, 178, 255),
                                    width=S)
                d.text(((x + 4) * S, (y + 2) * S), k, font=key_font, fill=(160, 156, 150, 255))
                continue
            name = note_name(n)
            sharp = "♯" in name
            base = colours[name[0]]
            fillc = tuple(int(c * 0.55) for c in base) if sharp else base
            d.rounded_rectangle(box, radius=6 * S, fill=fillc + (255,), outline=(60, 50, 40, 255), width=S)
            d.text(((x + 4) * S, (y + 1) * S), k, font=key_font, fill=(255, 255, 255, 255))
            tb = d.textbbox((0, 0), name, font=note_font)
            tx = x * S + ((kw - gap) * S - (tb[2] - tb[0])) / 2 - tb[0]
            ty = (y + 16) * S
            d.text((tx + S, ty + S), name, font=note_font, fill=tuple(int(c * 0.5) for c in fillc) + (255,))
            d.text((tx, ty), name, font=note_font, fill=(255, 255, 255, 255))
    return im.resize((W, H), Image.LANCZOS)


# --------------------------------------------------------------------------
# The deliverables
# --------------------------------------------------------------------------

def sprite(name, size, flip=False, tint=None):
    s = trimmed(emoji(name, size))
    if tint:
        s = tint(s)
    if flip:
        s = s.transpose(Image.FLIP_LEFT_RIGHT)
    return s


def composite(parts, w, h):
    c = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    for img, x, y in parts:
        c.alpha_composite(img, (int(x), int(y)))
    return trimmed(c)


ITEMS = [  # (bitmap id, emoji or picture key)
    (181, "goose"), (182, "pigeon"), (185, "bat"), (186, "dove"), (187, "swan"), (197, "eagle"),
    (205, "rooster"), (207, "sparrow"), (225, "crane"), (226, "parrot"), (222, "owl"),
    (188, "goldfish"), (193, "crab"), (210, "frog"), (209, "penguin"), (211, "tropical-fish"),
    (208, "honeybee"), (213, "dragonfly"), (206, "butterfly"), (224, "mosquito"), (221, "ant"),
    (198, "leopard"), (199, "elephant"), (200, "horse"), (201, "tiger"), (223, "rabbit"),
    (227, "t-rex"), (218, "two-hump-camel"), (217, "monkey"), (215, "gorilla"),
    (183, "dog"), (184, "cat"),
    (195, "locomotive"), (194, "automobile"), (212, "bicycle"), (220, "cart"), (196, "badge"),
    (216, "sailboat"), (202, "helicopter"), (203, "airplane"),
    (169, "musical-keyboard"), (173, "guitar"), (176, "zither"), (178, "dulcimer"), (174, "violin"),
    (175, "cello"), (172, "saxophone"), (168, "drumkit"), (179, "timpani"), (170, "trumpet"),
    (171, "trombone"), (180, "birdsong"), (177, "bell"),
]


def special(key, size):
    """Pictures that are not a single emoji (shared by items and boards)."""
    if key == "pigeon":
        return sprite("dove", size, tint=lambda s: greyish(s, (170, 190, 230), 0.8, 0.95))
    if key == "sparrow":
        return sprite("bird", size, tint=lambda s: hue_shift(s, 25, 0.55))
    if key == "crane":
        return sprite("flamingo", size, tint=lambda s: greyish(s, (255, 255, 255), 0.0, 1.25))
    if key == "goldfish":
        return sprite("fish", size, tint=lambda s: hue_shift(s, 180, 1.1))
    if key == "dragonfly":
        return trimmed(draw_dragonfly(size, 0.0))
    if key == "cart":
        horse = sprite("horse", int(size * 0.6), flip=True)
        wheel = sprite("wheel", int(size * 0.42))
        c = Image.new("RGBA", (size * 2, size), (0, 0, 0, 0))
        d = ImageDraw.Draw(c)
        cx0 = int(size * 0.05)
        d.rounded_rectangle([cx0, int(size * 0.32), cx0 + int(size * 0.78), int(size * 0.66)], radius=8,
                            fill=(200, 120, 60, 255), outline=(130, 70, 30, 255), width=3)
        d.rectangle([cx0 + 6, int(size * 0.38), cx0 + int(size * 0.78) - 6, int(size * 0.44)],
                    fill=(240, 190, 90, 255))
        d.line([(cx0 + int(size * 0.78), int(size * 0.5)), (int(size * 1.05), int(size * 0.58))],
               fill=(120, 70, 30, 255), width=6)
        c.alpha_composite(wheel, (cx0 + int(size * 0.18), int(size * 0.5)))
        c.alpha_composite(horse, (int(size * 0.86), int(size * 0.3)))
        return trimmed(c)
    if key == "zither":
        return trimmed(draw_zither(size * 2, int(size * 0.8)))
    if key == "dulcimer":
        return trimmed(draw_dulcimer(int(size * 1.4), size))
    if key == "trombone":
        return trimmed(draw_trombone(int(size * 1.5), int(size * 0.7)))
    if key == "cello":   # upright, larger and darker than the violin, on an end pin
        v = trimmed(emoji("violin", size).rotate(45, Image.BICUBIC, expand=True))
        v = hue_shift(v, -6, 1.15)
        v = v.resize((int(v.width * 0.8), int(v.height * 1.3)), Image.LANCZOS)
        c = Image.new("RGBA", (v.width, v.height + size // 8), (0, 0, 0, 0))
        ImageDraw.Draw(c).line([(v.width // 2, v.height - 10), (v.width // 2, c.height - 2)],
                               fill=(90, 90, 100, 255), width=max(2, size // 60))
        c.alpha_composite(v, (0, 0))
        return trimmed(c)
    if key == "timpani":
        return trimmed(draw_timpani(size, 0.0))
    if key == "drumkit":
        return trimmed(draw_cymbal_kit(size))
    if key == "birdsong":
        bird = sprite("bird", int(size * 0.7))
        notes = sprite("musical-notes", int(size * 0.45))
        return composite([(bird, 0, size * 0.28), (notes, size * 0.58, 0)], size * 2, size * 2)
    if key == "badge":
        return trimmed(draw_badge(3, "AB", size))
    return sprite(key, size)


def make_tobble(D):
    # icon
    icon_src = emoji("baby-chick", 256)
    D.add("ICON", "128", "tobble.ico",
          fmt.ico_bytes([icon_src.resize((s, s), Image.LANCZOS) for s in (16, 24, 32, 48, 64)]),
          icon_src.resize((64, 64), Image.LANCZOS))
    # tree pictures
    for bid, name in ((139, "glowing-star"), (142, "four-leaf-clover")):
        img = fit(emoji(name, 64), 16, 16)
        D.add("BITMAP", str(bid), "bitmap%d.bmp" % bid, fmt.bmp8_bytes(img), img)
    # item pictures
    for bid, key in ITEMS:
        pic = special(key, 192)
        if key in ("zither", "trombone"):   # long instruments fill the square on a diagonal
            pic = pic.rotate(30, Image.BICUBIC, expand=True)
        img = fit(pic, 60, 60)
        c = Image.new("RGBA", (64, 64), (0, 0, 0, 0))
        c.alpha_composite(img, (2, 2))
        D.add("BITMAP", str(bid), "bitmap%d.bmp" % bid, fmt.bmp8_bytes(c), c)
    # toolbar buttons (32 x 32 above the caption) and the banner
    for bid, name in ((141, "play-button"), (145, "gear"), (144, "counterclockwise-arrows-button"),
                      (143, "red-question-mark"), (192, "information")):
        img = fit(emoji(name, 128), 32, 32)
        D.add("BITMAP", str(bid), "bitmap%d.bmp" % bid, fmt.bmp8_bytes(img), img)
    banner = make_banner(288, 72)
    D.add("BITMAP", "146", "bitmap146.bmp", fmt.bmp8_bytes(banner), banner)
    # style pictures
    for i in range(5):
        D.image("BACK_GROUND_IMAGE%d" % i, scenes.style_picture(i), "jpg")
    for i in range(5):
        D.image("LIST_BACK_GROUND_IMAGE%d" % i, scenes.list_tile(i), "jpg")
    # reminder pictures
    D.image("IMAGE_REMIND", text_picture(
        "按键盘左上角的Esc键可以退出，按其他键尽情玩；右键菜单里也有“退出”；这条提示可以在设置里关掉",
        900, 25, 18), "gif")
    D.image("IMAGE_REMIND_EXIT", text_picture("游戏时间到了，请按键盘左上角的Esc键退出", 400, 25, 18), "gif")


def make_banner(w, h):
    S = 3
    im = Image.new("RGBA", (w * S, h * S), (0, 0, 0, 0))
    d = ImageDraw.Draw(im, "RGBA")
    letters = "Bimbly"
    cols = [(240, 70, 70), (250, 150, 40), (236, 190, 20), (80, 180, 80), (50, 150, 230), (160, 90, 210)]
    font = ImageFont.truetype(LATIN_BOLD, 44 * S)
    x = 64 * S
    for ch, col in zip(letters, cols):
        box = d.textbbox((0, 0), ch, font=font)
        y = (h * S - (box[3] - box[1])) // 2 - box[1]
        d.text((x + 2 * S, y + 2 * S), ch, font=font, fill=(0, 0, 0, 60))
        d.text((x, y), ch, font=font, fill=col + (255,))
        x += box[2] - box[0] + 3 * S
    im = im.resize((w, h), Image.LANCZOS)
    chick = fit(emoji("baby-chick", 128), 56, 56)
    im.alpha_composite(chick, (4, (h - 56) // 2))
    notes = fit(emoji("musical-notes", 96), 34, 34)
    im.alpha_composite(notes, (w - 38, 2))
    star = fit(emoji("glowing-star", 96), 26, 26)
    im.alpha_composite(star, (w - 32, h - 28))
    return im


def make_update(D):
    icon_src = emoji("counterclockwise-arrows-button", 256)
    chick = emoji("baby-chick", 160)
    icon_src.alpha_composite(chick, (96, 96))
    D.add("ICON", "128", "update.ico",
          fmt.ico_bytes([icon_src.resize((s, s), Image.LANCZOS) for s in (16, 24, 32, 48, 64)]),
          icon_src.resize((64, 64), Image.LANCZOS))
    for i in range(5):
        D.image("BACK_GROUND_IMAGE%d" % i, scenes.style_picture(i), "jpg")


def make_upmender(D):
    w, h = 192, 128
    S = 3
    im = Image.new("RGB", (w * S, h * S), (255, 255, 255))
    d = ImageDraw.Draw(im)
    d.rectangle([0, 0, w * S, h * S], fill=(250, 246, 230))
    d.rectangle([0, 0, w * S, 34 * S], fill=(120, 190, 90))
    d.rectangle([0, 34 * S, w * S, 36 * S], fill=(90, 160, 70))
    d.rectangle([0, (h - 20) * S, w * S, h * S], fill=(236, 228, 200))
    d.rectangle([0, 0, w * S - 1, h * S - 1], outline=(90, 130, 70), width=2 * S)
    font = ImageFont.truetype(LATIN_BOLD, 15 * S)
    d.text((40 * S, 8 * S), "Bimbly", font=font, fill=(255, 255, 255))
    im = im.resize((w, h), Image.LANCZOS).convert("RGBA")
    im.alpha_composite(fit(emoji("check-mark-button", 96), 26, 26), (8, 4))
    im.alpha_composite(fit(emoji("baby-chick", 96), 22, 22), (w - 28, 6))
    for i, x in enumerate(range(12, w - 10, 30)):
        im.alpha_composite(fit(emoji(["star", "sparkles"][i % 2], 64), 12, 12), (x, h - 16))
    D.add("BITMAP", "129", "bitmap129.bmp", fmt.bmp24_bytes(im), im)


def make_music(D):
    backs = [("stage", 1), ("concert", 2), ("music-garden", 3), ("stage", 4), ("concert", 5),
             ("music-garden", 6)]
    for i, (kind, seed) in enumerate(backs):
        D.image("BACK%d" % (i + 1), scenes.scene(kind, seed, emoji), "jpg")
    D.image("IMG1", draw_keyboard_chart(), "png")
    D.image("IMG2", special("guitar", 300), "png")
    violin = special("violin", 300)
    D.image("IMG3", violin_frames(violin), "gif", delay=10)
    D.image("IMG4", special("musical-keyboard", 340), "png")
    D.image("IMG5", special("zither", 200), "png")
    D.image("IMG6", special("dulcimer", 240), "png")
    D.image("IMG7", special("cello", 300), "png")
    D.image("IMG8", special("saxophone", 300), "png")
    D.image("IMG9", special("drumkit", 320), "png")
    D.image("IMG10", timpani_frames(260), "gif", key=fmt.WHITE, delay=10)
    D.image("IMG11", special("trumpet", 300), "png")
    D.image("IMG12", special("trombone", 240), "png")
    D.image("IMG13", birds_on_branch(300), "gif", delay=15)
    bells = composite([(sprite("bell", 150).rotate(12, Image.BICUBIC, expand=True), 0, 0),
                       (sprite("bell", 150).rotate(-12, Image.BICUBIC, expand=True), 130, 0)], 360, 220)
    D.image("IMG14", anim(bells, "swing"), "gif", delay=10)
    pianist = composite([(sprite("man-raising-hand-default", 130), 0, 0),
                         (sprite("musical-keyboard", 150), 80, 50)], 280, 230)
    D.image("IMG15", anim(pianist, "bob"), "gif", delay=15)
    guitarist = composite([(sprite("man-standing-default", 190), 40, 0),
                           (sprite("guitar", 120).rotate(-30, Image.BICUBIC, expand=True), 0, 40)], 240, 240)
    D.image("IMG16", anim(guitarist, "walk"), "gif", delay=15)
    D.image("IMG17", anim(sprite("man-dancing-default", 150), "dance"), "gif", delay=20)
    D.image("IMG18", anim(sprite("woman-dancing-default", 150), "dance"), "gif", delay=20)
    two_birds = composite([(sprite("baby-chick", 60), 0, 10), (sprite("bird", 60, flip=True), 62, 0)], 140, 90)
    D.image("IMG19", anim(two_birds, "hop"), "gif", delay=12)


def violin_frames(violin):
    notes = sprite("musical-note", 60)
    frames = []
    base = anim(violin, "rock")
    for i, f in enumerate(base):
        f = f.copy()
        f.alpha_composite(notes, (f.width - 70, max(0, 10 + (i % 2) * 20)))
        frames.append(f)
    return frames


def timpani_frames(size):
    return [draw_timpani(size, h) for h in (0.0, 0.5, 1.0, 0.5)]


def birds_on_branch(size):
    frames = []
    branch = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    d = ImageDraw.Draw(branch)
    d.line([(0, size * 0.72), (size * 0.5, size * 0.66), (size, size * 0.7)], fill=(130, 84, 50, 255), width=12)
    d.line([(size * 0.7, size * 0.68), (size * 0.9, size * 0.55)], fill=(130, 84, 50, 255), width=7)
    leaf = sprite("herb", 46)
    birds = [sprite("bird", 96), sprite("baby-chick", 80), sprite("bird", 90, flip=True,
                                                                    tint=lambda s: hue_shift(s, 200))]
    pos = [(20, 0.68), (120, 0.67), (200, 0.69)]
    for k in range(4):
        c = branch.copy()
        c.alpha_composite(leaf, (int(size * 0.82), int(size * 0.45)))
        for j, (b, (x, fy)) in enumerate(zip(birds, pos)):
            hop = 10 if (k + j) % 4 == 1 else (4 if (k + j) % 4 in (0, 2) else 0)
            c.alpha_composite(b, (x, int(size * fy) - b.height - hop + 6))
        frames.append(c)
    return frames


def make_insect(D):
    for i, (kind, seed) in enumerate((("meadow", 11), ("pond", 12), ("garden", 13), ("meadow", 14),
                                      ("meadow", 15))):
        D.image("BACK%d" % (i + 1), scenes.scene(kind, seed, emoji), "jpg")
    D.image("IMG1", anim(sprite("honeybee", 140, flip=True), "buzz"), "gif", delay=6)
    D.image("IMG2", [draw_dragonfly(190, p) for p in (0.0, 0.5, 1.0, 0.5)], "gif", delay=5)
    D.image("IMG3", anim(sprite("butterfly", 130), "butterfly"), "gif", delay=10)
    D.image("IMG4", anim(sprite("butterfly", 130, tint=lambda s: hue_shift(s, 200)), "butterfly"),
            "gif", delay=10)
    D.image("IMG5", anim(sprite("butterfly", 130, flip=True, tint=lambda s: hue_shift(s, 300)),
                         "butterfly"), "gif", delay=10)
    D.image("IMG6", anim(sprite("mosquito", 120, flip=True), "buzz"), "gif", key=fmt.WHITE, delay=5)
    D.image("IMG7", anim(sprite("ant", 90), "walk"), "gif", key=fmt.WHITE, delay=12)
    D.wave("WAVE1", "bee")
    D.wave("WAVE2", "mosquito")


def fit_frame(f, w, h):
    c = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    s = min(w / f.width, h / f.height, 1.0)
    if s < 1.0:
        f = f.resize((int(f.width * s), int(f.height * s)), Image.LANCZOS)
    c.alpha_composite(f, ((w - f.width) // 2, (h - f.height) // 2))
    return c


def make_bird(D):
    backs = [("sky", 21), ("sky", 22), ("night", 23), ("seaside", 24), ("pond", 25), ("sunset", 26),
             ("farm", 27), ("meadow", 28), ("sky", 29), ("jungle", 30), ("owl", 31)]
    for i, (kind, seed) in enumerate(backs):
        D.image("BACK%d" % (i + 1), scenes.scene(kind, seed, emoji), "jpg")
    D.image("IMG1", anim(sprite("goose", 150), "flap"), "gif", delay=12)
    D.image("IMG2", anim(special("pigeon", 150), "flap"), "gif", delay=10)
    D.image("IMG3", anim(sprite("bat", 150), "wings"), "gif", delay=8)
    D.image("IMG4", anim(sprite("dove", 150), "flap"), "gif", delay=12)
    D.image("IMG5", anim(sprite("swan", 170, flip=True), "swim"), "gif", delay=16)
    D.image("IMG6", anim(sprite("eagle", 180, flip=True), "flap"), "gif", delay=14)
    D.image("IMG7", anim(sprite("rooster", 190), "crow"), "gif", delay=10)
    D.image("IMG8", anim(special("sparrow", 110), "flap"), "gif", delay=8)
    D.image("IMG9", anim(special("crane", 190).transpose(Image.FLIP_LEFT_RIGHT), "flap"), "gif", delay=14)
    D.image("IMG10", anim(sprite("parrot", 170), "crow"), "gif", delay=10)
    D.image("IMG11", anim(sprite("owl", 170), "crow"), "gif", delay=10)
    for i in range(11):
        D.wave("WAVE%d" % (i + 1), ["goose", "pigeon", "bat", "seagull", "swan", "eagle",
                                             "rooster", "sparrow", "crane", "parrot", "owl"][i])


def make_traffic(D):
    backs = [("rail", 41), ("road", 42), ("sky", 43), ("sky", 44), ("meadow", 45), ("meadow", 46),
             ("harbour", 47)]
    for i, (kind, seed) in enumerate(backs):
        D.image("BACK%d" % (i + 1), scenes.scene(kind, seed, emoji), "jpg")
    D.image("IMG1", train_frames(), "gif", delay=12)
    D.image("IMG2", anim(sprite("automobile", 120), "bob", margin=0.06), "gif", delay=8)
    D.image("IMG3", anim(sprite("helicopter", 190, flip=True), "buzz"), "gif", delay=6)
    plane = trimmed(emoji("airplane", 260).rotate(-40, Image.BICUBIC, expand=True))
    D.image("IMG4", anim(plane, "bob", margin=0.06), "gif", delay=14)
    D.image("IMG5", anim(sprite("person-biking-default", 160, flip=True), "walk", margin=0.08), "gif", delay=10)
    D.image("IMG6", anim(special("cart", 180), "walk", margin=0.08), "gif", delay=10)
    D.image("IMG7", anim(sprite("sailboat", 200), "rock"), "gif", delay=18)
    for i, key in enumerate(["train", "train-stop", "car", "car-horn", "helicopter", "airliner",
                             "bicycle", "hooves", "ship"]):
        D.wave("WAVE%d" % (i + 1), key)


def train_frames():
    loco = sprite("locomotive", 170, flip=True)
    wagon = Image.new("RGBA", (150, 100), (0, 0, 0, 0))
    d = ImageDraw.Draw(wagon)
    d.rounded_rectangle([4, 10, 146, 72], radius=10, fill=(60, 140, 220, 255), outline=(30, 80, 150, 255), width=3)
    for x in (18, 62, 106):
        d.rounded_rectangle([x, 22, x + 28, 46], radius=4, fill=(220, 240, 255, 255))
    for x in (36, 114):
        d.ellipse([x - 16, 62, x + 16, 94], fill=(50, 50, 60, 255))
        d.ellipse([x - 7, 71, x + 7, 85], fill=(200, 200, 210, 255))
    smoke = sprite("cloud", 60)
    frames = []
    for k in range(4):
        c = Image.new("RGBA", (360, 220), (0, 0, 0, 0))
        c.alpha_composite(wagon, (4, 220 - 100 - 8 + (2 if k % 2 else 0)))
        c.alpha_composite(loco, (150, 220 - loco.height - 4 + (0 if k % 2 else 2)))
        for j in range(3):
            s = smoke.resize((int(smoke.width * (0.6 + 0.25 * j)), int(smoke.height * (0.6 + 0.25 * j))))
            c.alpha_composite(s, (250 - j * 34 - k * 8, max(0, 60 - j * 22 - k * 4)))
        frames.append(c)
    return frames


def make_animal(D):
    backs = [("savanna", 51), ("savanna", 52), ("meadow", 53), ("jungle", 54), ("meadow", 55),
             ("volcano", 56), ("desert", 57), ("jungle", 58), ("jungle", 59)]
    for i, (kind, seed) in enumerate(backs):
        D.image("BACK%d" % (i + 1), scenes.scene(kind, seed, emoji), "jpg")
    D.image("IMG1", anim(sprite("leopard", 190, flip=True), "walk"), "gif", delay=10)
    D.image("IMG2", anim(sprite("elephant", 230, flip=True), "walk"), "gif", delay=16)
    D.image("IMG3", anim(sprite("horse", 200, flip=True), "hop"), "gif", delay=8)
    D.image("IMG4", anim(sprite("tiger", 200, flip=True), "walk"), "gif", delay=10)
    D.image("IMG5", anim(sprite("rabbit", 130), "hop"), "gif", delay=10)
    D.image("IMG6", anim(sprite("t-rex", 230, flip=True), "walk"), "gif", key=fmt.WHITE, delay=14)
    D.image("IMG7", anim(sprite("two-hump-camel", 220), "crow"), "gif", delay=12)
    D.image("IMG8", anim(sprite("monkey", 170), "crow"), "gif", delay=10)
    D.image("IMG9", anim(sprite("gorilla", 200, flip=True), "walk"), "gif", key=fmt.WHITE, delay=14)
    for i, key in enumerate(["leopard", "elephant", "horse", "gallop", "tiger", "dinosaur", "camel",
                             "monkey", "gorilla"]):
        D.wave("WAVE%d" % (i + 1), key)


def make_pet(D):
    for i, (kind, seed) in enumerate((("garden", 61), ("garden", 62), ("meadow", 63), ("garden", 64),
                                      ("meadow", 65))):
        D.image("BACK%d" % (i + 1), scenes.scene(kind, seed, emoji), "jpg")
    D.image("IMG1", anim(sprite("dog", 110), "walk"), "gif", key=fmt.BLUE, delay=10)
    D.image("IMG2", anim(sprite("cat", 100, flip=True), "walk"), "gif", key=fmt.BLUE, delay=12)
    D.wave("WAVE1", "dog")
    D.wave("WAVE2", "cat")


def make_sea(D):
    for i, (kind, seed) in enumerate((("underwater", 71), ("underwater", 72), ("pond", 73), ("snow", 74),
                                      ("underwater", 75))):
        D.image("BACK%d" % (i + 1), scenes.scene(kind, seed, emoji), "jpg")
    D.image("IMG1", anim(special("goldfish", 130), "swim"), "gif", key=fmt.BLUE, delay=12)
    D.image("IMG2", anim(sprite("crab", 80), "walk"), "gif", delay=10)
    D.image("IMG3", anim(sprite("frog", 120), "hop"), "gif", delay=10)
    D.image("IMG4", anim(sprite("penguin", 130), "walk"), "gif", delay=14)
    D.image("IMG5", anim(sprite("tropical-fish", 150), "swim"), "gif", delay=12)
    D.wave("WAVE3", "frog")
    D.wave("WAVE4", "penguin")


BADGES = ["奥迪", "宝马", "奔驰", "大众", "标志", "雪铁龙", "野马", "大宇", "现代", "别克", "道奇", "福特",
          "林肯", "卡迪拉客", "雪佛莱", "本田", "大发", "丰田", "马自达", "尼桑", "讴歌", "三菱", "沃尔沃",
          "阿尔发", "法拉力", "菲亚特", "兰博基尼", "蓝旗亚", "玛莎拉蒂", "阿斯顿 马丁", "宾利", "捷豹",
          "劳斯莱斯", "莲花", "路虎", "迷你", "名爵", "长安", "东风", "红旗", "起亚"]
# Pinyin initials shown on the invented badges, one entry per name above.
BADGE_LETTERS = ["AD", "BM", "BC", "DZ", "BZ", "XTL", "YM", "DY", "XD", "BK", "DQ", "FT", "LK", "KDL",
                 "XFL", "BT", "DF", "FT", "MZD", "NS", "OG", "SL", "WEW", "AEF", "FLL", "FYT", "LBJ",
                 "LQY", "MSL", "ASD", "BL", "JB", "LSL", "LH", "LH", "MN", "MJ", "CA", "DF", "HQ", "QY"]


def make_carlogo(D):
    for i in range(5):
        D.image("BACK%d" % (i + 1), scenes.scene("badge", i, emoji), "jpg")
    for n, letters in enumerate(BADGE_LETTERS):
        D.image("IMG%d" % n, draw_badge(n, letters, 256), "png")
    D.strings = [(7000 + n, name) for n, name in enumerate(BADGES)]


# --------------------------------------------------------------------------
# NOTICE, contact sheets, main
# --------------------------------------------------------------------------

def contact_sheet(D, path):
    cell = 200
    items = D.sheet
    if not items:
        return
    cols = 6
    rows = (len(items) + cols - 1) // cols
    sheet = Image.new("RGB", (cols * cell, rows * (cell + 16)), (245, 245, 245))
    d = ImageDraw.Draw(sheet)
    font = ImageFont.truetype(LATIN, 11)
    for i, (label, img) in enumerate(items):
        x, y = (i % cols) * cell, (i // cols) * (cell + 16)
        im = img.convert("RGBA")
        s = min((cell - 8) / im.width, (cell - 8) / im.height)
        im = im.resize((max(1, int(im.width * s)), max(1, int(im.height * s))),
                       Image.NEAREST if s > 1 else Image.LANCZOS)
        bg = Image.new("RGBA", im.size, (255, 255, 255, 255))
        bg.alpha_composite(im)
        sheet.paste(bg.convert("RGB"), (x + (cell - im.width) // 2, y + (cell - im.height) // 2))
        d.text((x + 4, y + cell + 1), label[:34], font=font, fill=(0, 0, 0))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    sheet.save(path)


def board_preview(root, deck, back, img, fname, sizes=((1024, 768), (1920, 1080))):
    """A board background with one of its pictures over it, at two screen sizes."""
    from PIL import Image as I
    out = []
    for w, h in sizes:
        bg = I.open(os.path.join(root, deck, back)).convert("RGBA").resize((w, h), I.LANCZOS)
        with I.open(os.path.join(root, deck, img)) as g:
            g.seek(0)
            sp = g.convert("RGBA")
        corner = sp.getpixel((0, 0))
        if corner[3] == 255 and corner[:3] in (fmt.WHITE, fmt.BLUE):   # colour-keyed picture
            arr = np.asarray(sp).copy()
            arr[(arr[:, :, :3] == corner[:3]).all(axis=2)] = 0
            sp = Image.fromarray(arr, "RGBA")
        for k in range(3):
            bg.alpha_composite(sp, (int(w * (0.15 + 0.3 * k)), int(h * 0.55) - sp.height // 2))
        out.append(bg.resize((w // 2, h // 2), I.LANCZOS))
    sheet = I.new("RGB", (out[0].width + out[1].width + 10, max(o.height for o in out)), (255, 255, 255))
    sheet.paste(out[0].convert("RGB"), (0, 0))
    sheet.paste(out[1].convert("RGB"), (out[0].width + 10, 0))
    sheet.save(fname)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--root", default=os.path.join(REPO, "resources"))
    ap.add_argument("--only", nargs="*", help="deliverables to regenerate")
    args = ap.parse_args()
    t0 = time.time()
    makers = {"Tobble": make_tobble, "Update": make_update, "Upmender": make_upmender,
              "Music": make_music, "DeckInsect": make_insect, "DeckBird": make_bird,
              "DeckTraffic": make_traffic, "DeckAnimal": make_animal, "DeckPet": make_pet,
              "DeckSea": make_sea, "DeckCarLogo": make_carlogo}
    snd.prepare(ART)
    for name in DELIVERABLES:
        if args.only and name not in args.only:
            continue
        D = Deliverable(name, args.root)
        makers[name](D)
        D.write()
        contact_sheet(D, os.path.join(ART, "sheets", name + ".png"))
        print("%-12s %3d files %8d bytes" % (name, len(D.files), sum(len(v) for v in D.files.values())))
    import resgen_notice
    _write_if_changed(os.path.join(args.root, "NOTICE"), resgen_notice.text(snd.CREDITS, {
        n: sorted(u for k in keys for u in WAVE_USES.get(k, [])) for n, keys in snd.USED_BY.items()}).encode("utf-8"))
    if not args.only:
        prev = os.path.join(ART, "sheets")
        for deck, back, img in (("DeckInsect", "back1.jpg", "img1.gif"), ("DeckBird", "back3.jpg", "img3.gif"),
                                ("DeckPet", "back1.jpg", "img1.gif"), ("DeckSea", "back1.jpg", "img5.gif"),
                                ("DeckTraffic", "back2.jpg", "img2.gif"), ("DeckAnimal", "back6.jpg", "img6.gif")):
            board_preview(args.root, deck, back, img, os.path.join(prev, "board-%s.png" % deck))
    print("done in %.1f s" % (time.time() - t0))


if __name__ == "__main__":
    main()
