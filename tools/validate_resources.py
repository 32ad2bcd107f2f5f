#!/usr/bin/python3
"""Check the committed pictures and sounds against what the programs expect.

Standard library only.  For every deliverable under --root it checks that
each resource the code looks up is declared in the deliverable's .rc files,
that the file exists and is of the right format, size and kind (still or
animated, colour key, bit depth), that no picture or sound is declared that
the code never uses, and that the car-badge string table is complete.
Exits 1 and prints one line per fault when anything is wrong.
"""
import argparse
import os
import re
import struct
import sys
import zlib

WHITE = (255, 255, 255)
BLUE = (0, 0, 255)
PINK = (255, 80, 167)

# --------------------------------------------------------------------------
# What the code expects
# --------------------------------------------------------------------------

ITEM_BITMAPS = [181, 182, 185, 186, 187, 197, 205, 207, 225, 226, 222, 188, 193, 210, 209, 211,
                208, 213, 206, 224, 221, 198, 199, 200, 201, 223, 227, 218, 217, 215, 183, 184,
                195, 194, 212, 220, 196, 216, 202, 203, 169, 173, 176, 178, 174, 175, 172, 168,
                179, 170, 171, 180, 177]

BADGE_NAMES = ["奥迪", "宝马", "奔驰", "大众", "标志", "雪铁龙", "野马", "大宇", "现代", "别克", "道奇",
               "福特", "林肯", "卡迪拉客", "雪佛莱", "本田", "大发", "丰田", "马自达", "尼桑", "讴歌",
               "三菱", "沃尔沃", "阿尔发", "法拉力", "菲亚特", "兰博基尼", "蓝旗亚", "玛莎拉蒂",
               "阿斯顿 马丁", "宾利", "捷豹", "劳斯莱斯", "莲花", "路虎", "迷你", "名爵", "长安", "东风",
               "红旗", "起亚"]

BACKGROUND = {"kind": "background"}          # JPEG, 1024 x 768
STILL = {"kind": "picture", "animated": False}   # PNG
MOVING = {"kind": "picture"}                 # PNG or GIF
ANIMATED = {"kind": "picture", "animated": True}  # GIF with more than one frame


def keyed(colour, animated=None):
    return {"kind": "picture", "key": colour, "animated": animated}


def _backs(n):
    return {"BACK%d" % i: BACKGROUND for i in range(1, n + 1)}


def _waves(*numbers):
    return {"WAVE%d" % i: {"kind": "wave"} for i in numbers}


