"""Sidetone benchmark: how late and how true the sidetone of vardo.exe is
under Wine with PulseAudio, for the streamed output (the default) and the
DirectSound output (forced with VARDO_SIDETONE=directsound) in the same run.

For each output one station is started and keyed:
- by a peer: key frames from a loopback UDP peer, 300 ms down and 300 ms
  up, then 40 WPM elements (30 ms down, 30 ms up);
- by hand: the Enter key through X (xdotool), about 300 ms down, 400 ms up.
The null sink's monitor is recorded live (pacat at 2 ms latency, 2 ms
chunks, each sample stamped by its chunk's arrival). Latency is from the key event (the
xdotool call, the frame's sendto) to the first recorded tone sample; tone
lengths are measured from the recorded sound alone, sample by sample.
The measuring path's own delay is a tone written into a PulseAudio
playback stream of the same sink at a known moment, timed the same way.

Called from bench.py (--only sidetone); writes the section
"## Sidetone under Wine".
"""
import os
import statistics
import subprocess
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)

# A sample louder than this is tone (the tone peaks at 8191 at beepvol 0.25).
LEVEL = 1500
# Seconds a new recording runs before anything is measured.
SETTLE_S = 4.0
# Quieter stretches shorter than this do not end a tone (zero crossings).
BRIDGE_S = 0.002


