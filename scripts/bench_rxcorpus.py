#!/usr/bin/env python3
"""Receiver corpus benchmark: files that no single setting fits, every one
decoded with the default settings (no band given), by the adaptive
receiver, the fixed detector and multimon-ng side by side in one run.

Each file draws its own pitch (300-2500 Hz), speed (10-45 WPM), text (QSO
lines, call signs, numbers, five-letter groups), generator (ebook2cw from
Debian, or this script's own with raised-cosine edges of 2-8 ms) and timing
(machine-exact, or hand-sent: dash/dot 2.5-4, element jitter up to 15 %,
letter gaps 2.5-5 dots, word gaps 5-12, slow speed drift) from a seeded
generator whose base seed is printed; conditions add digital silence, a DC
offset, 3 kHz white noise from +30 to -12 dB, fading, a second weaker CW
signal, steady carriers, pitch drift, and noise alone.

Run alone:  bench_rxcorpus.py [--quick] [--seed N] [--decoder PATH]
            [--firsttext PATH] [--jobs N]   (prints the section)
or through bench.py --only receiver (bench_receiver.py calls it).
"""
import argparse
import math
import multiprocessing
import os
import random
import shutil
import subprocess
import sys
import tempfile
import wave

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from bench import sh  # noqa: E402
from bench_receiver import band_noise, cer, norm, read_wav, write_wav  # noqa: E402

try:
    import numpy as np
except ImportError:  # reported by the section
    np = None

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
RATE = 44100
BASE_SEED = 20261209
# The band the pitches are drawn from (--pitch LO-HI), the conditions run
# (--only), and whether the peers decode too (--adaptive-only).
PITCH = (300.0, 2500.0)
ADAPTIVE_ONLY = False

MORSE = {"A": ".-", "B": "-...", "C": "-.-.", "D": "-..", "E": ".", "F": "..-.", "G": "--.", "H": "....",
         "I": "..", "J": ".---", "K": "-.-", "L": ".-..", "M": "--", "N": "-.", "O": "---", "P": ".--.",
         "Q": "--.-", "R": ".-.", "S": "...", "T": "-", "U": "..-", "V": "...-", "W": ".--", "X": "-..-",
         "Y": "-.--", "Z": "--..", "0": "-----", "1": ".----", "2": "..---", "3": "...--", "4": "....-",
         "5": ".....", "6": "-....", "7": "--...", "8": "---..", "9": "----.", "/": "-..-.", "?": "..--..",
         ".": ".-.-.-"}

NAMES = ["BOB", "ANNA", "JOE", "MIKE", "SUE", "TOM", "KARL", "LI", "OLGA", "PETE", "YUKI", "RAJ"]
CITIES = ["PARIS", "OSLO", "TOKYO", "LIMA", "BERLIN", "CAIRO", "DENVER", "PERTH", "RIGA", "QUITO"]






# --- texts ---------------------------------------------------------------------

def call(rng):
    L = "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
    pre = rng.choice(["", rng.choice(L)]) + rng.choice(L)
    if rng.random() < 0.3:
        pre = rng.choice(L) + str(rng.randint(1, 9))
    c = pre + str(rng.randint(0, 9)) + "".join(rng.choice(L) for _ in range(rng.randint(1, 3)))
    return c + ("/P" if rng.random() < 0.1 else "")


def text_for(kind, rng, words):
    """About `words` words of the given kind."""
    out = []
    while len(out) < words:
        if kind == "qso":
            a, b = call(rng), call(rng)
            line = rng.choice([
                "CQ CQ DE %s %s K" % (a, a),
                "%s DE %s UR RST 599 5NN ES NAME %s QTH %s HW? %s DE %s K" % (
                    a, b, rng.choice(NAMES), rng.choice(CITIES), a, b),
                "R R TNX FER QSO %s 73 ES GL DE %s SK" % (rng.choice(NAMES), b),
                "%s DE %s GM OM RIG HR IS %dW ANT DIPOLE WX %s %dC" % (
                    a, b, rng.choice([5, 10, 50, 100]), rng.choice(["SUNNY", "RAIN", "CLOUDY"]),
                    rng.randint(-9, 35)),
            ])
            out += line.replace("-", "").split()
        elif kind == "calls":
            out.append(call(rng))
        elif kind == "numbers":
            out.append(rng.choice(["599", "5NN", "%03d" % rng.randint(1, 999), str(rng.randint(1, 99999)),
                                   "%d/%d" % (rng.randint(1, 99), rng.randint(1, 9))]))
        else:
            alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
            out.append("".join(rng.choice(alphabet) for _ in range(5)))
    return " ".join(out[:words])


