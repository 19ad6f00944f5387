#!/usr/bin/env python3
"""Receiver benchmark: the adaptive receiver beside the fixed-threshold
detector and multimon-ng's MORSE_CW on the same files in the same run.

- character error rate against SNR: ebook2cw at 15, 20, 25 and 30 WPM,
  1000 Hz, white noise limited to 0-3 kHz (seeded, FFT mask), SNR +20 to
  -15 dB, each point averaged over several noise seeds;
- a level sweep of the mix from -50 to -1 dBFS at +10 dB SNR;
- a text whose speed changes from 12 to 30 WPM halfway, at +10 dB SNR;
- the receiver's CPU cost on 44100 samples per second.

Every decoder gets the same files at one tone level fixed before the run.
The station's receive settings (band, threshold, periods) are not given
here: vardo-decode uses the station's own defaults and prints them.

Run alone:  bench_receiver.py [--quick] [--out FILE]   (prints the section)
or through bench.py --only receiver.
"""
import argparse
import math
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import wave

from bench import levenshtein, sh

try:
    import numpy as np
except ImportError:  # reported by the section
    np = None

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
RATE = 44100
TONE_HZ = 1000
# Every noisy mix is scaled so that its peak is here: nothing clips, and
# the tone level follows from the SNR by the same rule for every decoder.
MIX_PEAK_DBFS = -3.0
SEEDS = (11, 23, 37)
SNRS = (20, 17, 14, 11, 8, 5, 2, 0, -2, -4, -6, -8, -10, -12, -15)
SPEEDS = (15, 20, 25, 30)
LEVELS = (-50, -45, -40, -35, -30, -25, -20, -15, -10, -6, -3, -1)


def norm(text):
    return " ".join(text.upper().split())


def cer(ref, hyp):
    """Levenshtein distance over the reference length, word spaces counted,
    capped at 1."""
    ref, hyp = norm(ref), norm(hyp)
    return min(1.0, levenshtein(ref, hyp) / max(1, len(ref)))


def tail_cer(ref, hyp, start):
    """Error rate of ref[start:] against the part of hyp that the best
    alignment of the whole texts pairs with it."""
    ref, hyp = norm(ref), norm(hyp)
    n, m = len(ref), len(hyp)
    d = [[0] * (m + 1) for _ in range(n + 1)]
    for i in range(n + 1):
        d[i][0] = i
    for j in range(m + 1):
        d[0][j] = j
    for i in range(1, n + 1):
        for j in range(1, m + 1):
            d[i][j] = min(d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (ref[i - 1] != hyp[j - 1]))
    # Walk back to the hypothesis position aligned with ref[start].
    i, j = n, m
    cut = m
    while i > 0 or j > 0:
        if i == start:
            cut = j
            break
        if i > 0 and j > 0 and d[i][j] == d[i - 1][j - 1] + (ref[i - 1] != hyp[j - 1]):
            i, j = i - 1, j - 1
        elif i > 0 and d[i][j] == d[i - 1][j] + 1:
            i -= 1
        else:
            j -= 1
    else:
        cut = 0
    rest = ref[start:]
    rest = rest.strip()
    return min(1.0, levenshtein(rest, hyp[cut:].strip()) / max(1, len(rest)))


def make_text(n_groups, seed):
    rng = random.Random(seed)
    alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
    return " ".join("".join(rng.choice(alphabet) for _ in range(5)) for _ in range(n_groups))


def read_wav(path):
    with wave.open(path, "rb") as w:
        data = w.readframes(w.getnframes())
    return np.frombuffer(data, dtype="<i2").astype(np.float64) / 32768.0


def write_wav(path, x):
    pcm = np.clip(np.round(x * 32768.0), -32768, 32767).astype("<i2")
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(pcm.tobytes())