def windows_builds(builds):
    """The Windows builds this host can run: i686 (the product) where
    32-bit code runs, and x86_64 under the 64-bit loader. Returns
    [(exe, wine loader, name)]."""
    out = []
    runs32 = subprocess.run(["/usr/lib/wine/wine", "--version"], capture_output=True).returncode == 0
    if runs32 and os.environ.get("VARDO_NO_WIN32", "0") != "1":
        ok, _ = builds.build_win32(["vardo"])
        exe = os.path.join(builds.win32, "vardo.exe")
        if ok and os.path.exists(exe):
            out.append((exe, "wine", "i686"))
    d = os.path.join(ROOT, "build", "win64")
    subprocess.run(["cmake", "-S", ROOT, "-B", d, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                    "-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(ROOT, "cmake", "mingw-x86_64.cmake")],
                   capture_output=True)
    r = subprocess.run(["cmake", "--build", d, "-j", str(os.cpu_count() or 2), "--target", "vardo"],
                       capture_output=True, text=True)
    exe = os.path.join(d, "vardo.exe")
    if r.returncode == 0 and os.path.exists(exe):
        out.append((exe, "wine64", "x86_64"))
    return out


def FineRecorder(sink):
    """The null sink's monitor in 2 ms chunks at pacat's smallest latency,
    every sample stamped by its chunk's arrival on the monotonic clock."""
    from bench import LiveRecorder
    return LiveRecorder(sink, chunk_ms=2)


def reference_latency(sink, n):
    """The measuring path alone: a tone written at a known moment into a
    PulseAudio playback stream of the same sink at its smallest latency,
    recorded and timed as the station's tones are."""
    import math
    import struct
    play = subprocess.Popen(["pacat", "--playback", "--device=" + sink, "--rate=44100", "--channels=1",
                             "--format=s16le", "--latency-msec=2", "--raw"], stdin=subprocess.PIPE, bufsize=0)
    rec = FineRecorder(sink)
    tone = struct.pack("<88h", *[int(8000 * math.sin(2 * math.pi * 1000 * k / 44100)) for k in range(88)])
    # Nothing is written between the tones, so no backlog builds up in the
    # playback stream: each tone goes into an idle stream, as the first
    # samples of a key-down go into the sink.
    starts = []
    time.sleep(SETTLE_S)
    for _ in range(n):
        starts.append(time.monotonic())
        t_next = starts[-1]
        for _ in range(50):
            play.stdin.write(tone)
            t_next += 0.002
            time.sleep(max(0.0, t_next - time.monotonic()))
        time.sleep(0.5)
    time.sleep(0.3)
    timeline = rec.stop()
    play.stdin.close()
    play.terminate()
    out = []
    found = tones(timeline)
    for t in starts:
        onset = next((o for o, _ in found if o >= t), None)
        if onset is not None and onset - t < 0.5:
            out.append(1000.0 * (onset - t))
    return out


def tones(timeline):
    """Tones in a recorded timeline [(t, sample)]: (onset time, length in s)
    with the length counted in samples, so the recorder's chunk timing does
    not enter it."""
    out = []
    start = last = None
    bridge = int(BRIDGE_S * 44100)
    for i, (t, v) in enumerate(timeline):
        if abs(v) <= LEVEL:
            continue
        if start is not None and i - last > bridge:
            out.append((timeline[start][0], (last - start + 1) / 44100.0))
            start = None
        if start is None:
            start = i
        last = i
    if start is not None:
        out.append((timeline[start][0], (last - start + 1) / 44100.0))
    return out


def match(events, found, shift, last_window=0.5):
    """The recorded tones of each key-down: those whose onset falls after
    its time plus shift (a little under the output's latency) and before
    the next key-down's. Returns [(onset, length)] per key-down."""
    out = []
    for i, t in enumerate(events):
        end = events[i + 1] + shift if i + 1 < len(events) else t + shift + last_window
        out.append([(o, n) for o, n in found if t + shift <= o < end])
    return out


def length_row(name, held, matched):
    """A tone-length table row: right, off by > 10 ms, missing, split.
    held is the keyed length of each key-down in seconds."""
    right = off = missing = split = 0
    worst = 0.0
    for want, m in zip(held, matched):
        if not m:
            missing += 1
            continue
        if len(m) > 1:
            split += 1
            continue
        err = abs(m[0][1] - want)
        worst = max(worst, err)
        if err > 0.010:
            off += 1
        else:
            right += 1
    return "| %s | %d | %d | %d | %d | %d | %.1f ms |" % (name, len(matched), right, off, missing, split, 1000 * worst)


def run_output(e, bench, exe, work, label, env_value, n):
    """One station with the given VARDO_SIDETONE; returns its figures."""
    d = os.path.join(work, label)
    os.makedirs(d)
    peer = e.Peer()
    port = e.free_udp_port()
    e.write_ini(d, {"NETWORK": {"nwenabled": "1", "localport": str(port), "hosts": "1",
                                "host1": "127.0.0.1:%d" % peer.port}})
    old = os.environ.pop("VARDO_SIDETONE", None)
    if env_value:
        os.environ["VARDO_SIDETONE"] = env_value
    st = e.Station(exe, d)
    try:
        st.start()
    finally:
        os.environ.pop("VARDO_SIDETONE", None)
        if old is not None:
            os.environ["VARDO_SIDETONE"] = old
    res = {}
    try:
        rec = FineRecorder(e.SINK)
        # The recorder's own delay takes a few seconds to settle.
        time.sleep(SETTLE_S)
        frames, dots, keys, keys_held = [], [], [], []
        for _ in range(n):
            frames.append(time.monotonic())
            peer.key(port, True)
            time.sleep(0.3)
            peer.key(port, False)
            time.sleep(0.3)
        time.sleep(0.3)
        for _ in range(n):
            dots.append(time.monotonic())
            peer.key(port, True)
            time.sleep(0.03)
            peer.key(port, False)
            time.sleep(0.03)
        time.sleep(0.3)
        for _ in range(n):
            st.focus()
            keys.append(time.monotonic())
            st.key_down("Return")
            down = time.monotonic()
            time.sleep(0.3)
            st.key_up("Return")
            # The key events go out as each xdotool call ends.
            keys_held.append(time.monotonic() - down)
            time.sleep(0.4)
        time.sleep(0.5)
        found = tones(rec.stop())
        f = match(frames, found, 0.010)
        res["frame"] = [1000 * (m[0][0] - t) for t, m in zip(frames, f) if m]
        shift = max(0.010, (statistics.median(res["frame"]) / 1000.0 - 0.015) if res["frame"] else 0.010)
        g = match(dots, found, shift)
        k = match(keys, found, 0.010)
        res["key"] = [1000 * (m[0][0] - t) for t, m in zip(keys, k) if m]
        tag = label.replace("-", ", ")
        res["rows"] = [length_row("%s, peer key-down of 300 ms" % tag, [0.3] * n, f),
                       length_row("%s, peer elements of 30 ms (40 WPM)" % tag, [0.03] * n, g),
                       length_row("%s, Enter key held about 300 ms (through X)" % tag, keys_held, k)]
    finally:
        peer.close()
        if not st.close_by_menu():
            st.kill()
    return res


def stats(v):
    if not v:
        return "no tone recorded"
    return "%.1f / %.1f ms (n=%d)" % (statistics.median(v), max(v), len(v))


def sidetone_section(builds, quick, lines):
    import bench
    lines.append("## Sidetone under Wine\n")
    progs = windows_builds(builds)
    if not progs:
        lines.append("Not run: vardo.exe did not build.\n")
        return
    import sys
    sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
    import tempfile
    import shutil
    import vardoe2e as e
    n = 20
    work = tempfile.mkdtemp(prefix="vardo-bench-sidetone-")
    results = []
    load = []
    try:
        with e.Display(), e.Sound():
            ref = reference_latency(e.SINK, 10 if quick else 20)
            for exe, wine, name in progs:
                os.environ["VARDO_WINE"] = wine
                subprocess.run([os.path.join(ROOT, "scripts", "wine-prefix-setup")], capture_output=True)
                for label, env in (("streamed", ""), ("DirectSound", "directsound")):
                    load.append(os.getloadavg()[0])
                    tag = "%s, %s" % (name, label)
                    results.append((tag, run_output(e, bench, exe, work, tag.replace(", ", "-"), env, n)))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    lines.append("Machine: %s.\n" % bench.machine())
    lines.append("Programs: %s. Latency as median / max over the key-downs; streamed is the shared-mode "
                 "engine (the default), DirectSound the fall-back forced with VARDO_SIDETONE=directsound. "
                 "Load average (1 min) of the machine when each station started: %s.\n"
                 % (", ".join("`%s` (%s) under `%s`" % (os.path.relpath(x, ROOT), nm, w) for x, w, nm in progs),
                    ", ".join("%.1f" % v for v in load)))
    lines.append("| output | key-to-sidetone | frame-to-sidetone |")
    lines.append("|---|---:|---:|")
    for label, r in results:
        lines.append("| %s | %s | %s |" % (label, stats(r["key"]), stats(r["frame"])))
    lines.append("| the measuring path alone (tone written into a PulseAudio stream) | %s | |" % stats(ref))
    lines.append("")
    lines.append("Tone lengths from the recorded sound (a tone is a run of samples above %d, quieter "
                 "stretches under %d ms bridged; off = more than 10 ms from the keyed length):\n"
                 % (LEVEL, int(1000 * BRIDGE_S)))
    lines.append("| keying | key-downs | right | off | missing | split | largest error |")
    lines.append("|---|---:|---:|---:|---:|---:|---:|")
    for label, r in results:
        lines.extend(r["rows"])
    lines.append("")
    lines.append("Key-to-sidetone runs from the xdotool key event, so it includes X's and Wine's way to the "
                 "window; frame-to-sidetone runs from the peer's sendto of the key-down frame. Both include "
                 "the measuring path (last latency row), which should be subtracted for the station's own "
                 "share. The hand-keyed length is taken as the time between the ends of the xdotool key-down "
                 "and key-up calls, whose own run time leaves it a few ms uncertain. The i686 and x86_64 rows run the "
                 "same code with the same stream settings (10 ms period, 30 ms buffer, mono 16-bit 44100 Hz); "
                 "any difference between them lies in the 32-bit and 64-bit Wine loaders' sound paths.\n")