def expected():
    """deliverable -> {"images": {name: want}, "waves": {...}, "bitmaps": {id: want},
    "icons": [ids], "strings": {id: text}}"""
    e = {}
    tob_bitmaps = {139: {"size": (16, 16), "bits": 8, "white": True},
                   142: {"size": (16, 16), "bits": 8, "white": True}}
    for b in ITEM_BITMAPS:
        tob_bitmaps[b] = {"size": (64, 64), "bits": 8, "white": True}
    for b in (141, 143, 144, 145, 192):   # toolbar: picture above the caption of a 36 x 36 DLU button
        tob_bitmaps[b] = {"max": (48, 40), "bits": 8, "white": True}
    tob_bitmaps[146] = {"max": (297, 78), "bits": 8, "white": True}   # banner, 198 x 48 DLU
    tob_images = {}
    for i in range(5):
        tob_images["BACK_GROUND_IMAGE%d" % i] = BACKGROUND
        tob_images["LIST_BACK_GROUND_IMAGE%d" % i] = {"kind": "tile"}
    tob_images["IMAGE_REMIND"] = {"kind": "text", "size": (900, 25)}
    tob_images["IMAGE_REMIND_EXIT"] = {"kind": "text", "size": (400, 25)}
    e["Tobble"] = {"images": tob_images, "waves": {}, "bitmaps": tob_bitmaps, "icons": [128]}
    e["Update"] = {"images": {"BACK_GROUND_IMAGE%d" % i: BACKGROUND for i in range(5)},
                   "waves": {}, "bitmaps": {}, "icons": [128]}
    e["Upmender"] = {"images": {}, "waves": {}, "icons": [],
                     "bitmaps": {129: {"size": (192, 128), "bits": 24}}}

    music = _backs(6)
    music["IMG1"] = dict(STILL, size=(536, 200))
    for n in (2, 4, 5, 6, 7, 8, 9, 11, 12):
        music["IMG%d" % n] = STILL
    for n in (3, 13, 14, 15, 16, 17, 18, 19):
        music["IMG%d" % n] = ANIMATED
    music["IMG10"] = keyed(WHITE, True)
    e["Music"] = {"images": music, "waves": {}}

    ins = _backs(5)
    ins.update({"IMG1": ANIMATED, "IMG2": MOVING, "IMG3": MOVING, "IMG4": MOVING, "IMG5": MOVING,
                "IMG6": keyed(WHITE), "IMG7": keyed(WHITE, True)})
    e["DeckInsect"] = {"images": ins, "waves": _waves(1, 2)}

    traffic = _backs(7)
    traffic.update({"IMG%d" % n: MOVING for n in range(1, 8)})
    traffic["IMG1"] = ANIMATED
    traffic["IMG2"] = ANIMATED
    e["DeckTraffic"] = {"images": traffic, "waves": _waves(*range(1, 10))}

    bird = _backs(11)
    bird.update({"IMG%d" % n: MOVING for n in range(1, 12)})
    for n in (7, 10, 11):
        bird["IMG%d" % n] = ANIMATED
    e["DeckBird"] = {"images": bird, "waves": _waves(*range(1, 12))}

    animal = _backs(9)
    animal.update({"IMG%d" % n: MOVING for n in range(1, 10)})
    animal["IMG6"] = keyed(WHITE)
    animal["IMG7"] = ANIMATED
    animal["IMG8"] = ANIMATED
    animal["IMG9"] = keyed(WHITE)
    e["DeckAnimal"] = {"images": animal, "waves": _waves(*range(1, 10))}

    pet = _backs(5)
    pet.update({"IMG1": keyed(BLUE), "IMG2": keyed(BLUE)})
    e["DeckPet"] = {"images": pet, "waves": _waves(1, 2)}

    sea = _backs(5)
    sea.update({"IMG1": keyed(BLUE), "IMG2": MOVING, "IMG3": MOVING, "IMG4": MOVING, "IMG5": MOVING})
    e["DeckSea"] = {"images": sea, "waves": _waves(3, 4)}

    logo = _backs(5)
    logo.update({"IMG%d" % n: STILL for n in range(41)})
    e["DeckCarLogo"] = {"images": logo, "waves": {},
                        "strings": {7000 + n: s for n, s in enumerate(BADGE_NAMES)}}
    # The family board plays the parent's own files only.
    e["DeckFamily"] = {"images": {}, "waves": {}}
    for v in e.values():
        v.setdefault("bitmaps", {})
        v.setdefault("icons", [])
        v.setdefault("strings", {})
    return e


class Fault(Exception):
    pass


# --------------------------------------------------------------------------
# .rc parsing
# --------------------------------------------------------------------------

BLOCK_TYPES = {"DIALOG", "DIALOGEX", "MENU", "MENUEX", "VERSIONINFO", "ACCELERATORS",
               "DESIGNINFO", "TEXTINCLUDE", "TOOLBAR", "AFX_DIALOG_LAYOUT"}


def _strip_comments(text):
    text = re.sub(r"/\*.*?\*/", " ", text, flags=re.S)
    out = []
    for line in text.splitlines():
        # drop // comments that are not inside a string
        in_str = False
        cut = len(line)
        i = 0
        while i < len(line):
            c = line[i]
            if c == '"':
                in_str = not in_str
            elif not in_str and line.startswith("//", i):
                cut = i
                break
            i += 1
        out.append(line[:cut])
    return out


def _rc_string(s):
    return s.replace('""', '"').replace("\\\\", "\\")