def ebook2cw(text, wpm, work):
    """ebook2cw's CW for text at wpm as float samples at RATE, peak 1.0,
    with half a second of silence before and a second after."""
    tag = "w%d_%d" % (wpm, abs(hash(text)) % 100000)
    src = os.path.join(work, tag + ".txt")
    with open(src, "w") as f:
        f.write(text + "\n")  # ebook2cw drops a last word without a line end
    base = os.path.join(work, tag + "_")
    sh(["ebook2cw", "-O", "-w", str(wpm), "-f", str(TONE_HZ), "-s", str(RATE), "-o", base, src], cwd=work)
    raw = os.path.join(work, tag + ".wav")
    sh(["sox", base + "0000.ogg", "-r", str(RATE), "-c", "1", "-b", "16", raw, "pad", "0.5", "1.0"])
    x = read_wav(raw)
    return x / max(1e-9, np.max(np.abs(x)))


def band_noise(n, seed):
    """Gaussian white noise limited to 0-3 kHz by an FFT mask, unit power."""
    rng = np.random.default_rng(seed)
    spectrum = np.fft.rfft(rng.standard_normal(n))
    freqs = np.fft.rfftfreq(n, 1.0 / RATE)
    spectrum[freqs > 3000.0] = 0.0
    x = np.fft.irfft(spectrum, n)
    return x / math.sqrt(np.mean(x * x))


def mix(tone, snr_db, seed, peak_dbfs=MIX_PEAK_DBFS):
    """tone (peak 1) plus noise at snr_db (tone power A^2/2 over the noise
    power in 3 kHz), the whole mix scaled so that its peak is at peak_dbfs.
    Returns the mix and the tone's peak in dBFS."""
    noise = band_noise(len(tone), seed) * math.sqrt(0.5 / 10 ** (snr_db / 10.0))
    x = tone + noise
    g = 10 ** (peak_dbfs / 20.0) / np.max(np.abs(x))
    return x * g, 20 * math.log10(g)


class Decoders:
    def __init__(self, build):
        self.exe = os.path.join(build, "vardo-decode")

    def adaptive(self, path):
        return sh([self.exe, path]).stdout.strip()

    def fixed(self, path):
        return sh([self.exe, "--fixed", path]).stdout.strip()

    @staticmethod
    def multimon(path):
        r = sh(["multimon-ng", "-q", "-t", "wav", "-a", "MORSE_CW", path])
        return " ".join(r.stdout.replace("MORSE_CW:", "").split())

    def defaults(self):
        r = sh([self.exe, "--defaults"])
        return dict(l.split("=", 1) for l in r.stdout.split() if "=" in l)


