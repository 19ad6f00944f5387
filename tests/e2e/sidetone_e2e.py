#!/usr/bin/env python3
"""The sidetone end to end: vardo.exe under Wine plays a peer's keying as a
mono 16-bit stream of its own, recorded at the PulseAudio null sink with
the set frequency, level and the keyed lengths; with edges set its tones
rise and fall over the raised cosine; and with the stream switched off it
falls back to DirectSound, which still sounds."""
import math
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
import vardoe2e as e  # noqa: E402

r = e.Runner("sidetone_e2e")


def station(sub, cw, directsound=False):
    d = r.scratch(sub)
    peer = e.Peer()
    local = e.free_udp_port()
    e.write_ini(d, {"CW": cw, "NETWORK": {"nwenabled": "1", "localport": str(local), "hosts": "1",
                                          "host1": "127.0.0.1:%d" % peer.port}})
    return d, peer, local, e.Station(r.args.exe, d), directsound


def start(st, directsound):
    old = os.environ.pop("VARDO_SIDETONE", None)
    if directsound:
        os.environ["VARDO_SIDETONE"] = "directsound"
    try:
        st.start()
    finally:
        os.environ.pop("VARDO_SIDETONE", None)
        if old is not None:
            os.environ["VARDO_SIDETONE"] = old


def stream_formats():
    """Sample formats of vardo.exe's playback streams at the sound server."""
    out = subprocess.run(["pactl", "list", "sink-inputs"], capture_output=True, text=True).stdout
    formats, fmt = [], None
    for line in out.splitlines():
        line = line.strip()
        if line.startswith("Sink Input #"):
            fmt = None
        elif re.match(r"Sample Spe\w+:", line):  # the stream's format line, e.g. "s16le 1ch 44100Hz"
            fmt = line.split(":", 1)[1].strip()
        elif line.startswith("application.name") and "vardo.exe" in line and fmt:
            formats.append(fmt)
    return formats


def tones(samples, level):
    """Runs of samples louder than level, quieter stretches under 2 ms
    bridged: (first index, last index) of each."""
    out = []
    first = last = None
    for i, v in enumerate(samples):
        if abs(v) <= level:
            continue
        if first is not None and i - last > 88:
            out.append((first, last))
            first = None
        if first is None:
            first = i
        last = i
    if first is not None:
        out.append((first, last))
    return out


def record_peer_keying(path, peer, local, n, down_s, up_s, tail_s):
    """Records the null sink while the peer keys the station n times;
    returns (rate, samples)."""
    rec = e.Recorder(path).start()
    for _ in range(n):
        peer.key(local, True)
        time.sleep(down_s)
        peer.key(local, False)
        time.sleep(up_s)
    time.sleep(tail_s)
    return rec.stop()


def test_streamed_tone_frequency_level_and_length():
    d, peer, local, st, ds = station("stream", {"beepfreq": "700.0", "beepvol": "0.5"})
    with e.Display(), e.Sound():
        start(st, ds)
        try:
            formats = stream_formats()
            e.check("s16le 1ch 44100Hz" in formats, "no mono 16-bit sidetone stream: %r" % formats)
            rate, samples = record_peer_keying(os.path.join(d, "stream.wav"), peer, local, 5, 0.3, 0.3, 0.3)
        finally:
            if not st.close_by_menu():
                st.kill()
            peer.close()
    found = tones(samples, 2000)
    e.check(len(found) == 5, "expected 5 tones for 5 key-downs, got %d: %r" % (len(found), found))
    for a, b in found:
        length = (b - a + 1) / float(rate)
        e.check(abs(length - 0.3) <= 0.015, "a 300 ms key-down sounded for %.1f ms" % (1000 * length))
        tone = samples[a:b + 1]
        f = e.dominant_frequency(rate, tone)
        e.check(abs(f - 700.0) < 5.0, "sidetone frequency %.1f Hz, expected 700" % f)
        peak = max(abs(v) for v in tone)
        e.check(abs(peak - 16383) <= 500, "sidetone peak %d, expected 16383 (volume 0.5)" % peak)


def test_edges_rise_and_fall_over_the_raised_cosine():
    d, peer, local, st, ds = station("edges", {"beepfreq": "1000.0", "beepvol": "0.5", "edgems": "5"})
    with e.Display(), e.Sound():
        start(st, ds)
        try:
            rate, samples = record_peer_keying(os.path.join(d, "edges.wav"), peer, local, 2, 0.2, 0.3, 0.3)
        finally:
            if not st.close_by_menu():
                st.kill()
            peer.close()
    full = 16383
    n = int(round(0.005 * rate))
    found = tones(samples, 50)
    e.check(len(found) == 2, "expected 2 tones, got %r" % found)
    for a, b in found:
        # No sample may stand above the raised cosine that starts at the
        # first audible sample, give or take the 15 samples that the rise
        # and the sine's own start spend below the detection level; an
        # abrupt edge reaches full level within a quarter period.
        worst = 0.0
        for k in range(n):
            bound = full * (0.5 - 0.5 * math.cos(math.pi * min(n, k + 15) / n)) + 200
            worst = max(worst, abs(samples[a + k]) - bound, abs(samples[b - k]) - bound)
        e.check(worst <= 0, "a tone edge rose or fell faster than 5 ms of raised cosine allow (by %d)" % worst)
        mid = samples[a + 2 * n:b - 2 * n]
        e.check(max(abs(v) for v in mid) >= full - 500, "the tone never reached its full level")


def test_directsound_fallback_still_sounds():
    d, peer, local, st, ds = station("directsound", {}, directsound=True)
    with e.Display(), e.Sound():
        start(st, ds)
        try:
            formats = stream_formats()
            e.check(formats and "s16le 1ch 44100Hz" not in formats,
                    "the streamed sidetone opened although it was switched off: %r" % formats)
            rate, samples = record_peer_keying(os.path.join(d, "ds.wav"), peer, local, 2, 0.3, 0.4, 0.5)
        finally:
            if not st.close_by_menu():
                st.kill()
            peer.close()
    found = tones(samples, 2000)
    e.check(len(found) >= 1, "DirectSound played no sidetone")


for t in (test_streamed_tone_frequency_level_and_length, test_edges_rise_and_fall_over_the_raised_cosine,
          test_directsound_fallback_still_sounds):
    r.case(t)
r.finish()