# --- generators ----------------------------------------------------------------

def keying(text, wpm, rng, hand, gaps=None):
    """(start, end) seconds of every mark. Hand-sent: the ratios and jitter
    are drawn per file, the speed drifts slowly. gaps, a list: every gap
    between characters is appended as (length in the dots of its moment,
    whether it is a word space)."""
    dot0 = 1.2 / wpm
    if hand:
        ratio = rng.uniform(2.5, 4.0)
        jitter = rng.uniform(0.05, 0.15)
        letter = rng.uniform(2.5, 5.0)
        word = rng.uniform(5.0, 12.0)
        drift = rng.uniform(-0.15, 0.15)  # relative change of the dot over the text
        weight = rng.uniform(-0.15, 0.15)  # marks longer or shorter than the spaces
    else:
        ratio, jitter, letter, word, drift, weight = 3.0, 0.0, 3.0, 7.0, 0.0, 0.0
    n = max(1, sum(len(MORSE.get(c, "")) for c in text))
    marks, t, k = [], 0.0, 0

    def j(x):
        return x * max(0.3, 1.0 + rng.gauss(0.0, jitter)) if jitter else x

    words = text.split()
    for wi, w in enumerate(words):
        for ci, c in enumerate(w):
            code = MORSE.get(c)
            if not code:
                continue
            for ei, el in enumerate(code):
                dot = dot0 * (1.0 + drift * k / n)
                k += 1
                length = j((1.0 if el == "." else ratio) * dot * (1.0 + weight))
                marks.append((t, t + length))
                t += length
                if ei < len(code) - 1:
                    t += j(dot * (1.0 - weight))
            if ci < len(w) - 1:
                g = j(letter * dot)
                t += g
                if gaps is not None:
                    gaps.append((g / dot, False))
        if wi < len(words) - 1:
            g = j(word * dot)
            t += g
            if gaps is not None:
                gaps.append((g / dot, True))
    return marks, t


def own_cw(text, wpm, pitch, rng, hand, drift_hz_s=0.0, gaps=None):
    """This script's generator: raised-cosine edges of 2-8 ms, exact zeros
    between marks. Peak 1. gaps: see keying."""
    marks, length = keying(text, wpm, rng, hand, gaps)
    lead, tail = rng.uniform(0.3, 1.5), rng.uniform(1.0, 2.0)
    n = int((lead + length + tail) * RATE)
    env = np.zeros(n)
    edge = rng.uniform(0.002, 0.008)
    e = int(edge * RATE)
    ramp = 0.5 - 0.5 * np.cos(np.pi * np.arange(e) / max(1, e))
    for a, b in marks:
        i, k = int((lead + a) * RATE), int((lead + b) * RATE)
        k = max(k, i + 2 * e)
        env[i:k] = 1.0
        env[i:i + e] = ramp[:len(env[i:i + e])]
        env[max(i, k - e):k] = ramp[::-1][:len(env[max(i, k - e):k])]
    t = np.arange(n) / RATE
    phase = 2 * np.pi * (pitch * t + 0.5 * drift_hz_s * t * t) + rng.uniform(0, 2 * np.pi)
    return env * np.sin(phase)


def ebook2cw(text, wpm, pitch, work, tag):
    src = os.path.join(work, tag + ".txt")
    with open(src, "w") as f:
        f.write(text + "\n")  # ebook2cw drops a last word without a line end
    base = os.path.join(work, tag + "_")
    sh(["ebook2cw", "-O", "-w", str(int(wpm)), "-f", str(int(pitch)), "-s", str(RATE), "-o", base, src], cwd=work)
    raw = os.path.join(work, tag + "_e.wav")
    sh(["sox", base + "0000.ogg", "-r", str(RATE), "-c", "1", "-b", "16", raw, "pad", "0.5", "1.0"])
    x = read_wav(raw)
    for p in (src, base + "0000.ogg", raw):
        try:
            os.remove(p)
        except OSError:
            pass
    return x / max(1e-9, np.max(np.abs(x)))