class RcFile:
    """Resources declared by the .rc files of one folder."""

    def __init__(self):
        self.resources = {}   # (TYPE, NAME) -> (file name, rc path)
        self.strings = {}     # id -> text
        self.defines = {}
        self.duplicates = []

    def parse(self, path, seen=None):
        seen = set() if seen is None else seen
        path = os.path.normpath(path)
        if path in seen:
            return
        seen.add(path)
        with open(path, "rb") as f:
            raw = f.read()
        text = raw.decode("utf-8-sig", errors="replace")
        lines = _strip_comments(text)
        i = 0
        while i < len(lines):
            line = lines[i].strip()
            i += 1
            if not line:
                continue
            if line.startswith("#"):
                m = re.match(r'#\s*include\s+[<"]([^">]+)[">]', line)
                if m:
                    inc = os.path.join(os.path.dirname(path), m.group(1))
                    if os.path.exists(inc):
                        if inc.lower().endswith((".h", ".hpp")):
                            self._parse_header(inc)
                        else:
                            self.parse(inc, seen)
                m = re.match(r"#\s*define\s+(\w+)\s+(\d+)", line)
                if m:
                    self.defines[m.group(1)] = int(m.group(2))
                continue
            toks = line.split(None, 2)
            if toks[0].upper() == "STRINGTABLE" or (len(toks) > 1 and toks[1].upper() == "STRINGTABLE"):
                i = self._parse_strings(lines, i)
                continue
            if len(toks) >= 2 and toks[1].upper() in BLOCK_TYPES:
                i = self._skip_block(lines, i)
                continue
            if toks[0].upper() in ("LANGUAGE", "CHARACTERISTICS", "VERSION"):
                continue
            m = re.match(r'^(\S+)\s+(\S+)\s+(?:(?:DISCARDABLE|MOVEABLE|PURE|PRELOAD|LOADONCALL|FIXED|IMPURE)\s+)*"([^"]+)"\s*$',
                         line, re.I)
            if m:
                name, rtype, fname = m.group(1), m.group(2).upper().strip('"'), m.group(3)
                name = str(self.defines.get(name, name)).upper()
                key = (rtype, name)
                if key in self.resources:
                    self.duplicates.append("%s %s declared twice (%s and %s)" % (
                        rtype, name, self.resources[key][1], path))
                self.resources[key] = (fname, path)

    def _parse_header(self, path):
        with open(path, encoding="utf-8", errors="replace") as f:
            for line in f:
                m = re.match(r"\s*#\s*define\s+(\w+)\s+\(?(\d+)\)?", line)
                if m:
                    self.defines[m.group(1)] = int(m.group(2))

    @staticmethod
    def _skip_block(lines, i):
        depth = 0
        started = False
        while i < len(lines):
            words = re.findall(r'"(?:[^"]|"")*"|\w+|[{}]', lines[i])
            i += 1
            for w in words:
                if w in ("BEGIN", "{"):
                    depth += 1
                    started = True
                elif w in ("END", "}"):
                    depth -= 1
            if started and depth <= 0:
                return i
        return i

    def _parse_strings(self, lines, i):
        depth = 0
        started = False
        while i < len(lines):
            line = lines[i].strip()
            i += 1
            if line in ("BEGIN", "{"):
                depth += 1
                started = True
                continue
            if line in ("END", "}"):
                depth -= 1
                if started and depth <= 0:
                    return i
                continue
            m = re.match(r'^(\w+)\s*,?\s*L?"((?:[^"]|"")*)"', line)
            if m:
                sid = m.group(1)
                sid = self.defines.get(sid, int(sid) if sid.isdigit() else None)
                if sid is not None:
                    if sid in self.strings:
                        self.duplicates.append("string %d declared twice" % sid)
                    self.strings[sid] = _rc_string(m.group(2))
        return i


# --------------------------------------------------------------------------
# File formats
# --------------------------------------------------------------------------

