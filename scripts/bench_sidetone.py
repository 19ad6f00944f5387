"""Sidetone benchmark: how late and how true the sidetone of vardo.exe is
under Wine with PulseAudio, for the streamed output (the default) and the
DirectSound output (forced with VARDO_SIDETONE=directsound) in the same run.

For each output one station is started and keyed twice over:
- by hand: the Enter key through X (xdotool), 300 ms down, 400 ms up;
- by a peer: key frames from a loopback UDP peer, 300 ms down and 300 ms
  up, then 40 WPM elements (30 ms down, 30 ms up).
The null sink's monitor is recorded live (pacat, 10 ms chunks, each sample
stamped by its chunk's arrival). Latency is from the key event (the
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
# Quieter stretches shorter than this do not end a tone (zero crossings).
BRIDGE_S = 0.002


def windows_build(builds):
    """The Windows build this host can run: i686 where 32-bit code runs,
    else x86_64 under the 64-bit loader. Returns (exe, wine) or (None, why)."""
    runs32 = subprocess.run(["/usr/lib/wine/wine", "--version"], capture_output=True).returncode == 0
    if runs32 and os.environ.get("VARDO_NO_WIN32", "0") != "1":
        ok, log = builds.build_win32(["vardo"])
        exe = os.path.join(builds.win32, "vardo.exe")
        return (exe, "wine") if ok and os.path.exists(exe) else (None, log)
    d = os.path.join(ROOT, "build", "win64")
    subprocess.run(["cmake", "-S", ROOT, "-B", d, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                    "-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(ROOT, "cmake", "mingw-x86_64.cmake")],
                   capture_output=True)
    r = subprocess.run(["cmake", "--build", d, "-j", str(os.cpu_count() or 2), "--target", "vardo"],
                       capture_output=True, text=True)
    exe = os.path.join(d, "vardo.exe")
    return (exe, "wine64") if r.returncode == 0 and os.path.exists(exe) else (None, r.stdout[-2000:])


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


def match(events, found, window):
    """For each key-down time, the recorded tones whose onset falls within
    [t, t + window): their onsets and lengths."""
    out = []
    for t in events:
        out.append([(o, n) for o, n in found if t <= o < t + window])
    return out


def length_row(name, held_s, matched):
    """Counts of a tone-length table row: right, off by > 10 ms, missing, split."""
    right = off = missing = split = 0
    worst = 0.0
    for m in matched:
        if not m:
            missing += 1
            continue
        if len(m) > 1:
            split += 1
            continue
        err = abs(m[0][1] - held_s)
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
        rec = bench.LiveRecorder(e.SINK)
        time.sleep(1.0)
        keys, frames, dots = [], [], []
        for _ in range(n):
            st.focus()
            keys.append(time.monotonic())
            st.key_down("Return")
            time.sleep(0.3)
            st.key_up("Return")
            time.sleep(0.4)
        time.sleep(0.3)
        for _ in range(n):
            frames.append(time.monotonic())
            peer.key(port, True)
            time.sleep(0.3)
            peer.key(port, False)
            time.sleep(0.3)
        for _ in range(n):
            dots.append(time.monotonic())
            peer.key(port, True)
            time.sleep(0.03)
            peer.key(port, False)
            time.sleep(0.03)
        time.sleep(0.5)
        found = tones(rec.stop())
        k = match(keys, found, 0.5)
        f = match(frames, found, 0.5)
        # At 40 WPM the next element follows 60 ms later: a tone belongs to
        # the element whose key-down precedes it most closely.
        g = match(dots, found, 0.06)
        res["key"] = [1000 * (m[0][0] - t) for t, m in zip(keys, k) if m]
        res["frame"] = [1000 * (m[0][0] - t) for t, m in zip(frames, f) if m]
        res["rows"] = [length_row("%s, Enter key held 300 ms (through X)" % label, 0.3, k),
                       length_row("%s, peer key-down of 300 ms" % label, 0.3, f),
                       length_row("%s, peer elements of 30 ms (40 WPM)" % label, 0.03, g)]
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
    exe, wine = windows_build(builds)
    if exe is None:
        lines.append("Not run: vardo.exe did not build.\n")
        return
    os.environ["VARDO_WINE"] = wine
    import sys
    sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
    import tempfile
    import shutil
    import vardoe2e as e
    subprocess.run([os.path.join(ROOT, "scripts", "wine-prefix-setup")], capture_output=True)
    n = 20
    work = tempfile.mkdtemp(prefix="vardo-bench-sidetone-")
    try:
        with e.Display(), e.Sound():
            ref = bench.reference_latency(e.SINK, 10 if quick else 20)
            outputs = [("streamed (shared-mode engine)", ""), ("DirectSound", "directsound")]
            results = [(label, run_output(e, bench, exe, work, label.split(" ")[0], env, n))
                       for label, env in outputs]
    finally:
        shutil.rmtree(work, ignore_errors=True)
    lines.append("Program: `%s` under `%s`. Latency as median / max over the key-downs.\n"
                 % (os.path.relpath(exe, ROOT), wine))
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
                 "share. The hand-keyed lengths are as long as xdotool's key-down and key-up calls are apart, "
                 "which the two calls' own run time makes a few ms uneven.\n")