# --- the corpus ----------------------------------------------------------------
# Each condition: name, number of files (full, quick), and a recipe that
# draws one file's parameters from rng. The SNR is tone power (peak A gives
# A^2/2) over the noise power in 3 kHz.

def pitch_in(rng, lo, hi):
    """A pitch from lo-hi, kept inside the band asked for (--pitch): drawn
    from the overlap, or from the whole band when they do not overlap."""
    a, b = max(lo, PITCH[0]), min(hi, PITCH[1])
    return rng.uniform(a, b) if a < b else rng.uniform(*PITCH)


def recipe(cond, rng):
    p = {"pitch": pitch_in(rng, 300, 2500), "wpm": rng.uniform(10, 45), "kind": rng.choice(
        ["qso", "calls", "numbers", "groups"]), "gen": rng.choice(["own", "ebook2cw"]), "hand": False,
        "snr": None, "dc": 0.0, "fade": None, "second": None, "carrier": None, "drift": 0.0,
        "level": rng.uniform(-20, -3)}
    if cond == "clean, machine timing":
        pass
    elif cond == "+30 dB, machine timing":
        p["snr"] = 30
    elif cond == "clean, hand-sent":
        p.update(gen="own", hand=True, wpm=rng.uniform(10, 35))
    elif cond == "+30 dB, hand-sent":
        p.update(gen="own", hand=True, wpm=rng.uniform(10, 35), snr=30)
    elif cond == "clean, DC offset":
        p.update(gen="own", dc=rng.choice([-1, 1]) * rng.uniform(0.05, 0.3))
    elif cond.startswith("-10 dB, 15-25 WPM"):
        p.update(wpm=rng.uniform(15, 25), snr=-10)
        if "hand" in cond:
            p.update(gen="own", hand=True)
        elif "ebook2cw" in cond:
            p.update(gen="ebook2cw")
        else:
            p.update(gen="own")
    elif cond.startswith("SNR "):
        p.update(snr=float(cond.split()[1]), wpm=rng.uniform(15, 30))
    elif cond == "fading +3 dB":
        p.update(snr=3, wpm=rng.uniform(15, 25), fade=(rng.choice(["rayleigh", "sine"]), rng.uniform(0.1, 0.5),
                                                       rng.uniform(10, 15)))
    elif cond == "second signal, +20 dB":
        p.update(snr=20, pitch=pitch_in(rng, 500, 2200), second=(rng.choice([-1, 1]) * rng.uniform(150, 400),
                                                               rng.uniform(6, 12), rng.uniform(12, 35)))
    elif cond == "steady carrier, +20 dB":
        p.update(snr=20, pitch=pitch_in(rng, 500, 2200),
                 carrier=(rng.choice([-1, 1]) * rng.uniform(100, 600), rng.uniform(-6, 6)))
    elif cond == "pitch drift 2-5 Hz/s, +20 dB":
        p.update(snr=20, gen="own", pitch=pitch_in(rng, 500, 2000), drift=rng.choice([-1, 1]) * rng.uniform(2, 5),
                 wpm=rng.uniform(15, 30))
    return p


CONDITIONS = [
    ("clean, machine timing", 14, 5),
    ("+30 dB, machine timing", 10, 3),
    ("clean, DC offset", 4, 2),
    ("clean, hand-sent", 12, 4),
    ("+30 dB, hand-sent", 6, 2),
    ("-10 dB, 15-25 WPM, own generator", 6, 2),
    ("-10 dB, 15-25 WPM, ebook2cw", 6, 2),
    ("-10 dB, 15-25 WPM, hand-sent", 6, 2),
    ("SNR +20", 3, 1), ("SNR +10", 3, 1), ("SNR +3", 3, 1), ("SNR 0", 3, 1), ("SNR -5", 3, 1),
    ("SNR -12", 3, 1),
    ("fading +3 dB", 6, 2),
    ("second signal, +20 dB", 6, 2),
    ("steady carrier, +20 dB", 6, 2),
    ("pitch drift 2-5 Hz/s, +20 dB", 4, 2),
]


