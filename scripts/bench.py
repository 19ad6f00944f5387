#!/usr/bin/env python3
"""Runs Vardo's benchmarks and writes their figures as a Markdown page
(docs/benchmarks.md by default):

- decoder accuracy: CW from ebook2cw (15 and 25 WPM, 1000 Hz) with white
  noise limited to 0-3 kHz mixed in at several SNRs, decoded by Vardo's
  receive path at its default settings and by multimon-ng's MORSE_CW;
  character error rate per SNR, and the input levels at which Vardo's fixed
  threshold detects the tone;
- receiver: the adaptive receiver beside the fixed threshold and
  multimon-ng over SNR, input level and a change of speed, and its cost
  (scripts/bench_receiver.py);
- keying: key-to-sidetone latency of vardo.exe under Wine (PulseAudio null
  sink), and the automatic sender's element timing at a loopback UDP peer;
- sidetone: key-to-sidetone and frame-to-sidetone latency and recorded tone
  lengths, streamed output beside DirectSound (scripts/bench_sidetone.py);
- cost: CPU share of an idle running station, start-up time to a shown
  window under Wine, one analysis pass at several frame sizes, WAV writer
  throughput;
- fuzzing: a longer libFuzzer run of the INI loader and the frame check.

Every section that cannot run on this machine says why instead of failing
the whole run. Usage: scripts/bench [--out docs/benchmarks.md] [--quick]
"""
import argparse
import datetime
import math
import os
import platform
import random
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))


def sh(cmd, **kw):
    return subprocess.run(cmd, check=False, capture_output=True, text=True, **kw)


def levenshtein(a, b):
    prev = list(range(len(b) + 1))
    for i, ca in enumerate(a, 1):
        cur = [i]
        for j, cb in enumerate(b, 1):
            cur.append(min(prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + (ca != cb)))
        prev = cur
    return prev[-1]


def cer(ref, hyp):
    ref = ref.replace(" ", "").upper()
    hyp = hyp.replace(" ", "").upper()
    return levenshtein(ref, hyp) / max(1, len(ref))


