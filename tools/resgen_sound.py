"""The suite's sounds: synthesised with numpy, or cut from CC0 / CC-BY
recordings of the openttd-opensfx package.

Every sound leaves here as a 16-bit PCM mono WAV at 22,050 Hz, 0.3-3 s long,
trimmed, with short fades against clicks and normalised to -1 dBFS peak.
Sounds that the boards loop are cross-faded onto themselves so that the
loop point is seamless.  All noise comes from generators with fixed seeds.
"""
import io
import os
import struct
import wave

import numpy as np
from scipy import signal

RATE = 22050
PEAK = 10 ** (-1 / 20)   # -1 dBFS
OPENSFX_CAT = "usr/share/games/openttd/baseset/opensfx/opensfx.cat"

_cat = None          # entry number -> (description, samples at 44.1 kHz)
CREDITS = {}         # entry number -> description, for every recording used
USED_BY = {}         # entry number -> set of sound keys that use it
_current = [None]


def prepare(art_dir):
    """Load the opensfx catalogue unpacked by make-resources.sh."""
    global _cat
    path = os.path.join(art_dir, "opensfx", OPENSFX_CAT)
    with open(path, "rb") as f:
        data = f.read()
    first = struct.unpack_from("<I", data, 0)[0] & 0x7FFFFFFF
    _cat = {}
    for i in range(first // 8):
        off, size = struct.unpack_from("<II", data, i * 8)
        off &= 0x7FFFFFFF
        nl = data[off]
        name = data[off + 1:off + 1 + nl].rstrip(b"\0").decode("latin-1")
        _cat[i] = (name, data[off + 1 + nl:off + size])


def recording(n, start, length, semitones=0.0):
    """Samples of opensfx entry n from `start` s for `length` s at RATE."""
    desc, blob = _cat[n]
    if "ShareAlike" in desc or "License: Creative Commons" not in desc:
        raise ValueError("opensfx entry %d is not under a permissive licence: %s" % (n, desc))
    CREDITS[n] = desc
    USED_BY.setdefault(n, set()).add(_current[0])
    with wave.open(io.BytesIO(blob)) as w:
        rate = w.getframerate()
        ch = w.getnchannels()
        raw = w.readframes(w.getnframes())
    raw = raw[:len(raw) // (2 * ch) * 2 * ch]
    x = np.frombuffer(raw, dtype="<i2").astype(np.float64) / 32768.0
    if ch > 1:
        x = x.reshape(-1, ch).mean(axis=1)
    # pitch shift by resampling (speed changes with pitch, as on tape)
    factor = 2 ** (semitones / 12.0)
    src_rate = rate * factor
    seg = x[int(start * src_rate):int((start + length) * src_rate)]
    up, down = _ratio(RATE, src_rate)
    return signal.resample_poly(seg, up, down)


def _ratio(dst, src):
    from fractions import Fraction
    fr = Fraction(dst / src).limit_denominator(400)
    return fr.numerator, fr.denominator


# --------------------------------------------------------------------------
# Building blocks
# --------------------------------------------------------------------------

def t_axis(sec):
    return np.arange(int(sec * RATE)) / RATE


def osc(freq, sec, shape="saw", phase=0.0):
    """Oscillator with a frequency that may vary per sample."""
    n = int(sec * RATE)
    f = np.broadcast_to(np.asarray(freq, dtype=np.float64), (n,)) if np.ndim(freq) == 0 else np.asarray(freq)[:n]
    ph = phase + np.cumsum(f) / RATE
    frac = ph % 1.0
    if shape == "sine":
        return np.sin(2 * np.pi * ph)
    if shape == "saw":
        return 2 * frac - 1
    if shape == "square":
        return np.where(frac < 0.5, 1.0, -1.0)
    if shape == "tri":
        return 2 * np.abs(2 * frac - 1) - 1
    raise ValueError(shape)


def glide(points, sec):
    """Piecewise-linear contour through (time fraction, value) points."""
    n = int(sec * RATE)
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    return np.interp(np.linspace(0, 1, n), xs, ys)


def env(sec, attack=0.01, release=0.05, shape=1.0):
    n = int(sec * RATE)
    e = np.ones(n)
    a = max(1, int(attack * RATE))
    r = max(1, int(release * RATE))
    e[:a] = np.linspace(0, 1, a)
    e[-r:] *= np.linspace(1, 0, r) ** shape
    return e


def bandpass(x, lo, hi, order=2):
    sos = signal.butter(order, [lo, hi], btype="band", fs=RATE, output="sos")
    return signal.sosfilt(sos, x)


def lowpass(x, f, order=2):
    return signal.sosfilt(signal.butter(order, f, btype="low", fs=RATE, output="sos"), x)


def highpass(x, f, order=2):
    return signal.sosfilt(signal.butter(order, f, btype="high", fs=RATE, output="sos"), x)


def formants(src, freqs, q=6.0, gains=None):
    out = np.zeros_like(src)
    for i, f in enumerate(freqs):
        lo, hi = f * (1 - 0.5 / q), f * (1 + 0.5 / q)
        out += bandpass(src, lo, min(hi, RATE / 2 - 100)) * (gains[i] if gains else 1.0)
    return out


def noise(sec, seed):
    return np.random.default_rng(seed).standard_normal(int(sec * RATE))


def silence(sec):
    return np.zeros(int(sec * RATE))


def seq(*parts):
    return np.concatenate(parts)


def mix_at(total_sec, events):
    """Place (start second, samples) events into one buffer."""
    out = np.zeros(int(total_sec * RATE))
    for start, x in events:
        i = int(start * RATE)
        j = min(len(out), i + len(x))
        out[i:j] += x[:j - i]
    return out


# --------------------------------------------------------------------------
# Finishing
# --------------------------------------------------------------------------

def finish(x, loop=False, fade=0.012, min_sec=0.3, max_sec=3.0):
    x = np.asarray(x, dtype=np.float64)
    x = x - np.mean(x)
    if loop:
        # seamless loop: cross-fade the last 10 % onto the first
        xf = int(len(x) * 0.1)
        head = x[:xf].copy()
        tail = x[-xf:]
        ramp = np.linspace(0, 1, xf)
        x = x[:-xf].copy()
        x[:xf] = head * ramp + tail * (1 - ramp)
        fade = 0.003
    else:
        # trim leading/trailing quiet parts
        thr = np.max(np.abs(x)) * 0.02
        idx = np.nonzero(np.abs(x) > thr)[0]
        if len(idx):
            a = max(0, idx[0] - int(0.005 * RATE))
            b = min(len(x), idx[-1] + int(0.03 * RATE))
            x = x[a:b]
    n_max = int(max_sec * RATE)
    if len(x) > n_max:
        x = x[:n_max]
    n_min = int(min_sec * RATE)
    if len(x) < n_min:
        x = np.concatenate([x, np.zeros(n_min - len(x))])
    f = max(1, int(fade * RATE))
    x[:f] *= np.linspace(0, 1, f)
    x[-f:] *= np.linspace(1, 0, f)
    peak = np.max(np.abs(x))
    if peak <= 0:
        raise ValueError("silent sound")
    x = x / peak * PEAK
    pcm = np.round(x * 32767).astype("<i2")
    buf = io.BytesIO()
    with wave.open(buf, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(pcm.tobytes())
    return buf.getvalue()


# --------------------------------------------------------------------------
# The sounds
# --------------------------------------------------------------------------

def s_bee():
    sec = 2.2
    t = t_axis(sec)
    f0 = 210 + 12 * np.sin(2 * np.pi * 5.5 * t) + 6 * np.sin(2 * np.pi * 1.3 * t)
    x = osc(f0, sec, "saw") * (0.75 + 0.25 * np.sin(2 * np.pi * 23 * t))
    x = bandpass(x, 180, 3200) + 0.3 * formants(x, [900, 2100], 4)
    return finish(x, loop=True)


def s_mosquito():
    sec = 2.2
    t = t_axis(sec)
    f0 = 620 + 40 * np.sin(2 * np.pi * 0.9 * t) + 15 * np.sin(2 * np.pi * 7 * t)
    x = osc(f0, sec, "saw") * (0.6 + 0.4 * np.sin(2 * np.pi * 0.5 * t) ** 2)
    x = lowpass(bandpass(x, 500, 5000), 2500)
    return finish(x, loop=True)


def honk(sec, f_start, f_end, form, seed, buzz=0.15):
    f0 = glide([(0, f_start), (0.3, f_start * 1.05), (1, f_end)], sec)
    x = osc(f0, sec, "saw") + buzz * noise(sec, seed)
    x = formants(x, form, 5) * env(sec, 0.02, 0.06)
    return x


def s_goose():
    h1 = honk(0.22, 440, 400, [900, 1800, 2700], 1)
    h2 = honk(0.26, 470, 410, [900, 1800, 2700], 2)
    return finish(mix_at(1.0, [(0.0, h1), (0.32, h2), (0.66, h1 * 0.8)]))


def s_pigeon():
    def coo(sec, a, b, seed):
        t = t_axis(sec)
        f0 = glide([(0, a), (0.4, b), (1, a * 0.95)], sec)
        x = osc(f0, sec, "sine") + 0.25 * osc(f0 * 2, sec, "sine") + 0.02 * noise(sec, seed)
        return lowpass(x, 1200) * env(sec, 0.06, 0.12) * (0.8 + 0.2 * np.sin(2 * np.pi * 18 * t))
    return finish(mix_at(1.6, [(0.0, coo(0.35, 300, 360, 3)), (0.42, coo(0.55, 280, 340, 4)),
                               (1.05, coo(0.4, 300, 350, 5))]))


def s_bat():
    chirp = lambda sec, a, b: osc(glide([(0, a), (1, b)], sec), sec, "sine") * env(sec, 0.004, 0.02)
    ev = []
    for i in range(7):
        ev.append((i * 0.11 + (0.04 if i >= 4 else 0), chirp(0.05, 4200 - i * 60, 2600)))
    return finish(mix_at(0.95, ev))


def s_seagull():
    def cry(sec, a, b, seed):
        f0 = glide([(0, a * 0.8), (0.15, a), (1, b)], sec)
        x = osc(f0, sec, "saw") + 0.1 * noise(sec, seed)
        return formants(x, [1400, 2800], 4) * env(sec, 0.02, 0.08)
    return finish(mix_at(1.5, [(0.0, cry(0.42, 1500, 1050, 6)), (0.5, cry(0.3, 1450, 1100, 7)),
                               (0.88, cry(0.25, 1400, 1100, 8)), (1.16, cry(0.22, 1350, 1050, 9))]))


def s_swan():
    h1 = honk(0.35, 560, 520, [1100, 2300], 10, 0.08)
    h2 = honk(0.45, 600, 540, [1100, 2300], 11, 0.08)
    return finish(mix_at(1.0, [(0.0, h1), (0.45, h2)]))


def s_eagle():
    sec = 1.2
    t = t_axis(sec)
    f0 = glide([(0, 2300), (0.1, 2700), (0.5, 2400), (1, 1700)], sec)
    x = osc(f0 + 120 * np.sin(2 * np.pi * 38 * t), sec, "saw") + 0.3 * noise(sec, 12)
    x = formants(x, [2600, 4200], 3) * env(sec, 0.03, 0.4) * (0.75 + 0.25 * np.sin(2 * np.pi * 9 * t))
    return finish(x)


def s_rooster():
    parts = [(0.16, 520, 560), (0.16, 640, 680), (0.2, 720, 760), (0.75, 820, 560)]
    ev = []
    start = 0.0
    for i, (sec, a, b) in enumerate(parts):
        f0 = glide([(0, a), (0.3, b * 1.04), (1, b)], sec)
        x = osc(f0, sec, "saw") + 0.12 * noise(sec, 20 + i)
        x = formants(x, [800, 1400, 2600], 4, [1.0, 0.8, 0.5]) * env(sec, 0.02, 0.08 if i < 3 else 0.3)
        ev.append((start, x))
        start += sec + 0.04
    return finish(mix_at(start + 0.1, ev))


def s_sparrow():
    ev = []
    rng = np.random.default_rng(30)
    for i in range(6):
        sec = 0.06 + 0.02 * rng.random()
        a = 4800 + 600 * rng.random()
        x = osc(glide([(0, a), (1, a * 0.65)], sec), sec, "sine") * env(sec, 0.005, 0.03)
        ev.append((i * 0.14 + (0.15 if i >= 3 else 0), x))
    return finish(mix_at(1.1, ev))


def s_crane():
    def call(sec, f, seed):
        t = t_axis(sec)
        x = osc(glide([(0, f), (0.2, f * 1.08), (1, f * 0.95)], sec), sec, "saw")
        x *= 0.6 + 0.4 * np.sin(2 * np.pi * 30 * t)
        return formants(x + 0.05 * noise(sec, seed), [1000, 2200], 4) * env(sec, 0.03, 0.1)
    return finish(mix_at(1.2, [(0.0, call(0.45, 700, 31)), (0.55, call(0.5, 760, 32))]))


def s_parrot():
    return finish(recording(66, 0.0, 2.0))


def s_owl():
    def hoo(sec, f):
        x = osc(glide([(0, f * 0.92), (0.3, f), (1, f * 0.9)], sec), sec, "sine")
        return lowpass(x + 0.15 * osc(f * 2, sec, "sine"), 900) * env(sec, 0.05, 0.15)
    return finish(mix_at(1.8, [(0.0, hoo(0.45, 390)), (0.75, hoo(0.22, 380)), (1.05, hoo(0.55, 370))]))


def s_leopard():
    return finish(recording(67, 0.0, 1.6))


def s_tiger():
    return finish(recording(67, 0.2, 2.0, semitones=-3))


def s_dinosaur():
    return finish(recording(67, 0.0, 2.6, semitones=-9))


def s_horse():
    return finish(recording(38, 0.0, 2.4))


def clop(seed, f=700, sec=0.07):
    x = osc(glide([(0, f), (1, f * 0.55)], sec), sec, "sine") * np.exp(-t_axis(sec) * 60)
    x += 0.4 * bandpass(noise(sec, seed), 1500, 5000) * np.exp(-t_axis(sec) * 120)
    return x


def s_gallop():
    ev = []
    for bar in range(3):
        b = bar * 0.6
        for k, dt in enumerate((0.0, 0.1, 0.2)):
            ev.append((b + dt, clop(40 + bar * 3 + k, 650 + 60 * k)))
    return finish(mix_at(1.8, ev), loop=True)


def s_hooves():
    ev = []
    for i in range(8):
        ev.append((i * 0.25, clop(50 + i, 720 if i % 2 else 600, 0.08)))
    return finish(mix_at(2.0, ev), loop=True)


def s_elephant():
    sec = 1.4
    t = t_axis(sec)
    f0 = glide([(0, 380), (0.15, 620), (0.7, 700), (1, 520)], sec) + 25 * np.sin(2 * np.pi * 11 * t)
    x = osc(f0, sec, "saw") + 0.35 * noise(sec, 60)
    x = formants(x, [900, 1600, 3000], 3, [1.0, 0.8, 0.5]) * env(sec, 0.06, 0.4)
    return finish(x)


def s_camel():
    return finish(recording(37, 0.0, 2.0, semitones=-4))


def s_monkey():
    return finish(recording(68, 0.0, 2.2))


def s_gorilla():
    ev = []
    for i in range(8):
        sec = 0.12
        x = osc(glide([(0, 140), (1, 80)], sec), sec, "sine") * np.exp(-t_axis(sec) * 30)
        x += 0.3 * lowpass(noise(sec, 70 + i), 500) * np.exp(-t_axis(sec) * 40)
        ev.append((0.55 + i * 0.11, x * (1.0 if i % 2 == 0 else 0.8)))
    g = 0.45
    grunt = formants(osc(glide([(0, 120), (1, 95)], g), g, "saw") + 0.2 * noise(g, 79), [500, 1100], 3)
    ev.append((0.0, grunt * env(g, 0.03, 0.15) * 0.8))
    return finish(mix_at(1.6, ev))


def s_dog():
    def woof(seed, f):
        sec = 0.2
        f0 = glide([(0, f * 1.3), (0.25, f * 1.4), (1, f * 0.8)], sec)
        x = osc(f0, sec, "saw") + 0.5 * noise(sec, seed)
        x = formants(x, [550, 1100, 2400], 3, [1.0, 0.7, 0.3])
        return x * env(sec, 0.008, 0.12, 2.0)
    return finish(mix_at(0.9, [(0.0, woof(80, 300)), (0.32, woof(81, 320))]))


def s_cat():
    sec = 0.9
    f0 = glide([(0, 520), (0.35, 760), (0.75, 680), (1, 480)], sec)
    x = osc(f0, sec, "saw") + 0.04 * noise(sec, 90)
    f1 = glide([(0, 500), (0.4, 950), (1, 700)], sec)
    f2 = glide([(0, 2300), (0.4, 1500), (1, 1200)], sec)
    # time-varying formants: filter in short blocks
    out = np.zeros_like(x)
    block = 512
    zi1 = zi2 = None
    for i in range(0, len(x), block):
        seg = x[i:i + block]
        c1, c2 = f1[i], f2[i]
        s1 = signal.butter(2, [c1 * 0.8, c1 * 1.2], btype="band", fs=RATE, output="sos")
        s2 = signal.butter(2, [c2 * 0.85, c2 * 1.15], btype="band", fs=RATE, output="sos")
        if zi1 is None:
            zi1 = np.zeros((s1.shape[0], 2))
            zi2 = np.zeros((s2.shape[0], 2))
        y1, zi1 = signal.sosfilt(s1, seg, zi=zi1)
        y2, zi2 = signal.sosfilt(s2, seg, zi=zi2)
        out[i:i + block] = y1 + 0.6 * y2
    return finish(out * env(sec, 0.06, 0.25))


def s_frog():
    def croak(seed):
        sec = 0.28
        t = t_axis(sec)
        pulses = (np.sin(2 * np.pi * 28 * t) > 0.2).astype(float)
        x = osc(glide([(0, 190), (1, 160)], sec), sec, "saw") * pulses + 0.1 * noise(sec, seed)
        return formants(x, [400, 1200], 3) * env(sec, 0.01, 0.06)
    return finish(mix_at(0.9, [(0.0, croak(100)), (0.45, croak(101))]))


def s_penguin():
    def squawk(sec, f, seed):
        t = t_axis(sec)
        x = osc(glide([(0, f), (0.5, f * 1.1), (1, f * 0.9)], sec), sec, "saw")
        x = x * (0.7 + 0.3 * np.sin(2 * np.pi * 25 * t)) + 0.2 * noise(sec, seed)
        return formants(x, [700, 1500, 2600], 3) * env(sec, 0.02, 0.08)
    return finish(mix_at(1.3, [(0.0, squawk(0.18, 520, 110)), (0.25, squawk(0.18, 540, 111)),
                               (0.5, squawk(0.6, 560, 112))]))


def s_train():
    ev = []
    for i in range(8):
        sec = 0.2
        x = bandpass(noise(sec, 120 + i), 300, 3000) * np.exp(-t_axis(sec) * (14 if i % 2 == 0 else 20))
        ev.append((i * 0.25, x * (1.0 if i % 2 == 0 else 0.7)))
    for i in range(4):
        ev.append((i * 0.5 + 0.02, clop(130 + i, 900, 0.04) * 0.5))   # rail joints
    return finish(mix_at(2.0, ev), loop=True)


def s_whistle():
    sec = 1.3
    t = t_axis(sec)
    x = sum(osc(f * (1 + 0.004 * np.sin(2 * np.pi * 5 * t)), sec, "sine") * g
            for f, g in ((620, 1.0), (780, 0.8), (930, 0.6)))
    x += 0.15 * bandpass(noise(sec, 140), 500, 2000)
    return finish(x * env(sec, 0.08, 0.3))


def s_car():
    sec = 2.0
    t = t_axis(sec)
    f0 = 55 + 2 * np.sin(2 * np.pi * 0.5 * t)
    x = osc(f0, sec, "saw") * (0.7 + 0.3 * np.sin(2 * np.pi * 27.5 * t))
    x = lowpass(x + 0.1 * lowpass(noise(sec, 150), 600), 900)
    return finish(x, loop=True)


def s_car_horn():
    def beep(sec):
        x = osc(440, sec, "square") + osc(554, sec, "square")
        return lowpass(x, 2500) * env(sec, 0.01, 0.03)
    return finish(mix_at(0.75, [(0.0, beep(0.22)), (0.32, beep(0.36))]))


def s_helicopter():
    sec = 2.0
    ev = []
    for i in range(int(sec * 11)):
        s = 0.07
        ev.append((i / 11, lowpass(noise(s, 160 + i), 400) * np.exp(-t_axis(s) * 40)))
    x = mix_at(sec, ev)
    t = t_axis(sec)
    x += 0.05 * osc(1800 + 20 * np.sin(2 * np.pi * 0.7 * t), sec, "sine")
    return finish(x, loop=True)


def s_airliner():
    return finish(recording(61, 1.2, 1.8), loop=True)


def s_bicycle():
    def ring(start_seed):
        sec = 0.6
        t = t_axis(sec)
        base = 1800
        x = sum(np.sin(2 * np.pi * base * r * t) * g * np.exp(-t * d)
                for r, g, d in ((1.0, 1.0, 6), (2.76, 0.5, 9), (5.4, 0.25, 14), (1.5, 0.3, 8)))
        return x * (1 + 0.3 * np.sin(2 * np.pi * 16 * t))
    return finish(mix_at(1.2, [(0.0, ring(0)), (0.3, ring(1))]))


def waves(sec, seed):
    t = t_axis(sec)
    swell = 0.35 + 0.65 * np.sin(np.pi * t / sec) ** 2 * (0.6 + 0.4 * np.sin(2 * np.pi * 0.8 * t))
    return lowpass(highpass(noise(sec, seed), 150), 1800) * swell


def s_ship():
    horn = recording(6, 0.0, 2.4)
    horn = horn / np.max(np.abs(horn))
    sea = waves(2.8, 170)
    sea = sea / np.max(np.abs(sea)) * 0.3
    return finish(mix_at(2.8, [(0.0, sea), (0.15, horn * 0.9)]))


SOUNDS = {
    "bee": s_bee, "mosquito": s_mosquito, "goose": s_goose, "pigeon": s_pigeon, "bat": s_bat,
    "seagull": s_seagull, "swan": s_swan, "eagle": s_eagle, "rooster": s_rooster, "sparrow": s_sparrow,
    "crane": s_crane, "parrot": s_parrot, "owl": s_owl, "leopard": s_leopard, "elephant": s_elephant,
    "horse": s_horse, "gallop": s_gallop, "tiger": s_tiger, "dinosaur": s_dinosaur, "camel": s_camel,
    "monkey": s_monkey, "gorilla": s_gorilla, "dog": s_dog, "cat": s_cat, "frog": s_frog,
    "penguin": s_penguin, "train": s_train, "train-stop": s_whistle, "car": s_car,
    "car-horn": s_car_horn, "helicopter": s_helicopter, "airliner": s_airliner, "bicycle": s_bicycle,
    "hooves": s_hooves, "ship": s_ship,
}


def get(name):
    _current[0] = name
    try:
        return SOUNDS[name]()
    finally:
        _current[0] = None
