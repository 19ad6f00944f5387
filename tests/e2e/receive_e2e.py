#!/usr/bin/env python3
"""The receive side end to end: CW played into the sound input of the real
vardo.exe comes out as text on the receive panel (seen in a screenshot of
the window: the panel's text band goes from blank to drawn characters) and,
with the receive log turned on, as a time-stamped line in vardorecv.txt
beside vardo.ini, with its word spaces."""
import math
import os
import random
import re
import subprocess
import sys
import time
import wave

sys.path.insert(0, os.path.dirname(__file__))
import vardoe2e as e  # noqa: E402

r = e.Runner("receive_e2e")

MORSE = {"A": ".-", "B": "-...", "C": "-.-.", "D": "-..", "E": ".", "F": "..-.", "G": "--.", "H": "....",
         "I": "..", "J": ".---", "K": "-.-", "L": ".-..", "M": "--", "N": "-.", "O": "---", "P": ".--.",
         "Q": "--.-", "R": ".-.", "S": "...", "T": "-", "U": "..-", "V": "...-", "W": ".--", "X": "-..-",
         "Y": "-.--", "Z": "--..", "0": "-----", "1": ".----", "2": "..---", "3": "...--", "4": "....-",
         "5": ".....", "6": "-....", "7": "--...", "8": "---..", "9": "----."}
RATE = 44100
# Where the default layout puts the spectrum field and the receive panel
# (client coordinates, from the settings' defaults); the field's dark
# rectangle in a screenshot gives the client origin.
SPECTRUM = (50, 10, 306, 58)
RECV = (5, 64, 348, 96)
TEXT_BAND = 16


def cw_wav(path, text, wpm, hz, level_dbfs, snr_db, lead_s=1.0, tail_s=2.0, seed=7):
    """Machine-timed CW with 4 ms raised-cosine edges, 3 kHz-ish white noise
    at snr_db (tone power over noise power; None: no noise, exact zeros
    between the marks), peak at level_dbfs. Returns
    the seconds, from the file's start, at which each word ends."""
    dot = 1.2 / wpm
    amp = 10 ** (level_dbfs / 20.0) / (1 + 3 * 10 ** (-snr_db / 20.0) if snr_db is not None else 1)
    sigma = amp / math.sqrt(2) * 10 ** (-snr_db / 20.0) if snr_db is not None else 0.0
    keyed = []  # (start, end) seconds
    t = lead_s
    ends = []
    for w in text.split():
        for ci, c in enumerate(w):
            for ei, el in enumerate(MORSE[c]):
                n = 1 if el == "." else 3
                keyed.append((t, t + n * dot))
                t += n * dot + dot
            t += 2 * dot
        ends.append(t - 3 * dot)
        t += 4 * dot
    total = t + tail_s
    rnd = random.Random(seed)
    n = int(total * RATE)
    edge = 0.004
    frames = bytearray()
    k = 0
    for i in range(n):
        s = i / RATE
        while k < len(keyed) and s >= keyed[k][1] + edge:
            k += 1
        env = 0.0
        if k < len(keyed) and s >= keyed[k][0]:
            a, b = keyed[k]
            if s < a + edge:
                env = 0.5 - 0.5 * math.cos(math.pi * (s - a) / edge)
            elif s < b:
                env = 1.0
            else:
                env = 0.5 + 0.5 * math.cos(math.pi * (s - b) / edge)
        v = amp * env * math.sin(2 * math.pi * hz * s) + (rnd.gauss(0, sigma) if snr_db is not None else 0)
        frames += int(max(-32767, min(32767, round(v * 32767)))).to_bytes(2, "little", signed=True)
    with wave.open(path, "wb") as f:
        f.setnchannels(1)
        f.setsampwidth(2)
        f.setframerate(RATE)
        f.writeframes(bytes(frames))
    return ends


def client_origin(png, geometry):
    """Screen position of the client area's (0, 0), from the spectrum
    field's top left corner: the first long dark run, in the window, that
    follows a light pixel (the screen around a window may be black too)."""
    x, y, w, h = geometry
    rows = e.read_pixels(png, x, y, w, h)
    for j, row in enumerate(rows):
        for i in range(1, len(row) - 100):
            if max(row[i - 1]) > 200 and all(max(px) < 140 for px in row[i:i + 100]):
                return x + i - SPECTRUM[0], y + j - SPECTRUM[1]
    raise AssertionError("no spectrum field found in the window")