def word_space_floor(gaps, text):
    """Hand-sent letter and word gaps are drawn apart, and a hand whose word
    gaps are little longer than its letter gaps, with jitter, keys some of
    each in the other's range: no receiver can tell those apart. The share
    of the reference that the best single boundary (chosen knowing which
    gap is which, in the dots of each gap's moment) still misplaces."""
    if not gaps:
        return 0.0
    cuts = sorted(g for g, _ in gaps) + [float("inf")]
    wrong = min(sum((g >= c) != w for g, w in gaps) for c in cuts)
    return wrong / max(1, len(norm(text)))


def render(p, rng, work, tag, seed, gaps=None):
    """The file for recipe p; returns (path, reference text). gaps: see
    keying (this script's generator only)."""
    words = max(6, int(p["wpm"] * 0.5))  # about 20-30 s of text
    text = text_for(p["kind"], rng, words)
    if p["gen"] == "ebook2cw":
        x = ebook2cw(text, p["wpm"], p["pitch"], work, tag)
    else:
        x = own_cw(text, p["wpm"], p["pitch"], rng, p["hand"], p["drift"], gaps)
    n = len(x)
    if p["fade"]:
        kind, hz, depth = p["fade"]
        t = np.arange(n) / RATE
        if kind == "sine":
            g_db = -depth / 2 * (1 + np.sin(2 * np.pi * hz * t + rng.uniform(0, 6.28)))
            x = x * 10 ** (g_db / 20)
        else:
            # Rayleigh: complex Gaussian low-passed to hz, unit mean power.
            r = np.random.default_rng(seed + 5)
            k = int(n / RATE * hz * 4) + 8
            c = r.standard_normal(k) + 1j * r.standard_normal(k)
            env = np.abs(np.interp(t, np.linspace(0, t[-1], k), c.real) +
                         1j * np.interp(t, np.linspace(0, t[-1], k), c.imag))
            x = x * env / math.sqrt(np.mean(env ** 2))
    if p["second"]:
        off, below, wpm2 = p["second"]
        y = own_cw(text_for("qso", rng, 40), wpm2, p["pitch"] + off, rng, True)
        y = np.resize(y, n) if len(y) < n else y[:n]
        x = x + y * 10 ** (-below / 20)
    if p["carrier"]:
        off, rel = p["carrier"]
        t = np.arange(n) / RATE
        x = x + 10 ** (rel / 20) * np.sin(2 * np.pi * (p["pitch"] + off) * t)
    if p["snr"] is not None:
        x = x + band_noise(n, seed) * math.sqrt(0.5 / 10 ** (p["snr"] / 10.0))
    x = x * 10 ** (p["level"] / 20) / max(1e-9, np.max(np.abs(x)))
    if p["dc"]:
        x = x * (1 - abs(p["dc"])) + p["dc"]
    if p["snr"] is None:
        # Digital silence stays exact zeros (a DC offset keeps its level).
        x[np.abs(x - p["dc"]) < 0.5 / 32768] = p["dc"]
    path = os.path.join(work, tag + ".wav")
    write_wav(path, x)
    return path, text


def decode_all(decoder, path):
    a = sh([decoder, path]).stdout.strip()
    if ADAPTIVE_ONLY:
        return a, "", ""
    f = sh([decoder, "--fixed", path]).stdout.strip()
    m = sh(["multimon-ng", "-q", "-t", "wav", "-a", "MORSE_CW", path]).stdout
    return a, f, " ".join(m.replace("MORSE_CW:", "").split())


def job(args):
    cond, i, seed, decoder, work = args
    rng = random.Random(seed)
    p = recipe(cond, rng)
    tag = "f%d" % seed
    gaps = []
    path, text = render(p, rng, work, tag, seed, gaps)
    outs = decode_all(decoder, path)
    os.remove(path)
    floor = word_space_floor(gaps, text) if p["hand"] else 0.0
    return cond, i, p, text, [cer(text, o) for o in outs], outs, floor


def noise_job(args):
    seed, decoder, work, seconds = args
    x = band_noise(int(seconds * RATE), seed) * 10 ** (random.Random(seed).uniform(-30, -6) / 20) / 4
    path = os.path.join(work, "noise%d.wav" % seed)
    write_wav(path, x)
    outs = decode_all(decoder, path)
    os.remove(path)
    return [len(o.replace(" ", "")) for o in outs]


