"""Byte-exact writers for the picture formats the suite embeds.

The writers here are our own so that every byte of the output is under our
control: no timestamps, no encoder-dependent frame merging, and exactly the
palette layout the Windows side relies on (pure-white keys, one transparent
GIF index).  Pictures come in as Pillow images; only Pillow's quantiser is
used, never its GIF/BMP/ICO encoders.
"""
import io
import struct

import numpy as np
from PIL import Image

WHITE = (255, 255, 255)
BLUE = (0, 0, 255)


# --------------------------------------------------------------------------
# Palette helpers
# --------------------------------------------------------------------------

def quantise_frames(frames_rgba, colours=255, key=None, alpha_cut=128):
    """Quantise RGBA frames to one shared palette.

    Returns (palette as 256 RGB tuples, list of index bytes per frame,
    background index).  Index `colours` (the last used one) is the
    background: the transparent index of a GIF, or exactly `key` when a
    colour key is given.  Opaque pixels never map to the background index,
    and no other palette entry equals the key.
    """
    w, h = frames_rgba[0].size
    arrs = [np.asarray(f.convert("RGBA"), dtype=np.uint8) for f in frames_rgba]
    rgb = np.concatenate([a[:, :, :3] for a in arrs], axis=0).copy()
    mask = np.concatenate([a[:, :, 3] >= alpha_cut for a in arrs], axis=0)
    if not mask.any():
        raise ValueError("picture has no opaque pixel")
    if key is not None:
        hit = (rgb == np.array(key, dtype=np.uint8)).all(axis=2)
        alt = np.array([c - 6 if c > 127 else c + 6 for c in key], dtype=np.uint8)
        rgb[hit] = alt
    opaque = rgb[mask]
    n = opaque.shape[0]
    side = max(1, int(n ** 0.5))
    rows = (n + side - 1) // side
    pad = np.repeat(opaque[:1], side * rows - n, axis=0)
    sample = Image.fromarray(np.concatenate([opaque, pad]).reshape(rows, side, 3), "RGB")
    q = sample.quantize(colors=colours, method=Image.Quantize.MEDIANCUT,
                        dither=Image.Dither.NONE)
    pal = (q.getpalette() + [0] * 768)[:3 * colours]
    palette = [tuple(pal[i:i + 3]) for i in range(0, 3 * colours, 3)]
    if key is not None:
        palette = [tuple(c - 6 if c > 127 else c + 6 for c in p) if p == tuple(key) else p
                   for p in palette]
    pimg = Image.new("P", (1, 1))
    pimg.putpalette([v for c in palette for v in c] + list(palette[0]) * (256 - colours))
    idx = np.asarray(Image.fromarray(rgb, "RGB").quantize(
        palette=pimg, dither=Image.Dither.NONE), dtype=np.uint8).copy()
    idx[idx >= colours] = 0
    bg = colours
    idx[~mask] = bg
    palette.append(tuple(key) if key is not None else (255, 255, 255))
    palette += [(0, 0, 0)] * (256 - len(palette))
    frames = [idx[i * h:(i + 1) * h].tobytes() for i in range(len(arrs))]
    return palette, frames, bg


# --------------------------------------------------------------------------
# GIF
# --------------------------------------------------------------------------

def _lzw(indices, min_code=8):
    clear = 1 << min_code
    eoi = clear + 1
    out = bytearray()
    bitbuf = 0
    nbits = 0
    code_size = min_code + 1

    def emit(code):
        nonlocal bitbuf, nbits
        bitbuf |= code << nbits
        nbits += code_size
        while nbits >= 8:
            out.append(bitbuf & 0xFF)
            bitbuf >>= 8
            nbits -= 8

    table = {}
    next_code = eoi + 1
    emit(clear)
    prefix = indices[0]
    for k in indices[1:]:
        key = (prefix << 8) | k
        code = table.get(key)
        if code is not None:
            prefix = code
            continue
        emit(prefix)
        if next_code < 4096:
            table[key] = next_code
            next_code += 1
            if next_code > (1 << code_size) and code_size < 12:
                code_size += 1
        else:
            emit(clear)
            table = {}
            next_code = eoi + 1
            code_size = min_code + 1
        prefix = k
    emit(prefix)
    emit(eoi)
    if nbits:
        out.append(bitbuf & 0xFF)
    blocks = bytearray([min_code])
    for i in range(0, len(out), 255):
        chunk = out[i:i + 255]
        blocks.append(len(chunk))
        blocks += chunk
    blocks.append(0)
    return bytes(blocks)