def band_ink(png, origin):
    """Drawn (dark or grey) pixels in the receive panel's text band."""
    ox, oy = origin
    rows = e.read_pixels(png, ox + RECV[0], oy + RECV[3] - TEXT_BAND, RECV[2] - RECV[0], TEXT_BAND)
    return sum(1 for row in rows for px in row if max(px) < 200)


def play(path):
    return subprocess.Popen(["paplay", "--device=" + e.SINK, path],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def receive_case(sub, text, want, wpm, hz, snr_db):
    d = r.scratch(sub)
    wav = os.path.join(d, "cw.wav")
    ends = cw_wav(wav, text, wpm, hz, -6.0, snr_db)
    e.write_ini(d, {"JOURNAL": {"recvadaptive": "1", "recvlog": "1"},
                    "NETWORK": {"nwenabled": "1", "localport": str(e.free_udp_port())}})
    st = e.Station(r.args.exe, d)
    with e.Display(), e.Sound():
        st.start()
        try:
            shot = os.path.join(r.args.workdir, sub + "-before.png")
            e.check(st.screenshot(shot), "no screenshot")
            origin = client_origin(shot, st.geometry())
            before = band_ink(shot, origin)
            e.check(before == 0, "the text band is not blank before any CW: %d dark pixels" % before)
            t0 = time.monotonic()
            player = play(wav)
            first = None
            shot = os.path.join(r.args.workdir, sub + "-after.png")
            log = os.path.join(d, "vardorecv.txt")
            deadline = t0 + ends[-1] + 30
            while time.monotonic() < deadline:
                e.check(st.screenshot(shot), "no screenshot")
                ink = band_ink(shot, origin)
                if ink > 0 and first is None:
                    first = time.monotonic() - t0
                if os.path.exists(log) and "VARDO K" in open(log, encoding="latin-1").read():
                    break
                time.sleep(0.3)
            player.wait(30)
            e.check(first is not None, "no text ever appeared on the receive panel")
            words = sum(1 for end in ends if end < first)
            print("first text on the panel %.1f s after playback began, after %d of %d words" %
                  (first, words, len(ends)))
            e.check(first < ends[-1], "text appeared only after the over had ended (%.1f s, over ends %.1f s)"
                    % (first, ends[-1]))
            e.check(band_ink(shot, origin) > 100, "too little text drawn on the receive panel")
            e.check(os.path.exists(log), "no receive log was written")
            lines = [l for l in open(log, encoding="latin-1").read().splitlines() if l.strip()]
            e.check(lines, "the receive log is empty")
            stamp = re.compile(r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d (.*)$")
            copied = []
            for l in lines:
                m = stamp.match(l)
                e.check(m, "a log line without a time stamp: %r" % l)
                copied.append(m.group(1))
            e.check(want in " ".join(copied), "the log holds %r, not the over %r" % (copied, text))
        finally:
            ok = st.close_by_menu()
            if not ok:
                st.kill()
    e.check(ok, "the station did not exit through File > Exit")


def test_cw_in_the_sound_input_shows_on_the_panel_and_in_the_log():
    # 15 WPM at 1000 Hz in noise at +20 dB.
    receive_case("receive", "VVV PARIS CQ DE VARDO K", "CQ DE VARDO K", 15, 1000.0, 20.0)


def test_a_signal_without_noise_is_copied():
    # Exact digital silence between the marks (no noise at all), at 22 WPM.
    receive_case("clean", "CQ CQ DE DL1ABC DL1ABC K RST 599 5NN", "DE DL1ABC DL1ABC K RST 599 5NN", 22, 1000.0,
                 None)


def test_a_low_pitch_without_noise_is_found_and_copied():
    # 650 Hz, outside the fixed detector's band, with exact digital silence
    # between the marks (no noise at all), at 22 WPM.
    receive_case("lowpitch", "CQ CQ DE DL1ABC DL1ABC K RST 599 5NN", "DE DL1ABC DL1ABC K RST 599 5NN", 22, 650.0,
                 None)


r.case(test_cw_in_the_sound_input_shows_on_the_panel_and_in_the_log)
r.case(test_a_signal_without_noise_is_copied)
r.case(test_a_low_pitch_without_noise_is_found_and_copied)
r.finish()