def first_text(decoder_dir, firsttext, work, rng, n):
    """Words of an over that pass before the first text shows (final or
    provisional), on clean and +10 dB files of this script's generator."""
    # The band the station's receiver searches by default, as vardo-decode
    # reports it.
    d = dict(l.split("=", 1) for l in sh([os.path.join(decoder_dir, "vardo-decode"), "--defaults"]).stdout.split()
             if "=" in l)
    band = [d.get("recvsearchstart", d.get("recvfreqstart", "200")), d.get("recvsearchend", d.get("recvfreqend", "3000"))]
    rows = []
    for k in range(n):
        wpm, pitch = rng.uniform(12, 35), rng.uniform(300, 2500)
        text = text_for(rng.choice(["qso", "groups", "calls"]), rng, 10)
        seed = rng.randint(0, 10 ** 9)
        r2 = random.Random(seed)
        marks, _ = keying(text, wpm, random.Random(seed), False)
        x = own_cw(text, wpm, pitch, r2, False)
        lead = np.argmax(np.abs(x) > 0) / RATE
        if k % 2:
            x = x + band_noise(len(x), seed) * math.sqrt(0.5 / 10 ** (10 / 10.0))
        x = x * 0.5 / np.max(np.abs(x))
        path = os.path.join(work, "first%d.wav" % k)
        write_wav(path, x)
        # Word ends: the marks of each word, in order.
        ends, m = [], 0
        for w in text.split():
            m += sum(len(MORSE[c]) for c in w)
            ends.append(lead + marks[m - 1][1])
        out = sh([firsttext, "--band"] + band + [path]).stdout.split()
        os.remove(path)
        final, anyt = float(out[1]), float(out[2])

        def words_before(t):
            return sum(1 for e in ends if e <= t) if t >= 0 else None
        rows.append((wpm, pitch, "+10 dB" if k % 2 else "clean", words_before(anyt), words_before(final)))
    return rows