def gif_bytes(frames_rgba, delay_cs=12, key=None):
    """Encode RGBA frames as a looping GIF89a.

    Without a key the background index is the GIF's transparent colour; with a
    key (white or blue) the background is that colour, opaque, for pictures
    that are drawn through a colour key.
    """
    w, h = frames_rgba[0].size
    for f in frames_rgba:
        if f.size != (w, h):
            raise ValueError("all frames must share one size")
    palette, frames, bg = quantise_frames(frames_rgba, key=key)
    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", w, h, 0xF7, bg, 0)
    for c in palette:
        out += bytes(c)
    if len(frames) > 1:
        out += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00"
    delays = delay_cs if isinstance(delay_cs, (list, tuple)) else [delay_cs] * len(frames)
    for i, idx in enumerate(frames):
        transparent = key is None
        packed = (2 << 2) | (1 if transparent else 0)  # disposal: restore to background
        out += struct.pack("<BBBBHBB", 0x21, 0xF9, 4, packed, delays[i],
                           bg if transparent else 0, 0)
        out += struct.pack("<BHHHHB", 0x2C, 0, 0, w, h, 0)
        out += _lzw(idx)
    out += b"\x3B"
    return bytes(out)


# --------------------------------------------------------------------------
# BMP
# --------------------------------------------------------------------------

def bmp8_bytes(img_rgba, key=WHITE):
    """8-bit, uncompressed (BI_RGB), bottom-up BMP; transparent pixels = key.

    These pictures are shown on pale launcher backgrounds, so soft edges are
    blended onto white first; only nearly transparent pixels become the key.
    """
    img_rgba = img_rgba.convert("RGBA")
    flat = Image.new("RGBA", img_rgba.size, (255, 255, 255, 255))
    flat.alpha_composite(img_rgba)
    flat.putalpha(img_rgba.getchannel("A").point(lambda a: 255 if a >= 40 else 0))
    palette, (idx,), bg = quantise_frames([flat], key=key)
    w, h = img_rgba.size
    stride = (w + 3) & ~3
    pixels = bytearray()
    for y in range(h - 1, -1, -1):
        row = idx[y * w:(y + 1) * w]
        pixels += row + b"\0" * (stride - w)
    pal = bytearray()
    for r, g, b in palette:
        pal += bytes((b, g, r, 0))
    off = 14 + 40 + len(pal)
    header = struct.pack("<2sIHHI", b"BM", off + len(pixels), 0, 0, off)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 0, len(pixels),
                       2835, 2835, 256, 0)
    return header + info + bytes(pal) + bytes(pixels)


def bmp24_bytes(img):
    """24-bit, uncompressed, bottom-up BMP of an opaque picture."""
    rgb = img.convert("RGB")
    w, h = rgb.size
    stride = (w * 3 + 3) & ~3
    raw = rgb.tobytes()
    pixels = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(raw[y * w * 3:(y + 1) * w * 3])
        row[0::3], row[2::3] = row[2::3], row[0::3]
        pixels += row + b"\0" * (stride - w * 3)
    off = 54
    header = struct.pack("<2sIHHI", b"BM", off + len(pixels), 0, 0, off)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels),
                       2835, 2835, 0, 0)
    return header + info + bytes(pixels)


# --------------------------------------------------------------------------
# ICO
# --------------------------------------------------------------------------

def _ico_dib(img):
    rgba = img.convert("RGBA")
    w, h = rgba.size
    raw = rgba.tobytes()
    xor = bytearray()
    for y in range(h - 1, -1, -1):
        row = raw[y * w * 4:(y + 1) * w * 4]
        for x in range(w):
            r, g, b, a = row[4 * x:4 * x + 4]
            xor += bytes((b, g, r, a))
    mstride = ((w + 31) // 32) * 4
    mask = bytearray()
    for y in range(h - 1, -1, -1):
        bits = bytearray(mstride)
        for x in range(w):
            if raw[(y * w + x) * 4 + 3] < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    info = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0,
                       len(xor) + len(mask), 0, 0, 0, 0)
    return info + bytes(xor) + bytes(mask)


def ico_bytes(images):
    """Icon file with one 32-bit DIB entry per given RGBA picture."""
    entries = [_ico_dib(im) for im in images]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    off = 6 + 16 * len(images)
    for im, data in zip(images, entries):
        w, h = im.size
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32,
                           len(data), off)
        off += len(data)
    for data in entries:
        out += data
    return bytes(out)


# --------------------------------------------------------------------------
# PNG / JPEG through Pillow (both deterministic: no time or text chunks)
# --------------------------------------------------------------------------

def png_bytes(img):
    buf = io.BytesIO()
    img.save(buf, "PNG", optimize=True)
    return buf.getvalue()


def jpeg_bytes(img, quality=85):
    buf = io.BytesIO()
    img.convert("RGB").save(buf, "JPEG", quality=quality, optimize=True)
    return buf.getvalue()