def read_jpeg(data):
    if data[:2] != b"\xff\xd8":
        raise Fault("not a JPEG (no SOI marker)")
    if data[-2:] != b"\xff\xd9":
        raise Fault("JPEG is truncated (no EOI marker)")
    i = 2
    while i + 4 <= len(data):
        if data[i] != 0xFF:
            raise Fault("JPEG segment structure broken at byte %d" % i)
        marker = data[i + 1]
        if marker == 0xFF:
            i += 1
            continue
        seglen = struct.unpack(">H", data[i + 2:i + 4])[0]
        if marker in (0xC0, 0xC1, 0xC2):
            h, w = struct.unpack(">HH", data[i + 5:i + 9])
            comps = data[i + 9]
            if comps not in (1, 3):
                raise Fault("JPEG has %d colour components (CMYK?)" % comps)
            return {"size": (w, h), "progressive": marker == 0xC2}
        if 0xC3 <= marker <= 0xCF and marker not in (0xC4, 0xC8, 0xCC):
            raise Fault("JPEG uses an unsupported coding (marker %02X)" % marker)
        i += 2 + seglen
    raise Fault("JPEG has no frame header")


def read_png(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise Fault("not a PNG (bad signature)")
    i = 8
    info = None
    idat = bytearray()
    trns = False
    ended = False
    while i + 8 <= len(data):
        length, ctype = struct.unpack(">I4s", data[i:i + 8])
        body = data[i + 8:i + 8 + length]
        crc = data[i + 8 + length:i + 12 + length]
        if len(body) != length or len(crc) != 4:
            raise Fault("PNG is truncated in chunk %s" % ctype.decode("latin-1"))
        if zlib.crc32(ctype + body) != struct.unpack(">I", crc)[0]:
            raise Fault("PNG chunk %s has a bad CRC" % ctype.decode("latin-1"))
        if ctype == b"IHDR":
            w, h, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            info = {"size": (w, h), "depth": depth, "colour": colour, "interlace": interlace}
        elif ctype == b"IDAT":
            idat += body
        elif ctype == b"tRNS":
            trns = True
        elif ctype == b"IEND":
            ended = True
            break
        i += 12 + length
    if info is None:
        raise Fault("PNG has no IHDR")
    if not ended:
        raise Fault("PNG is truncated (no IEND)")
    try:
        raw = zlib.decompress(bytes(idat))
    except zlib.error as exc:
        raise Fault("PNG image data is corrupt (%s)" % exc)
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[info["colour"]]
    w, h = info["size"]
    stride = (w * channels * info["depth"] + 7) // 8
    if info["interlace"] == 0 and len(raw) != h * (stride + 1):
        raise Fault("PNG image data has %d bytes, expected %d" % (len(raw), h * (stride + 1)))
    info["alpha"] = info["colour"] in (4, 6) or trns
    return info


def _lzw_decode(min_code, data, npix):
    clear = 1 << min_code
    eoi = clear + 1
    size = min_code + 1
    table = [bytes([i]) for i in range(clear)] + [b"", b""]
    out = bytearray()
    prev = None
    bitpos = 0
    nbits = len(data) * 8
    val = int.from_bytes(data, "little")
    while bitpos + size <= nbits:
        code = (val >> bitpos) & ((1 << size) - 1)
        bitpos += size
        if code == clear:
            table = table[:clear + 2]
            size = min_code + 1
            prev = None
            continue
        if code == eoi:
            break
        if prev is None:
            if code >= len(table):
                raise Fault("GIF image data is corrupt")
            entry = table[code]
        elif code < len(table):
            entry = table[code]
            table.append(prev + entry[:1])
        elif code == len(table):
            entry = prev + prev[:1]
            table.append(entry)
        else:
            raise Fault("GIF image data is corrupt")
        out += entry
        prev = entry
        if len(table) == (1 << size) and size < 12:
            size += 1
        if len(out) >= npix:
            break
    if len(out) < npix:
        raise Fault("GIF frame has %d of %d pixels (truncated?)" % (len(out), npix))
    return bytes(out[:npix])


def read_gif(data, decode=False):
    if data[:6] not in (b"GIF87a", b"GIF89a"):
        raise Fault("not a GIF (bad signature)")
    if len(data) < 13:
        raise Fault("GIF is truncated")
    w, h, packed, bg, _ = struct.unpack("<HHBBB", data[6:13])
    i = 13
    gct = None
    if packed & 0x80:
        n = 2 << (packed & 7)
        gct = [tuple(data[i + 3 * k:i + 3 * k + 3]) for k in range(n)]
        i += 3 * n
    frames = []
    gce = {}
    trailer = False
    try:
        while i < len(data):
            b = data[i]
            if b == 0x3B:
                trailer = True
                break
            if b == 0x21:
                label = data[i + 1]
                i += 2
                blocks = []
                while True:
                    n = data[i]
                    if i + 1 + n > len(data):
                        raise IndexError
                    blocks.append(data[i + 1:i + 1 + n])
                    i += 1 + n
                    if n == 0:
                        break
                if label == 0xF9 and blocks and len(blocks[0]) >= 4:
                    p, delay, tidx = struct.unpack("<BHB", blocks[0][:4])
                    gce = {"transparent": tidx if p & 1 else None, "delay": delay}
            elif b == 0x2C:
                x, y, fw, fh, p = struct.unpack("<HHHHB", data[i + 1:i + 10])
                i += 10
                lct = None
                if p & 0x80:
                    n = 2 << (p & 7)
                    lct = [tuple(data[i + 3 * k:i + 3 * k + 3]) for k in range(n)]
                    i += 3 * n
                min_code = data[i]
                i += 1
                lzw = bytearray()
                while True:
                    n = data[i]
                    if i + 1 + n > len(data):
                        raise IndexError
                    lzw += data[i + 1:i + 1 + n]
                    i += 1 + n
                    if n == 0:
                        break
                frame = {"rect": (x, y, fw, fh), "palette": lct or gct,
                         "transparent": gce.get("transparent"), "delay": gce.get("delay", 0),
                         "interlaced": bool(p & 0x40)}
                if decode:
                    frame["pixels"] = _lzw_decode(min_code, bytes(lzw), fw * fh)
                frames.append(frame)
                gce = {}
            else:
                raise Fault("GIF block structure broken at byte %d" % i)
    except (IndexError, struct.error):
        raise Fault("GIF is truncated")
    if not trailer:
        raise Fault("GIF is truncated (no trailer)")
    if not frames:
        raise Fault("GIF has no frame")
    for f in frames:
        if f["palette"] is None:
            raise Fault("GIF frame without colour table")
    return {"size": (w, h), "frames": frames}


def read_bmp(data):
    if data[:2] != b"BM" or len(data) < 54:
        raise Fault("not a BMP")
    fsize, _, _, off = struct.unpack("<IHHI", data[2:14])
    if fsize != len(data):
        raise Fault("BMP header gives %d bytes, file has %d" % (fsize, len(data)))
    hsize, w, h, planes, bits, comp = struct.unpack("<IiiHHI", data[14:34])
    used = struct.unpack("<I", data[46:50])[0]
    info = {"size": (w, abs(h)), "bits": bits, "compression": comp}
    if comp != 0:
        info["corners"] = None
        return info
    stride = ((w * bits + 31) // 32) * 4
    if off + stride * abs(h) > len(data):
        raise Fault("BMP pixel data is truncated")
    pal = []
    if bits <= 8:
        n = used or (1 << bits)
        base = 14 + hsize
        pal = [(data[base + 4 * k + 2], data[base + 4 * k + 1], data[base + 4 * k]) for k in range(n)]

    def pixel(x, y):   # y from the top
        row = (abs(h) - 1 - y) if h > 0 else y
        p = off + row * stride
        if bits == 8:
            idx = data[p + x]
            if idx >= len(pal):
                raise Fault("BMP pixel uses palette entry %d of %d" % (idx, len(pal)))
            return pal[idx]
        if bits == 24:
            b, g, r = data[p + 3 * x:p + 3 * x + 3]
            return (r, g, b)
        if bits == 32:
            b, g, r = data[p + 4 * x:p + 4 * x + 3]
            return (r, g, b)
        return None
    H = abs(h)
    info["corners"] = [pixel(0, 0), pixel(w - 1, 0), pixel(0, H - 1), pixel(w - 1, H - 1)]
    return info


def read_ico(data):
    if len(data) < 6:
        raise Fault("ICO is truncated")
    res, typ, n = struct.unpack("<HHH", data[:6])
    if res != 0 or typ != 1 or n == 0:
        raise Fault("not an icon file")
    sizes = []
    for k in range(n):
        e = data[6 + 16 * k:22 + 16 * k]
        if len(e) < 16:
            raise Fault("ICO directory is truncated")
        w, h, _, _, _, bits, size, off = struct.unpack("<BBBBHHII", e)
        if off + size > len(data):
            raise Fault("ICO image %d lies outside the file" % k)
        img = data[off:off + size]
        if img[:8] == b"\x89PNG\r\n\x1a\n":
            read_png(img)
        elif struct.unpack("<I", img[:4])[0] != 40:
            raise Fault("ICO image %d is neither PNG nor DIB" % k)
        sizes.append((w or 256, h or 256))
    return {"sizes": sizes}


def read_wav(data):
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise Fault("not a RIFF WAVE file")
    if struct.unpack("<I", data[4:8])[0] + 8 != len(data):
        raise Fault("WAV RIFF size does not match the file (truncated?)")
    i = 12
    fmt_chunk = None
    pcm = None
    while i + 8 <= len(data):
        cid, size = struct.unpack("<4sI", data[i:i + 8])
        body = data[i + 8:i + 8 + size]
        if len(body) != size:
            raise Fault("WAV chunk %s is truncated" % cid.decode("latin-1"))
        if cid == b"fmt ":
            fmt_chunk = struct.unpack("<HHIIHH", body[:16])
        elif cid == b"data":
            pcm = body
        i += 8 + size + (size & 1)
    if fmt_chunk is None or pcm is None:
        raise Fault("WAV lacks a fmt or data chunk")
    tag, ch, rate, brate, align, bits = fmt_chunk
    return {"tag": tag, "channels": ch, "rate": rate, "bits": bits, "align": align,
            "byterate": brate, "pcm": pcm}


# --------------------------------------------------------------------------
# Checks
# --------------------------------------------------------------------------

def _ext(fname):
    return os.path.splitext(fname)[1].lower()


def check_picture(fname, data, want, name):
    ext = _ext(fname)
    kind = want["kind"]
    if kind in ("background", "tile"):
        if ext not in (".jpg", ".jpeg"):
            raise Fault("%s must be a JPEG picture" % name)
        info = read_jpeg(data)
        if info["progressive"]:
            raise Fault("%s is a progressive JPEG; use baseline" % name)
        if kind == "background" and info["size"] != (1024, 768):
            raise Fault("%s is %dx%d, expected 1024x768" % ((name,) + info["size"]))
        if kind == "tile" and min(info["size"]) < 32:
            raise Fault("%s tile is too small: %dx%d" % ((name,) + info["size"]))
        return
    if kind == "text":
        if ext != ".gif":
            raise Fault("%s must be a GIF picture" % name)
        g = read_gif(data, decode=True)
        if g["size"] != want["size"]:
            raise Fault("%s is %dx%d, expected %dx%d" % ((name,) + g["size"] + want["size"]))
        f = g["frames"][0]
        t = f["transparent"]
        if t is None:
            raise Fault("%s has no transparent colour" % name)
        inks = {f["palette"][p] for p in set(f["pixels"]) if p != t}
        if inks != {PINK}:
            raise Fault("%s text colours are %s, expected only %s" % (name, sorted(inks), PINK))
        return
    # pictures of the boards
    key = want.get("key")
    animated = want.get("animated")
    if key is not None:
        if ext == ".gif":
            g = read_gif(data, decode=True)
            for k, f in enumerate(g["frames"]):
                _check_key_frame(name, k, f, key)
            frames = len(g["frames"])
            size = g["size"]
        elif ext == ".bmp":
            b = read_bmp(data)
            _check_bmp(name, b, {"bits": 8, "key": key})
            frames = 1
            size = b["size"]
        else:
            raise Fault("%s is drawn through a colour key: it must be a GIF or BMP, not %s" % (name, ext))
    elif ext == ".png":
        p = read_png(data)
        if not p["alpha"]:
            raise Fault("%s PNG has no transparency" % name)
        frames = 1
        size = p["size"]
    elif ext == ".gif":
        g = read_gif(data)
        frames = len(g["frames"])
        size = g["size"]
        if frames and g["frames"][0]["transparent"] is None:
            raise Fault("%s GIF has no transparent colour" % name)
    else:
        raise Fault("%s must be a PNG or GIF picture, not %s" % (name, ext))
    if animated is True and (ext != ".gif" or frames < 2):
        raise Fault("%s must be an animated GIF (has %d frame%s)" % (name, frames, "" if frames == 1 else "s"))
    if animated is False and ext != ".png":
        raise Fault("%s is a still picture and must be a PNG" % name)
    if "size" in want and size != want["size"]:
        raise Fault("%s is %dx%d, expected %dx%d" % ((name,) + size + want["size"]))
    if max(size) > 1024 or min(size) < 8:
        raise Fault("%s has an unreasonable size %dx%d" % ((name,) + size))


def _check_key_frame(name, k, f, key):
    x, y, w, h = f["rect"]
    px = f["pixels"]
    pal = f["palette"]
    for cx, cy in ((0, 0), (w - 1, 0), (0, h - 1), (w - 1, h - 1)):
        idx = px[cy * w + cx]
        if f["transparent"] == idx:
            raise Fault("%s frame %d: corner is transparent, expected the key colour %s" % (name, k, key))
        if pal[idx] != key:
            raise Fault("%s frame %d: background %s is not exactly the key colour %s" % (name, k, pal[idx], key))


def _check_bmp(name, b, want):
    if b["compression"] != 0:
        raise Fault("%s BMP is compressed (type %d); must be BI_RGB" % (name, b["compression"]))
    if b["bits"] != want["bits"]:
        raise Fault("%s BMP has %d bits per pixel, expected %d" % (name, b["bits"], want["bits"]))
    if "size" in want and b["size"] != want["size"]:
        raise Fault("%s is %dx%d, expected %dx%d" % ((name,) + b["size"] + want["size"]))
    if "max" in want and (b["size"][0] > want["max"][0] or b["size"][1] > want["max"][1]):
        raise Fault("%s is %dx%d, larger than %dx%d" % ((name,) + b["size"] + want["max"]))
    key = want.get("key", WHITE if want.get("white") else None)
    if key is not None:
        for c in b["corners"]:
            if c != key:
                raise Fault("%s corner colour %s is not exactly %s" % (name, c, key))


def check_wave(name, data):
    w = read_wav(data)
    if w["tag"] != 1:
        raise Fault("%s is not PCM (format tag %d)" % (name, w["tag"]))
    if w["bits"] != 16:
        raise Fault("%s has %d bits per sample, expected 16" % (name, w["bits"]))
    if w["rate"] not in (22050, 44100):
        raise Fault("%s has sample rate %d Hz, expected 22050 or 44100" % (name, w["rate"]))
    if w["channels"] not in (1, 2):
        raise Fault("%s has %d channels" % (name, w["channels"]))
    if w["align"] != 2 * w["channels"] or w["byterate"] != w["rate"] * w["align"]:
        raise Fault("%s has an inconsistent fmt chunk" % name)
    frames = len(w["pcm"]) // w["align"]
    sec = frames / w["rate"]
    if not 0.3 <= sec <= 3.0:
        raise Fault("%s lasts %.2f s, expected 0.3-3 s" % (name, sec))
    n = len(w["pcm"]) // 2
    samples = struct.unpack("<%dh" % n, w["pcm"][:2 * n])
    peak = max(abs(s) for s in samples) / 32768.0
    if peak < 0.5:
        raise Fault("%s is too quiet (peak %.2f of full scale)" % (name, peak))
    edge = max(abs(s) for s in samples[:w["channels"]] + samples[-w["channels"]:]) / 32768.0
    if edge > 0.05:
        raise Fault("%s starts or ends abruptly (edge sample %.2f of full scale): it clicks" % (name, edge))


def check_deliverable(root, name, exp):
    faults = []
    folder = os.path.join(root, name)
    if not os.path.isdir(folder):
        return ["%s: folder is missing" % folder]
    rc = RcFile()
    rcs = sorted(f for f in os.listdir(folder) if f.lower().endswith(".rc"))
    if not rcs:
        return ["%s: no .rc file" % folder]
    seen = set()   # a script included by another is read once
    for f in rcs:
        try:
            rc.parse(os.path.join(folder, f), seen)
        except (OSError, UnicodeError) as exc:
            faults.append("%s: cannot read: %s" % (os.path.join(folder, f), exc))
    faults += ["%s: %s" % (folder, d) for d in rc.duplicates]

    def load(rtype, rname):
        ent = rc.resources.get((rtype, rname))
        if ent is None:
            raise Fault("%s %s is not declared in any .rc file" % (rtype, rname))
        path = os.path.join(folder, ent[0])
        if not os.path.isfile(path):
            raise Fault("%s %s: file %s is missing" % (rtype, rname, ent[0]))
        with open(path, "rb") as f:
            return ent[0], f.read()

    def run(label, fn):
        try:
            fn()
        except Fault as exc:
            msg = str(exc)
            if not msg.startswith(label):
                msg = "%s: %s" % (label, msg)
            faults.append("%s: %s" % (folder, msg))

    for iname, want in sorted(exp["images"].items()):
        def one(iname=iname, want=want):
            fname, data = load("IMAGE", iname)
            check_picture(fname, data, want, 'IMAGE "%s" (%s)' % (iname, fname))
        run('IMAGE "%s"' % iname, one)
    for wname in sorted(exp["waves"]):
        def one(wname=wname):
            fname, data = load("WAVE", wname)
            check_wave('WAVE "%s" (%s)' % (wname, fname), data)
        run('WAVE "%s"' % wname, one)
    for bid, want in sorted(exp["bitmaps"].items()):
        def one(bid=bid, want=want):
            fname, data = load("BITMAP", str(bid))
            if _ext(fname) != ".bmp":
                raise Fault("BITMAP %d must be a .bmp file" % bid)
            _check_bmp("BITMAP %d (%s)" % (bid, fname), read_bmp(data), want)
        run("BITMAP %d" % bid, one)
    for iid in exp["icons"]:
        def one(iid=iid):
            fname, data = load("ICON", str(iid))
            sizes = read_ico(data)["sizes"]
            for need in ((16, 16), (32, 32)):
                if need not in sizes:
                    raise Fault("ICON %d (%s) lacks a %dx%d image" % ((iid, fname) + need))
        run("ICON %d" % iid, one)
    # nothing the code does not use
    for (rtype, rname), (fname, _) in sorted(rc.resources.items()):
        if rtype == "IMAGE" and rname not in exp["images"]:
            faults.append("%s: IMAGE %s (%s) is not used by the code" % (folder, rname, fname))
        if rtype == "WAVE" and rname not in exp["waves"]:
            faults.append("%s: WAVE %s (%s) is not used by the code" % (folder, rname, fname))
    # every media file belongs to a declaration
    declared = {os.path.normcase(f) for f, _ in rc.resources.values()}
    for f in sorted(os.listdir(folder)):
        if _ext(f) in (".jpg", ".png", ".gif", ".bmp", ".wav", ".ico") and os.path.normcase(f) not in declared:
            faults.append("%s: %s is not declared in any .rc file" % (folder, f))
    for sid, text in sorted(exp["strings"].items()):
        got = rc.strings.get(sid)
        if got is None:
            faults.append("%s: string %d (%s) is missing from the string table" % (folder, sid, text))
        elif got != text:
            faults.append("%s: string %d is %r, expected %r" % (folder, sid, got, text))
    return faults


def validate(root, only=None):
    faults = []
    for name, exp in expected().items():
        if only and name not in only:
            continue
        faults += check_deliverable(root, name, exp)
    notice = os.path.join(root, "NOTICE")
    if not only and not os.path.isfile(notice):
        faults.append("%s is missing" % notice)
    return faults


def main(argv=None):
    ap = argparse.ArgumentParser(description="Check the suite's resources.")
    ap.add_argument("--root", default="resources", help="the resources folder")
    ap.add_argument("--only", nargs="*", help="check only these deliverables")
    args = ap.parse_args(argv)
    faults = validate(args.root, args.only)
    for f in faults:
        print("FAULT: " + f)
    if faults:
        print("%d fault(s)" % len(faults))
        return 1
    print("resources OK")
    return 0


if __name__ == "__main__":
    sys.exit(main())