def section(lines, decoder, firsttext=None, quick=False, seed=BASE_SEED, jobs=2, only=None, files=None):
    lines.append("## Receiver corpus: varied pitch, speed, text, timing and band conditions\n")
    if np is None:
        lines.append("Not run: numpy is not installed (python3-numpy).\n")
        return {}
    for tool in ("ebook2cw", "sox", "multimon-ng"):
        if not shutil.which(tool):
            lines.append("Not run: %s is not installed.\n" % tool)
            return {}
    work = tempfile.mkdtemp(prefix="vardo-rxc-")
    tasks = []
    for ci, (cond, full, q) in enumerate(CONDITIONS):
        if only and not any(o in cond for o in only):
            continue
        for i in range(files or (q if quick else full)):
            tasks.append((cond, i, seed + 1000 * ci + i, decoder, work))
    with multiprocessing.Pool(jobs) as pool:
        results = pool.map(job, tasks, chunksize=1)
        runs = 0 if only and "noise" not in only else (1 if quick else 3)
        noise = pool.map(noise_job, [(seed + 90000 + k, decoder, work, 60.0) for k in range(runs)])
    lines.append(
        "Method: base seed %d (`scripts/bench_rxcorpus.py --seed N` draws another corpus). Every file draws "
        "its pitch (%.0f-%.0f Hz), speed (10-45 WPM; hand-sent 10-35), text kind (QSO lines, call signs, "
        "numbers, five-letter groups), generator (ebook2cw, or this script's own with exact digital "
        "silence and raised-cosine edges of 2-8 ms), level (-20 to -3 dBFS peak) and, for hand-sent "
        "timing, its dash/dot ratio (2.5-4), element jitter (5-15 %% s.d.), letter gap (2.5-5 dots), word "
        "gap (5-12 dots), mark weighting (+-15 %%) and speed drift (+-15 %% over the text). Clean files "
        "have no noise at all: exact zeros between marks. Noise: white Gaussian, limited to 0-3 kHz by an "
        "FFT mask; SNR = tone power (peak A gives A^2/2) / noise power in 3 kHz. Fading: Rayleigh "
        "(complex Gaussian interpolated at 4x the rate) or a 10-15 dB sine, 0.1-0.5 Hz. Second signal: "
        "hand-sent CW 6-12 dB weaker, 150-400 Hz away, 12-35 WPM. Carrier: a steady tone 100-600 Hz away, "
        "-6 to +6 dB against the wanted one. Drift: the pitch moves 2-5 Hz/s. Every file is decoded with "
        "`vardo-decode FILE` (the adaptive receiver at its defaults, no band given), `vardo-decode --fixed "
        "FILE` (the fixed detector at the station's defaults) and `multimon-ng -a MORSE_CW`. CER = "
        "Levenshtein distance / reference length, spaces collapsed, capped at 1. Mean and worst file per "
        "condition.\n" % (seed, PITCH[0], PITCH[1]))
    names = ("adaptive", "fixed", "multimon-ng")
    lines.append("| condition | files | " + " | ".join("%s mean | %s worst" % (n, n) for n in names) + " |")
    lines.append("|---|---:|" + "---:|" * 6)
    per = {}
    for cond, _, _ in CONDITIONS:
        rs = [r for r in results if r[0] == cond]
        if not rs:
            continue
        cols = list(zip(*[r[4] for r in rs]))
        per[cond] = [(sum(c) / len(c), max(c)) for c in cols]
        cells = ["%.3f | %.3f" % mw for mw in per[cond]]
        if ADAPTIVE_ONLY:
            cells[1:] = ["- | -"] * (len(cells) - 1)
        lines.append("| %s | %d | %s |" % (cond, len(rs), " | ".join(cells)))
    lines.append("")
    hand_rows = [c for c in per if "hand" in c]
    if hand_rows:
        lines.append("Hand-sent files draw their letter and word gaps apart, so a hand may key word gaps little "
                     "longer than its letter gaps, and with its jitter some of each fall in the other's range. "
                     "Word-space floor: the share of the reference that the best single boundary between them "
                     "still misplaces, chosen knowing which gap is which (in the dots of each gap's moment); no "
                     "receiver does better on word spaces, and the adaptive receiver's error above it is its own.\n")
        lines.append("| condition | files | floor mean | floor worst | adaptive mean | adaptive mean above floor |")
        lines.append("|---|---:|---:|---:|---:|---:|")
        for cond in hand_rows:
            rs = [r for r in results if r[0] == cond]
            fl = [r[6] for r in rs]
            above = [max(0.0, r[4][0] - r[6]) for r in rs]
            lines.append("| %s | %d | %.3f | %.3f | %.3f | %.3f |" % (cond, len(rs), sum(fl) / len(fl), max(fl),
                                                                  per[cond][0][0], sum(above) / len(above)))
        lines.append("")
    worst = max(results, key=lambda r: r[4][0])
    lines.append("Worst file for the adaptive receiver: %s, %.0f Hz, %.0f WPM, %s, CER %.3f; reference %r, "
                 "decoded %r.\n" % (worst[0], worst[2]["pitch"], worst[2]["wpm"], worst[2]["gen"], worst[4][0],
                                    worst[3][:80], worst[5][0][:80]))
    lines.append("Noise alone, 60 s (3 kHz white noise, -30 to -6 dBFS), characters output per file: " +
                 ", ".join(("adaptive %d" % n[0]) if ADAPTIVE_ONLY else
                           ("adaptive %d / fixed %d / multimon-ng %d" % tuple(n)) for n in noise) + ".\n")
    ft = []
    if firsttext:
        ft = first_text(os.path.dirname(decoder), firsttext, work, random.Random(seed + 777), 4 if quick else 8)
        lines.append("First text: each over (10 words, 12-35 WPM, 300-2500 Hz, clean or +10 dB) fed to the "
                     "receiver in 27 ms chunks as the station feeds it (`bench_receiver_firsttext_bench`, "
                     "decisions in the feeding thread, the end never flushed); words of the over complete "
                     "before anything shows (final or provisional) and before the first final text:\n")
        lines.append("| WPM | pitch (Hz) | noise | words before any text | words before final text |")
        lines.append("|---:|---:|---|---:|---:|")
        for wpm, pitch, nz, a, f in ft:
            lines.append("| %.0f | %.0f | %s | %s | %s |" % (wpm, pitch, nz, "never" if a is None else a,
                                                           "never" if f is None else f))
        lines.append("")
    shutil.rmtree(work, ignore_errors=True)

    def m(cond, k=0):
        return per[cond][0][k] if cond in per else float("nan")

    clean = [c for c in per if c.startswith("clean") and "hand" not in c] + ["+30 dB, machine timing"]
    clean_worst = max([per[c][0][1] for c in clean if c in per] or [float("nan")])
    hand = [c for c in per if "hand" in c and not c.startswith("-10")]
    hand_mean = max([per[c][0][0] for c in hand] or [float("nan")])
    m10 = [c for c in per if c.startswith("-10 dB")]
    m10_mean = sum(per[c][0][0] for c in m10) / max(1, len(m10))
    m10_worst_cond = max([per[c][0][0] for c in m10] or [float("nan")])
    fade = m("fading +3 dB")
    noise_max = max([n[0] for n in noise] or [0])
    first_worst = max((a if a is not None else 99) for _, _, _, a, _ in ft) if ft else None
    lines.append("### Targets (corpus)\n")
    lines.append("| figure | goal | measured | met |")
    lines.append("|---|---:|---:|---|")

    def row(fig, goal, val, ok, fmt="%.3f"):
        lines.append("| %s | %s | %s | %s |" % (fig, goal, fmt % val, "yes" if ok else "**no**"))
    row("clean and +30 dB, machine timing, %.0f-%.0f Hz, 10-45 WPM: worst file CER" % PITCH, "0", clean_worst,
        clean_worst == 0)
    row("hand-sent (clean and +30 dB): worst condition mean CER", "<= 0.010", hand_mean, hand_mean <= 0.01)
    row("-10 dB SNR, 15-25 WPM: mean over the corpus", "<= 0.020", m10_mean, m10_mean <= 0.02)
    row("-10 dB SNR, 15-25 WPM: worst condition", "<= 0.050", m10_worst_cond, m10_worst_cond <= 0.05)
    row("fading at +3 dB: mean CER", "<= 0.050", fade, fade <= 0.05)
    row("noise alone 60 s: characters out (worst file)", "<= 2", noise_max, noise_max <= 2, "%d")
    if first_worst is not None:
        row("words of an over before the first text shows (worst over)", "<= 2", first_worst,
            first_worst <= 2, "%d")
    lines.append("")
    if quick:
        # The few files of a hand-sent or fading condition often all come
        # out clean: a quick run shows the code works, not where it stands.
        sizes = [sum(1 for t in tasks if t[0] == c) for c in per]
        lines.append("Quick run: %d files in all, %d to %d a condition, too few to judge a target by; "
                     "the full corpus (`scripts/bench_rxcorpus.py --seed N`, no `--quick`) is the figure.\n"
                     % (len(tasks), min(sizes or [0]), max(sizes or [0])))
    return per


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--quick", action="store_true")
    ap.add_argument("--seed", type=int, default=BASE_SEED)
    ap.add_argument("--decoder", default=os.path.join(ROOT, "build", "bench-native", "vardo-decode"))
    ap.add_argument("--firsttext", default=None,
                    help="bench_receiver_firsttext_bench (default: beside the decoder)")
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--pitch", default="300-2500", help="band the pitches are drawn from, LO-HI Hz")
    ap.add_argument("--only", action="append", help="run only conditions whose name holds this (repeatable; "
                    "'noise' for the noise-alone files)")
    ap.add_argument("--files", type=int, default=None, help="files per condition")
    ap.add_argument("--adaptive-only", action="store_true", help="decode with the adaptive receiver alone")
    a = ap.parse_args()
    global PITCH, ADAPTIVE_ONLY
    lo, hi = (float(v) for v in a.pitch.split("-"))
    PITCH = (min(lo, hi), max(lo, hi))
    ADAPTIVE_ONLY = a.adaptive_only
    ft = a.firsttext or os.path.join(os.path.dirname(os.path.abspath(a.decoder)), "bench_receiver_firsttext_bench")
    lines = []
    section(lines, os.path.abspath(a.decoder), ft if os.path.exists(ft) and not a.only else None, a.quick, a.seed,
            a.jobs, a.only, a.files)
    print("\n".join(lines))


if __name__ == "__main__":
    main()