def build(out_lines):
    bdir = os.path.join(ROOT, "build", "bench-native")
    sh(["cmake", "-S", ROOT, "-B", bdir, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release"])
    r = sh(["cmake", "--build", bdir, "-j", str(os.cpu_count() or 2), "--target", "vardo-decode",
            "bench_receiver_cwreceiver_bench", "bench_receiver_firsttext_bench"])
    if r.returncode != 0:
        out_lines.append("Not run: the decoder did not build.\n\n```\n%s\n```\n" % (r.stdout + r.stderr)[-1500:])
        return None
    return bdir


def run_files(dec, jobs):
    """jobs: list of (key, path, ref). Returns {key: (adaptive, fixed, multimon) CERs}."""
    out = {}
    for key, path, ref in jobs:
        out[key] = (cer(ref, dec.adaptive(path)), cer(ref, dec.fixed(path)), cer(ref, dec.multimon(path)))
    return out


def section(lines, quick=False):
    lines.append("## Receiver: adaptive, fixed threshold and multimon-ng\n")
    if np is None:
        lines.append("Not run: numpy is not installed (python3-numpy).\n")
        return
    for tool in ("ebook2cw", "sox", "multimon-ng"):
        if not shutil.which(tool):
            lines.append("Not run: %s is not installed.\n" % tool)
            return
    bdir = build(lines)
    if bdir is None:
        return
    dec = Decoders(bdir)
    d = dec.defaults()
    work = tempfile.mkdtemp(prefix="vardo-rx-")
    groups = 8 if quick else 24
    seeds = SEEDS[:1] if quick else SEEDS
    snrs = SNRS[::3] if quick else SNRS
    speeds = SPEEDS
    text = make_text(groups, 73)
    lines.append(
        "Method: reference text of %d groups of five letters and digits (%d characters with the word "
        "spaces); ebook2cw at %d Hz, converted to %d samples per second with sox. White Gaussian noise, "
        "seeded, limited to 0-3 kHz by an FFT mask; SNR = tone power (peak A gives A^2/2) / noise power "
        "in 3 kHz. Every mix is scaled so that its peak is at %.0f dBFS (nothing clips); the tone's "
        "peak that gives is listed per SNR, the same for every decoder. Each SNR point is the mean over "
        "%d noise seeds. Character error "
        "rate = Levenshtein distance / reference length, word spaces counted, capped at 1. Decoders: "
        "`vardo-decode` (the adaptive receiver, the station's receiver code), `vardo-decode --fixed` "
        "(the fixed-threshold detector and the receive panel's parser at the station's defaults: %s), "
        "`multimon-ng -a MORSE_CW`. The fixed-threshold path has no word spaces, so each of them "
        "counts as an error in its column (about %.0f %% of the text).\n"
        % (groups, len(text), TONE_HZ, RATE, MIX_PEAK_DBFS, len(seeds),
           ", ".join("%s %s" % kv for kv in sorted(d.items())), 100.0 * (groups - 1) / len(text)))

    clean = {w: ebook2cw(text, w, work) for w in speeds}
    lines.append("### Error rate against SNR\n")
    head = "| SNR (dB) | tone peak (dBFS) | " + " | ".join("adaptive %d | fixed %d | multimon-ng %d" % (w, w, w) for w in speeds) + " |"
    lines.append(head)
    lines.append("|---:|---:|" + "---:|" * (3 * len(speeds)))
    results = {}
    for snr in snrs:
        row = ["%+d" % snr, ""]
        for w in speeds:
            acc = [0.0, 0.0, 0.0]
            for s in seeds:
                p = os.path.join(work, "n.wav")
                x, tone_db = mix(clean[w], snr, s * 1000 + w)
                row[1] = "%.1f" % tone_db
                write_wav(p, x)
                r = run_files(dec, [(0, p, text)])[0]
                acc = [a + b for a, b in zip(acc, r)]
            acc = [a / len(seeds) for a in acc]
            results[(snr, w)] = acc
            row += ["%.3f" % v for v in acc]
        lines.append("| " + " | ".join(row) + " |")
        sys.stderr.write(lines[-1] + "\n")
    lines.append("")

    lines.append("### Level sweep at +10 dB SNR, 20 WPM\n")
    lines.append("The whole mix (tone and noise) is scaled so that its peak is at the given level; the "
                 "tone's own peak is listed beside it. Mean over %d seeds.\n" % len(seeds))
    lines.append("| mix peak (dBFS) | tone peak (dBFS) | adaptive | fixed | multimon-ng |")
    lines.append("|---:|---:|---:|---:|---:|")
    levels = LEVELS[::2] + (-1,) if quick else LEVELS
    sweep = []
    for lv in levels:
        acc = [0.0, 0.0, 0.0]
        for s in seeds:
            p = os.path.join(work, "l.wav")
            x, tone_db = mix(clean[20], 10, s * 7 + 1, peak_dbfs=lv)
            write_wav(p, x)
            r = run_files(dec, [(0, p, text)])[0]
            acc = [a + b for a, b in zip(acc, r)]
        sweep.append(acc[0] / len(seeds))
        lines.append("| %d | %.1f | %.3f | %.3f | %.3f |" % ((lv, tone_db) + tuple(a / len(seeds) for a in acc)))
        sys.stderr.write(lines[-1] + "\n")
    lines.append("")

    lines.append("### Speed change 12 -> 30 WPM at +10 dB SNR\n")
    t1, t2 = make_text(groups // 2, 5), make_text(groups // 2, 6)
    both = np.concatenate([ebook2cw(t1, 12, work), ebook2cw(t2, 30, work)])
    ref = t1 + " " + t2
    start = len(norm(t1)) + 1
    lines.append("First half (%d characters) at 12 WPM, second half at 30 WPM, one file; 'after 5' is the "
                 "error rate of the reference from the sixth character after the change on, against the "
                 "part of the decoded text the best alignment pairs with it.\n" % start)
    lines.append("| seed | adaptive whole | adaptive after 5 | multimon-ng whole | multimon-ng after 5 |")
    lines.append("|---:|---:|---:|---:|---:|")
    tails = []
    for s in seeds:
        p = os.path.join(work, "s.wav")
        write_wav(p, mix(both, 10, s + 99)[0])
        ha, hm = dec.adaptive(p), dec.multimon(p)
        tails.append(tail_cer(ref, ha, start + 5))
        lines.append("| %d | %.3f | %.3f | %.3f | %.3f |" % (
            s, cer(ref, ha), tail_cer(ref, ha, start + 5), cer(ref, hm), tail_cer(ref, hm, start + 5)))
        sys.stderr.write(lines[-1] + "\n")
    lines.append("")

    lines.append("### Cost\n")
    r = sh([os.path.join(bdir, "bench_receiver_cwreceiver_bench")])
    lines.append(r.stdout.strip() + "\n")
    m = re.search(r"([0-9.]+) % of one core", r.stdout)
    cost = float(m.group(1)) if m else float("nan")
    # The longest single feed: the thread that feeds the receiver also
    # reads the capture, whose buffer holds a second.
    feeds = []
    for w in speeds:
        p = os.path.join(work, "feed_%d.wav" % w)
        write_wav(p, mix(clean[w], -10, seeds[0] * 1000 + w)[0])
        feeds.append(p)
    lines.append("Longest single feed (wall clock, 27 ms chunks as the station feeds them) on the -10 dB "
                 "files of the first seed, with the stretches decided on the decoder's own thread and, "
                 "the old path, in the feeding thread; same files, same run:\n")
    r = sh([os.path.join(bdir, "bench_receiver_cwreceiver_bench")] + feeds)
    lines.append(r.stdout.strip() + "\n")

    lines.append("### Targets\n")
    lines.append("| figure | goal | measured | met |")
    lines.append("|---|---:|---:|---|")
    for w in (15, 20, 25):
        if (-10, w) in results:
            v = results[(-10, w)][0]
            lines.append("| adaptive CER at -10 dB SNR, %d WPM | <= 0.020 | %.3f | %s |" % (w, v, "yes" if v <= 0.02 else "no"))
    worst = max(sweep) if sweep else float("nan")
    lines.append("| adaptive CER at +10 dB SNR, worst level from %d to %d dBFS | <= 0.010 | %.3f | %s |"
                 % (min(levels), max(levels), worst, "yes" if worst <= 0.01 else "no"))
    tail = max(tails) if tails else float("nan")
    lines.append("| CER after 5 characters past a 12 -> 30 WPM change (worst seed) | <= 0.020 | %.3f | %s |"
                 % (tail, "yes" if tail <= 0.02 else "no"))
    lines.append("| processor share on 44100 samples per second | <= 5 %% | %.2f %% | %s |"
                 % (cost, "yes" if cost <= 5 else "no"))
    lines.append("")
    shutil.rmtree(work, ignore_errors=True)

    # The varied corpus, same build, same run.
    import bench_rxcorpus
    bench_rxcorpus.section(lines, os.path.join(bdir, "vardo-decode"),
                           os.path.join(bdir, "bench_receiver_firsttext_bench"), quick)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--quick", action="store_true")
    a = ap.parse_args()
    lines = []
    section(lines, a.quick)
    print("\n".join(lines))


if __name__ == "__main__":
    main()