class Builds:
    def __init__(self, root):
        self.native = os.path.join(root, "build", "bench-native")
        self.win32 = os.path.join(root, "build", "win32")

    def build_native(self, targets):
        sh(["cmake", "-S", ROOT, "-B", self.native, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release"])
        r = sh(["cmake", "--build", self.native, "-j", str(os.cpu_count() or 2), "--target"] + targets)
        return r.returncode == 0, r.stdout[-2000:] + r.stderr[-2000:]

    def build_win32(self, targets):
        sh(["cmake", "-S", ROOT, "-B", self.win32, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
            "-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(ROOT, "cmake", "mingw-i686.cmake")])
        r = sh(["cmake", "--build", self.win32, "-j", str(os.cpu_count() or 2), "--target"] + targets)
        return r.returncode == 0, r.stdout[-2000:] + r.stderr[-2000:]


# --- decoder accuracy ----------------------------------------------------------

def make_text(n_groups=20, seed=73):
    rng = random.Random(seed)
    alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
    return " ".join("".join(rng.choice(alphabet) for _ in range(5)) for _ in range(n_groups))


def sox_stat(path):
    r = sh(["sox", path, "-n", "stat"])
    out = {}
    for line in r.stderr.splitlines():
        if ":" in line:
            k, v = line.split(":", 1)
            try:
                out[k.strip()] = float(v.split()[0])
            except ValueError:
                pass
    return out


def cw_audio(text, wpm, work, level_dbfs):
    """ebook2cw's CW for text at wpm, 1000 Hz, as 44100 Hz mono WAV whose
    tone peaks at level_dbfs."""
    src = os.path.join(work, "text%d.txt" % wpm)
    with open(src, "w") as f:
        f.write(text + "\n")
    base = os.path.join(work, "cw%d_" % wpm)
    sh(["ebook2cw", "-O", "-w", str(wpm), "-f", "1000", "-s", "44100", "-o", base, src], cwd=work)
    ogg = base + "0000.ogg"
    raw = os.path.join(work, "cw%d_raw.wav" % wpm)
    # Half a second of silence before and after, so both decoders settle.
    sh(["sox", ogg, "-r", "44100", "-c", "1", "-b", "16", raw, "pad", "0.5", "1.0"])
    peak = sox_stat(raw).get("Maximum amplitude", 1.0) or 1.0
    out = os.path.join(work, "cw%d_%g.wav" % (wpm, level_dbfs))
    gain = (10 ** (level_dbfs / 20.0)) / peak
    sh(["sox", "-v", "%.6f" % gain, raw, out])
    return out


def add_noise(clean, snr_db, work, tag):
    """Mixes white noise limited to 0-3 kHz into clean so that the tone
    power over the noise power in 3 kHz is snr_db."""
    st = sox_stat(clean)
    amp = st.get("Maximum amplitude", 0.0)
    dur = st.get("Length (seconds)", 10.0)
    tone_power = amp * amp / 2.0
    noise_rms = math.sqrt(tone_power / (10 ** (snr_db / 10.0)))
    raw = os.path.join(work, "noise_%s.wav" % tag)
    sh(["sox", "-n", "-r", "44100", "-c", "1", "-b", "16", raw, "synth", "%.3f" % dur, "whitenoise",
        "sinc", "-3000", "vol", "0.5"])
    measured = sox_stat(raw).get("RMS     amplitude", 0.0) or sox_stat(raw).get("RMS amplitude", 0.0)
    if measured <= 0:
        return None, 0
    scaled = os.path.join(work, "noise_%s_scaled.wav" % tag)
    sh(["sox", "-v", "%.6f" % (noise_rms / measured), raw, scaled])
    mixed = os.path.join(work, "mixed_%s.wav" % tag)
    r = sh(["sox", "-m", "-v", "1", clean, "-v", "1", scaled, mixed])
    clipped = 0
    m = re.search(r"clipped (\d+) samples", r.stderr)
    if m:
        clipped = int(m.group(1))
    return mixed, clipped


def vardo_decode(builds, files):
    exe = os.path.join(builds.native, "bench_receiver_decoder_bench_headless")
    r = sh([exe] + files)
    out = {}
    for line in r.stdout.splitlines():
        if "\t" in line:
            f, t = line.split("\t", 1)
            out[f] = t
        elif line in files:
            out[line] = ""
    return out


def multimon_decode(path):
    r = sh(["multimon-ng", "-q", "-t", "wav", "-a", "MORSE_CW", path])
    text = r.stdout.replace("MORSE_CW:", "")
    return " ".join(text.split())


def decoder_section(builds, quick, lines):
    lines.append("## Decoder accuracy\n")
    ok, log = builds.build_native(["bench_receiver_decoder_bench_headless"])
    if not ok:
        lines.append("Not run: the decoder driver did not build.\n\n```\n%s\n```\n" % log[-1500:])
        return
    for tool in ("ebook2cw", "sox", "multimon-ng"):
        if not shutil.which(tool):
            lines.append("Not run: %s is not installed.\n" % tool)
            return
    work = tempfile.mkdtemp(prefix="vardo-bench-")
    text = make_text(8 if quick else 20)

    # Input level: where the fixed threshold works.
    levels = [-40, -30, -24, -18, -12, -10, -8, -6, -3, -1]
    lines.append("Reference text: %d characters in groups of five, letters and digits, generated with a "
                 "fixed seed; ebook2cw at 1000 Hz, 44100 samples per second. Vardo runs its receive path "
                 "at the default settings (recvanalyzesamples 512, recvthreshold 0.3, band 850-1250 Hz, "
                 "recvperiod 27 ms, receive threshold 240/27-5 = 3 samples), fed one receive period of "
                 "audio per analysis pass. Character error rate = Levenshtein distance / reference length, "
                 "word spaces ignored (Vardo's decoder has no notion of a word space).\n"
                 % len(text.replace(" ", "")))
    lines.append("### Input level (no noise)\n")
    lines.append("The detector compares DCT coefficients with an absolute threshold, so the tone must "
                 "reach a certain level at the sound input.\n")
    lines.append("| tone peak (dBFS) | Vardo CER 15 WPM | Vardo CER 25 WPM |")
    lines.append("|---:|---:|---:|")
    files = {}
    for lv in levels:
        for wpm in (15, 25):
            files[(lv, wpm)] = cw_audio(text, wpm, work, lv)
    dec = vardo_decode(builds, list(files.values()))
    best = None
    for lv in levels:
        c15 = cer(text, dec.get(files[(lv, 15)], ""))
        c25 = cer(text, dec.get(files[(lv, 25)], ""))
        lines.append("| %d | %.3f | %.3f |" % (lv, c15, c25))
        if best is None or (c15 + c25) < best[1] - 1e-9:
            best = (lv, c15 + c25)
    lines.append("")
    # The middle of the levels that decode cleanly, so that the noise runs
    # are not made at the edge of the threshold.
    clean = [lv for lv in levels if cer(text, dec.get(files[(lv, 15)], "")) == 0 and
             cer(text, dec.get(files[(lv, 25)], "")) == 0]
    level = clean[len(clean) // 2] if clean else (best[0] if best else -6)
    if clean:
        lines.append("With its fixed threshold (0.3 of full scale for a DCT coefficient) Vardo decodes the clean "
                     "signal without error for tone peaks from %d to %d dBFS; below %d dBFS it detects nothing. "
                     "Set the sound input so that a received tone peaks in that range.\n"
                     % (min(clean), max(clean), min(clean)))
    lines.append("### Noise (tone peak at %d dBFS)\n" % level)
    lines.append("White noise limited to 0-3 kHz (sox `sinc -3000`), SNR = tone power / noise power in "
                 "3 kHz. Where noise would exceed full scale the mix clips (column 'clipped').\n")
    lines.append("| SNR (dB) | Vardo 15 WPM | multimon-ng 15 WPM | Vardo 25 WPM | multimon-ng 25 WPM | clipped samples |")
    lines.append("|---:|---:|---:|---:|---:|---:|")
    snrs = [20, 10, 5, 3, 0, -3, -6, -10]
    mixed = {}
    clips = {}
    for wpm in (15, 25):
        clean = files[(level, wpm)]
        for snr in snrs:
            m, c = add_noise(clean, snr, work, "%d_%d" % (wpm, snr))
            mixed[(wpm, snr)] = m
            clips[(wpm, snr)] = clips.get((wpm, snr), 0) + c
    dec = vardo_decode(builds, [m for m in mixed.values() if m])
    for snr in snrs:
        row = ["%d" % snr]
        cl = 0
        for wpm in (15, 25):
            m = mixed[(wpm, snr)]
            if not m:
                row += ["n/a", "n/a"]
                continue
            row.append("%.3f" % cer(text, dec.get(m, "")))
            row.append("%.3f" % cer(text, multimon_decode(m)))
            cl += clips[(wpm, snr)]
        row.append(str(cl))
        lines.append("| " + " | ".join(row) + " |")
    lines.append("")
    shutil.rmtree(work, ignore_errors=True)


# --- keying and cost under Wine ------------------------------------------------

def wine_section(builds, quick, lines):
    lines.append("## Keying and cost under Wine\n")
    ok, log = builds.build_win32(["vardo"])
    exe = os.path.join(builds.win32, "vardo.exe")
    if not ok or not os.path.exists(exe):
        lines.append("Not run: vardo.exe did not build.\n")
        return
    import vardoe2e as e
    sh([os.path.join(ROOT, "scripts", "wine-prefix-setup")])
    work = tempfile.mkdtemp(prefix="vardo-bench-wine-")
    try:
        with e.Display(), e.Sound():
            # Start-up time and idle cost.
            starts, cpu = [], None
            for i in range(2 if quick else 3):
                d = os.path.join(work, "start%d" % i)
                os.makedirs(d)
                st = e.Station(exe, d)
                st.start()
                starts.append(st.t_shown - st.t_start)
                if i == 0:
                    cpu = idle_cpu_share(st, 10 if quick else 30)
                if not st.close_by_menu():
                    st.kill()
            lines.append("| figure | value |")
            lines.append("|---|---:|")
            lines.append("| start-up to a shown window (median of %d) | %.2f s |" % (len(starts), statistics.median(starts)))
            if cpu is not None:
                lines.append("| CPU of an idle station (all threads, receive analysis running) | %.1f %% of one core |" % (100 * cpu))
            lat = key_latency(e, exe, work, 5 if quick else 15)
            ref = reference_latency(e.SINK, 5 if quick else 15)
            frames = frame_latency(e, exe, work, 5 if quick else 15)
            if lat:
                lines.append("| key-to-sidetone latency, median (n=%d) | %.1f ms |" % (len(lat), statistics.median(lat)))
                lines.append("| key-to-sidetone latency, max | %.1f ms |" % max(lat))
            else:
                lines.append("| key-to-sidetone latency | not measured (no tone recorded) |")
            if frames:
                lines.append("| key event to the key-down frame at a loopback UDP peer, median | %.1f ms |"
                             % statistics.median(frames))
            if ref:
                lines.append("| the measuring path alone (a tone written into a PulseAudio stream), median | %.1f ms |"
                             % statistics.median(ref))
            lines.append("")
            lines.append("Latency is the time from the X key event (xdotool) to the first recorded tone sample "
                         "at the PulseAudio null sink's monitor; it includes Wine's and PulseAudio's buffering, "
                         "and the recorder's own chunking (about 10 ms) limits its resolution. The last row is the "
                         "same measurement of a tone written straight into a PulseAudio playback stream: the "
                         "difference between the two is what Wine's sound output and the station add. The frame row "
                         "times the same key event to the station's UDP frame, which it sends right after starting "
                         "the tone, so it shows how much of the latency lies in the sound output path.\n")
    finally:
        shutil.rmtree(work, ignore_errors=True)


def process_cpu_seconds(name):
    total = 0.0
    tick = os.sysconf("SC_CLK_TCK")
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                cmd = f.read()
            if name.encode() not in cmd:
                continue
            with open("/proc/%s/stat" % pid) as f:
                fields = f.read().rsplit(")", 1)[1].split()
            total += (int(fields[11]) + int(fields[12])) / tick
        except OSError:
            continue
    return total


def idle_cpu_share(st, seconds):
    time.sleep(2)
    c0, t0 = process_cpu_seconds("vardo.exe"), time.monotonic()
    time.sleep(seconds)
    c1, t1 = process_cpu_seconds("vardo.exe"), time.monotonic()
    return (c1 - c0) / (t1 - t0)


class LiveRecorder:
    """Records the null sink's monitor and ties every sample to the
    monotonic clock by the arrival time of its chunk (chunk_ms long, at
    pacat's latency of as many ms)."""

    def __init__(self, sink, chunk_ms=10):
        import threading
        self.chunk = 2 * int(44100 * chunk_ms / 1000)
        self.proc = subprocess.Popen(["pacat", "--record", "--device=" + sink + ".monitor", "--rate=44100",
                                      "--channels=1", "--format=s16le", "--latency-msec=%d" % chunk_ms, "--raw"],
                                     stdout=subprocess.PIPE, bufsize=0)
        self.chunks = []
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        while True:
            b = self.proc.stdout.read(self.chunk)
            if not b:
                return
            self.chunks.append((time.monotonic(), b))

    def stop(self):
        self.proc.terminate()
        self.thread.join(2)
        import struct as _s
        timeline = []
        for ts, b in self.chunks:
            cnt = len(b) // 2
            vals = _s.unpack("<%dh" % cnt, b[:cnt * 2])
            for i, v in enumerate(vals):
                timeline.append((ts - (cnt - 1 - i) / 44100.0, v))
        return timeline


def onsets(timeline, starts, level=1500, within=0.5):
    out = []
    for p in starts:
        onset = next((t for t, v in timeline if t >= p and abs(v) > level), None)
        if onset is not None and onset - p < within:
            out.append(1000.0 * (onset - p))
    return out


def reference_latency(sink, n, settle=1.0):
    """The measuring path alone: a tone written at a known moment into a
    paced PulseAudio playback stream of the same sink, the first one settle
    seconds after both streams start."""
    import struct as _s
    play = subprocess.Popen(["pacat", "--playback", "--device=" + sink, "--rate=44100", "--channels=1",
                             "--format=s16le", "--latency-msec=10", "--raw"], stdin=subprocess.PIPE)
    rec = LiveRecorder(sink)
    silence = b"\0" * 882
    tone = _s.pack("<441h", *[int(8000 * math.sin(2 * math.pi * 1000 * k / 44100)) for k in range(441)])
    starts = []
    t_next = time.monotonic()
    end = t_next + settle + n * 0.6
    due = [t_next + settle + i * 0.6 for i in range(n)]
    tone_left = 0
    while t_next < end:
        now = time.monotonic()
        if now < t_next:
            time.sleep(t_next - now)
        if due and time.monotonic() >= due[0]:
            starts.append(time.monotonic())
            due.pop(0)
            tone_left = 10
        play.stdin.write(tone + tone if tone_left else silence)
        play.stdin.flush()
        tone_left = max(0, tone_left - 1)
        t_next += 0.010
    time.sleep(0.3)
    timeline = rec.stop()
    play.stdin.close()
    play.terminate()
    return onsets(timeline, starts)


def frame_latency(e, exe, work, n):
    """Presses Enter n times and times the key-down frame at a loopback
    peer: the key event's way through X, Wine and the station, without
    the sound path."""
    d = os.path.join(work, "frames")
    os.makedirs(d)
    peer = e.Peer()
    local = e.free_udp_port()
    e.write_ini(d, {"NETWORK": {"nwenabled": "1", "localport": str(local), "hosts": "1",
                                "host1": "127.0.0.1:%d" % peer.port}})
    st = e.Station(exe, d)
    st.start()
    out = []
    try:
        for _ in range(n):
            st.focus()
            t = time.monotonic()
            st.key_down("Return")
            got = peer.receive(0.3)
            st.key_up("Return")
            peer.receive(0.4)
            if got:
                out.append(1000.0 * (got[0][0] - t))
    finally:
        if not st.close_by_menu():
            st.kill()
        peer.close()
    return out


def key_latency(e, exe, work, n):
    """Presses Enter n times and finds each tone onset in a live recording."""
    d = os.path.join(work, "latency")
    os.makedirs(d)
    st = e.Station(exe, d)
    st.start()
    try:
        rec = LiveRecorder(e.SINK)
        time.sleep(1.0)
        presses = []
        for _ in range(n):
            st.focus()
            presses.append(time.monotonic())
            st.key_down("Return")
            time.sleep(0.12)
            st.key_up("Return")
            time.sleep(0.5)
        time.sleep(0.5)
        out = onsets(rec.stop(), presses)
    finally:
        if not st.close_by_menu():
            st.kill()
    return out


# --- programs that print their own figures -------------------------------------

def program_section(builds, lines, quick):
    lines.append("## Component benchmarks\n")
    progs = [("bench_audio_analyse_bench", "One analysis pass (DCT of a frame) and its table memory"),
             ("bench_audio_vdwavefile_bench", "WAV writer throughput"),
             ("bench_app_sendtiming_bench", "Automatic sender timing at a loopback UDP peer (native)")]
    ok, _ = builds.build_native([p for p, _ in progs])
    for exe, title in progs:
        path = os.path.join(builds.native, exe)
        lines.append("### %s\n" % title)
        if not os.path.exists(path):
            lines.append("Not built.\n")
            continue
        r = sh([path], timeout=600)
        lines.append("```\n%s\n```\n" % (r.stdout.strip() or r.stderr.strip()))
    # The sender timing under Wine, from the Windows build of the same program.
    ok, _ = builds.build_win32(["bench_app_sendtiming_bench"])
    path = os.path.join(builds.win32, "bench_app_sendtiming_bench.exe")
    lines.append("### Automatic sender timing at a loopback UDP peer (Wine, i686)\n")
    if os.path.exists(path):
        r = sh([os.path.join(ROOT, "scripts", "wine-run"), path], timeout=900)
        lines.append("```\n%s\n```\n" % (r.stdout.strip() or r.stderr.strip()))
    else:
        lines.append("Not built.\n")


def fuzz_section(lines, quick):
    lines.append("## Fuzzing\n")
    secs = 30 if quick else 300
    env = dict(os.environ, VARDO_FUZZ_SECONDS=str(secs))
    r = sh([os.path.join(ROOT, "scripts", "fuzz")], env=env, timeout=secs * 4 + 900)
    stats = [l for l in r.stdout.splitlines() if l.startswith("fuzz:")]
    lines.append("%d s per target, libFuzzer with ASan+UBSan; result: %s.\n" % (secs, "no crash" if r.returncode == 0 else "FAILED"))
    lines.append("```\n%s\n```\n" % "\n".join(stats))


def machine():
    cpu = ""
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    cpu = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    wine = sh(["wine", "--version"]).stdout.strip()
    return "%s, %d cores, %s, %s" % (cpu or platform.processor(), os.cpu_count() or 0, platform.platform(), wine)


def split_sections(text):
    """The page's header and its "## " sections, in order."""
    parts = re.split(r"(?m)^(?=## )", text)
    return parts[0], {p.split("\n", 1)[0]: p for p in parts[1:]}, [p.split("\n", 1)[0] for p in parts[1:]]


def merge_sections(old, new):
    """A partial run replaces only the sections it measured."""
    _, old_secs, order = split_sections(old)
    head, new_secs, new_order = split_sections(new)
    for t in new_order:
        if t not in order:
            order.append(t)
    old_secs.update(new_secs)
    return head + "".join(old_secs[t] for t in order)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--out", default=os.path.join(ROOT, "docs", "benchmarks.md"))
    ap.add_argument("--quick", action="store_true")
    ap.add_argument("--only", default="decoder,receiver,wine,sidetone,programs,training,fuzz,keyline")
    a = ap.parse_args()
    builds = Builds(ROOT)
    lines = ["# Benchmarks", "",
             "Produced by `scripts/bench` on %s." % datetime.date.today().isoformat(),
             "Machine: %s." % machine(), ""]
    only = a.only.split(",")
    if "decoder" in only:
        decoder_section(builds, a.quick, lines)
    if "receiver" in only:
        import bench_receiver
        bench_receiver.section(lines, a.quick)
    if "wine" in only:
        wine_section(builds, a.quick, lines)
    if "sidetone" in only:
        import bench_sidetone
        bench_sidetone.sidetone_section(builds, a.quick, lines)
    if "programs" in only:
        program_section(builds, lines, a.quick)
    if "training" in only:
        from bench_training import training_section
        training_section(builds, sh, lines)
    if "fuzz" in only:
        fuzz_section(lines, a.quick)
    if "keyline" in only:
        import bench_keyline
        bench_keyline.keyline_section(ROOT, builds, lines)
    os.makedirs(os.path.dirname(a.out), exist_ok=True)
    text = "\n".join(lines) + "\n"
    if a.only != ap.get_default("only") and os.path.exists(a.out):
        text = merge_sections(open(a.out).read(), text)
    with open(a.out, "w") as f:
        f.write(text)
    print("\n".join(lines))
    print("written to", a.out)


if __name__ == "__main__":
    main()
