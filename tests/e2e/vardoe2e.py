"""Harness for the end-to-end tests: starts the real vardo.exe under Wine on
an X display, drives it with xdotool, listens and talks to it as a UDP peer
on loopback, records its sound from a PulseAudio null sink, takes
screenshots, and writes a JUnit-style report that the test summary counts.

Python standard library only; the tools are xdotool, import (ImageMagick),
parec/pactl and Wine.
"""
import argparse
import math
import os
import shutil
import signal
import socket
import struct
import subprocess
import sys
import time
import traceback
import wave
import xml.sax.saxutils

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
WINE_RUN = os.path.join(ROOT, "scripts", "wine-run")
SINK = "vardo_null"


def set_wine_runner(path):
    global WINE_RUN
    WINE_RUN = path


def run(cmd, **kw):
    return subprocess.run(cmd, check=False, capture_output=True, text=True, **kw)


def wait_until(pred, timeout, step=0.1):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        v = pred()
        if v:
            return v
        time.sleep(step)
    return pred()


# --- the environment: display and sound server --------------------------------

class Display:
    """Uses $DISPLAY when reachable, else starts Xvfb for the test."""

    def __init__(self):
        self.proc = None

    def __enter__(self):
        if os.environ.get("DISPLAY") and run(["xdpyinfo"]).returncode == 0:
            return self
        for n in range(90, 110):
            if os.path.exists("/tmp/.X%d-lock" % n):
                continue
            self.proc = subprocess.Popen(["Xvfb", ":%d" % n, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            os.environ["DISPLAY"] = ":%d" % n
            if wait_until(lambda: run(["xdpyinfo"]).returncode == 0, 10):
                return self
            self.proc.kill()
        raise RuntimeError("no X display could be started")

    def __exit__(self, *exc):
        if self.proc:
            self.proc.terminate()
            self.proc.wait()


class Sound:
    """Makes sure a PulseAudio server runs with the null sink vardo_null as
    the default sink and its monitor as the default source."""

    def __init__(self):
        self.started = False

    def __enter__(self):
        if run(["pactl", "info"]).returncode != 0:
            r = run(["pulseaudio", "-D", "--exit-idle-time=-1", "--disallow-exit", "--log-target=stderr"])
            self.started = True
            if not wait_until(lambda: run(["pactl", "info"]).returncode == 0, 10):
                raise RuntimeError("PulseAudio did not start: " + r.stderr)
        sinks = run(["pactl", "list", "short", "sinks"]).stdout
        if SINK not in sinks:
            run(["pactl", "load-module", "module-null-sink", "sink_name=" + SINK])
        run(["pactl", "set-default-sink", SINK])
        run(["pactl", "set-default-source", SINK + ".monitor"])
        return self

    def __exit__(self, *exc):
        if self.started:
            run(["pulseaudio", "--kill"])


# The nice value the station (and a Wine server it starts) and the recorder
# run at where the host allows it. Its sound reaches the null sink through a chain of threads
# (the render thread, Wine's sound driver thread, the Wine server that
# signals their events) whose queues hold a few tens of milliseconds; at the
# default priority on a loaded two-core host a busy process beside it stalls
# that chain long enough to cut gaps into a tone, which the sound checks
# then measure instead of the station. The sound server raises itself the
# same way.
STATION_NICE = -10


def raise_priority():
    try:
        os.setpriority(os.PRIO_PROCESS, 0, STATION_NICE)
    except OSError:
        pass


class Recorder:
    """Records the null sink's monitor to a WAV file (44100 Hz mono 16 bit).

    start() returns only once data flows steadily: a monitor delivers its
    first data only after a while, longer on a loaded host, and often stalls
    once more after a first short burst. A fixed
    sleep left sound played right after start() out of the recording. The
    recording counts from the moment a quarter second more has come in after
    that burst; the file keeps the data from before that moment too."""

    RATE = 44100
    READY_BYTES = RATE * 2 // 4

    def __init__(self, path):
        self.path = path
        self.raw = path + ".raw"
        self.proc = None
        self.out = None

    def size(self):
        try:
            return os.path.getsize(self.raw)
        except OSError:
            return 0

    def start(self, timeout=10):
        self.out = open(self.raw, "wb")
        self.proc = subprocess.Popen(["parec", "--device=" + SINK + ".monitor", "--rate=%d" % self.RATE,
                                      "--channels=1", "--format=s16le", "--latency-msec=10"],
                                     stdout=self.out, stderr=subprocess.DEVNULL, preexec_fn=raise_priority)
        first = wait_until(lambda: self.proc.poll() is None and self.size(), timeout, 0.02)
        steady = first and wait_until(lambda: self.size() >= first + self.READY_BYTES, timeout, 0.02)
        if not steady:
            why = "parec ended" if self.proc.poll() is not None else "%d bytes so far" % self.size()
            self.stop()
            raise AssertionError("no steady data from %s.monitor within %d s (%s)" % (SINK, timeout, why))
        self.t0 = time.monotonic()
        return self

    def stop(self):
        if self.proc:
            self.proc.send_signal(signal.SIGINT)
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
            self.proc = None
        if self.out:
            self.out.close()
            self.out = None
        with open(self.raw, "rb") as f:
            data = f.read()
        data = data[:len(data) - len(data) % 2]
        with wave.open(self.path, "wb") as w:
            w.setnchannels(1)
            w.setsampwidth(2)
            w.setframerate(self.RATE)
            w.writeframes(data)
        os.remove(self.raw)
        return read_wav(self.path)


def read_wav(path):
    with wave.open(path, "rb") as w:
        rate = w.getframerate()
        ch = w.getnchannels()
        data = w.readframes(w.getnframes())
    samples = struct.unpack("<%dh" % (len(data) // 2), data)
    if ch > 1:
        samples = samples[::ch]
    return rate, samples


def tone_segments(rate, samples, freq=1000.0, win_ms=5.0, level=0.02):
    """Goertzel power at freq in windows of win_ms; returns the list of
    (start_s, end_s, peak_amplitude) of runs where the tone is present."""
    n = max(8, int(rate * win_ms / 1000.0))
    k = 2.0 * math.cos(2.0 * math.pi * freq / rate)
    segs = []
    cur = None
    for i in range(0, len(samples) - n, n):
        s1 = s2 = 0.0
        for x in samples[i:i + n]:
            s0 = x / 32768.0 + k * s1 - s2
            s2, s1 = s1, s0
        amp = 2.0 * math.sqrt(max(0.0, s1 * s1 + s2 * s2 - k * s1 * s2)) / n
        t = i / rate
        if amp >= level:
            if cur is None:
                cur = [t, t + n / rate, amp]
            else:
                cur[1] = t + n / rate
                cur[2] = max(cur[2], amp)
        elif cur is not None:
            segs.append(tuple(cur))
            cur = None
    if cur is not None:
        segs.append(tuple(cur))
    return segs


# --- what a screenshot of the station must show ---------------------------------

def read_pixels(png, x, y, w, h):
    """The w x h pixels at (x, y) of a PNG as rows of (r, g, b), through
    ImageMagick's plain PPM output."""
    r = subprocess.run(["convert", png, "-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage", "ppm:-"],
                       check=True, capture_output=True)
    data = r.stdout
    # P6 header: magic, width, height, maxval, each followed by white space.
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    pos += 1
    pw, ph = int(fields[1]), int(fields[2])
    rows = []
    for j in range(ph):
        row = data[pos + j * pw * 3: pos + (j + 1) * pw * 3]
        rows.append([tuple(row[i:i + 3]) for i in range(0, len(row), 3)])
    return rows


def dark_runs(row, dark=160):
    """Lengths of the runs of dark pixels (every channel below dark) in a row."""
    runs, n = [], 0
    for px in row:
        if max(px) < dark:
            n += 1
        elif n:
            runs.append(n)
            n = 0
    if n:
        runs.append(n)
    return runs


def groups(flags):
    """Number of runs of consecutive true values."""
    return sum(1 for i, f in enumerate(flags) if f and (i == 0 or not flags[i - 1]))


def layout_features(rows):
    """What the station's drawing gives a window picture: the spectrum
    display (a dark field with green traces), the two panel rules (dark
    lines across most of the width) and the rows of character buttons
    (at least four button outlines side by side)."""
    width = len(rows[0]) if rows else 0
    black = sum(1 for row in rows for px in row if max(px) < 40)
    green = sum(1 for row in rows for px in row if px[1] > 120 and px[0] < 110 and px[2] < 110)
    rules = groups([any(n >= 0.8 * width for n in dark_runs(row)) for row in rows])
    outlines = groups([sum(1 for n in dark_runs(row) if 30 <= n <= 90) >= 4 for row in rows])
    return {"spectrum_dark": black, "spectrum_green": green, "rules": rules, "button_edges": outlines}


def check_station_drawn(png, geometry):
    """Fails unless the window in the screenshot shows the station's
    panels, rules and buttons (an unpainted window shows none of them)."""
    x, y, w, h = geometry
    f = layout_features(read_pixels(png, x, y, w, h))
    # The spectrum field is 256 x 48 pixels; 43 buttons stand in 9 rows of
    # 4 or 5, each row giving a top and a bottom edge.
    check(f["spectrum_dark"] >= 0.5 * 256 * 48, "no spectrum display in the window: %r" % f)
    check(f["spectrum_green"] >= 50, "the spectrum display has no traces or scales: %r" % f)
    check(f["rules"] >= 2, "the send and receive panels' rules are missing: %r" % f)
    check(f["button_edges"] >= 18, "the rows of character buttons are missing: %r" % f)
    return f


def dominant_frequency(rate, samples):
    """Frequency from zero crossings of the loudest stretch."""
    crossings = 0
    first = last = None
    for i in range(1, len(samples)):
        if samples[i - 1] < 0 <= samples[i] and abs(samples[i]) + abs(samples[i - 1]) > 200:
            crossings += 1
            if first is None:
                first = i
            last = i
    if crossings < 2:
        return 0.0
    return (crossings - 1) * rate / float(last - first)


# --- the peer ------------------------------------------------------------------

def frame(key_down):
    return b"VD" + struct.pack("<HII", 0x0001, 1 if key_down else 0, 0)


class Peer:
    """A loopback UDP station: records the frames it gets with their arrival
    times and sends frames to the station under test."""

    def __init__(self, port=0):
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.bind(("127.0.0.1", port))
        self.sock.settimeout(0.05)
        self.port = self.sock.getsockname()[1]

    def receive(self, seconds):
        out = []
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            try:
                data, _ = self.sock.recvfrom(256)
            except socket.timeout:
                continue
            out.append((time.monotonic(), data))
        return out

    def key(self, station_port, down):
        self.sock.sendto(frame(down), ("127.0.0.1", station_port))

    def close(self):
        self.sock.close()


def decode_frames(frames, unit_s):
    """Turns received key frames [(t, bytes)] into Morse text: marks longer
    than two units are dashes, spaces longer than two units end a character
    and longer than five units a word."""
    table = {".-": "A", "-...": "B", "-.-.": "C", "-..": "D", ".": "E", "..-.": "F", "--.": "G",
             "....": "H", "..": "I", ".---": "J", "-.-": "K", ".-..": "L", "--": "M", "-.": "N",
             "---": "O", ".--.": "P", "--.-": "Q", ".-.": "R", "...": "S", "-": "T", "..-": "U",
             "...-": "V", ".--": "W", "-..-": "X", "-.--": "Y", "--..": "Z", ".----": "1",
             "..---": "2", "...--": "3", "....-": "4", ".....": "5", "-....": "6", "--...": "7",
             "---..": "8", "----.": "9", "-----": "0", "..--..": "?", "-..-.": "/"}
    text, cur = "", ""
    down_at = up_at = None
    for t, data in frames:
        if len(data) < 12 or data[:2] != b"VD":
            continue
        down = struct.unpack("<I", data[4:8])[0] & 1
        if down and down_at is None:
            if up_at is not None:
                gap = t - up_at
                if gap > 2 * unit_s:
                    text += table.get(cur, "#")
                    cur = ""
                    if gap > 5 * unit_s:
                        text += " "
            down_at = t
        elif not down and down_at is not None:
            cur += "-" if t - down_at > 2 * unit_s else "."
            down_at = None
            up_at = t
    if cur:
        text += table.get(cur, "#")
    return text


def free_udp_port():
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.bind(("127.0.0.1", 0))
    p = s.getsockname()[1]
    s.close()
    return p


# --- the station ---------------------------------------------------------------

def write_ini(workdir, sections):
    """Writes vardo.ini with the given {section: {key: value}} (CRLF)."""
    lines = []
    for sec, kv in sections.items():
        lines.append("[%s]" % sec)
        for k, v in kv.items():
            lines.append("%s=%s" % (k, v))
    with open(os.path.join(workdir, "vardo.ini"), "w", newline="\r\n") as f:
        f.write("\n".join(lines) + "\n")


def read_ini(workdir):
    out = {}
    sec = None
    with open(os.path.join(workdir, "vardo.ini"), encoding="latin-1") as f:
        for line in f:
            line = line.strip()
            if line.startswith("[") and line.endswith("]"):
                sec = line[1:-1]
                out.setdefault(sec, {})
            elif "=" in line and sec is not None:
                k, v = line.split("=", 1)
                out[sec][k] = v
    return out


def find_window(name):
    """The first window whose title matches name, or None."""
    out = run(["xdotool", "search", "--name", name]).stdout.split()
    return out[0] if out else None


class Station:
    """vardo.exe under Wine in its own working directory."""

    def __init__(self, exe, workdir):
        self.exe = exe
        self.workdir = workdir
        self.proc = None
        self.wid = None

    def start(self, timeout=60):
        self.t_start = time.monotonic()
        self.proc = subprocess.Popen([WINE_RUN, self.exe], cwd=self.workdir,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                     preexec_fn=raise_priority)
        self.wid = wait_until(self.find_window, timeout, 0.2)
        if not self.wid:
            raise AssertionError("the station window did not appear within %d s" % timeout)
        self.t_shown = time.monotonic()
        time.sleep(1.0)
        self.focus()
        return self

    def find_window(self):
        r = run(["xdotool", "search", "--name", "^Vardo$"])
        ids = [l for l in r.stdout.split() if l.strip()]
        return ids[0] if ids else None

    def focus(self):
        run(["xdotool", "windowfocus", "--sync", self.wid])
        time.sleep(0.2)

    def geometry(self):
        r = run(["xdotool", "getwindowgeometry", "--shell", self.wid]).stdout
        g = dict(l.split("=", 1) for l in r.split() if "=" in l)
        return int(g["X"]), int(g["Y"]), int(g["WIDTH"]), int(g["HEIGHT"])

    def key(self, *names, delay_ms=30):
        run(["xdotool", "key", "--delay", str(delay_ms)] + list(names))

    def key_down(self, name):
        run(["xdotool", "keydown", name])

    def key_up(self, name):
        run(["xdotool", "keyup", name])

    def click(self, x, y, button=1):
        """Clicks at client coordinates (x, y) of the station window."""
        run(["xdotool", "mousemove", "--window", self.wid, str(x), str(y)])
        run(["xdotool", "click", str(button)])

    def set_speed_in_settings(self, digits):
        """Tools > Settings from the keyboard: types digits into the speed
        field of the first page, presses OK and waits for the dialog to go."""
        self.key("alt+t")
        time.sleep(0.5)
        self.key("s")
        check(wait_until(lambda: find_window("^Settings$"), 10), "the settings dialog did not open")
        time.sleep(0.5)
        # The focus starts in the first duration field; two tabs reach the
        # speed, a third leaves it, five more (past the effective speed)
        # reach OK.
        self.key("Tab", "Tab", delay_ms=150)
        self.key(*digits, delay_ms=80)
        self.key("Tab", "Tab", "Tab", "Tab", "Tab", "Tab", delay_ms=150)
        self.key("space")
        check(wait_until(lambda: not find_window("^Settings$"), 10), "the settings dialog did not close")

    def screenshot(self, path):
        r = run(["import", "-window", "root", path])
        return r.returncode == 0

    def alive(self):
        return self.proc is not None and self.proc.poll() is None

    def close_by_menu(self, timeout=20):
        """File > Exit through the keyboard: Alt+F opens the menu, X exits."""
        self.focus()
        self.key("alt+f")
        time.sleep(0.5)
        self.key("x")
        return self.wait_exit(timeout)

    def wait_exit(self, timeout):
        try:
            self.proc.wait(timeout)
            return True
        except subprocess.TimeoutExpired:
            return False

    def kill(self):
        if self.alive():
            self.proc.kill()
            self.proc.wait()


# --- a tiny test runner with a JUnit report ------------------------------------

class Runner:
    def __init__(self, name):
        self.name = name
        self.results = []
        p = argparse.ArgumentParser()
        p.add_argument("--exe", required=True)
        p.add_argument("--workdir", required=True)
        p.add_argument("--junit", default=None)
        p.add_argument("--wine", default=None, help="the Wine runner of the build (wine-run or wine-run64)")
        self.args = p.parse_args()
        if self.args.wine:
            set_wine_runner(self.args.wine)

    def case(self, fn):
        t0 = time.monotonic()
        err = None
        try:
            fn()
        except Exception:  # a failed check or a broken environment
            err = traceback.format_exc()
        dt = time.monotonic() - t0
        self.results.append((fn.__name__, dt, err))
        print("[%s] %s (%.1f s)" % ("FAILED" if err else "  OK  ", fn.__name__, dt))
        if err:
            print(err)
        return fn

    def scratch(self, sub):
        d = os.path.join(self.args.workdir, sub)
        shutil.rmtree(d, ignore_errors=True)
        os.makedirs(d)
        return d

    def finish(self):
        failures = sum(1 for r in self.results if r[2])
        if self.args.junit:
            with open(self.args.junit, "w") as f:
                f.write('<?xml version="1.0"?>\n<testsuites tests="%d" failures="%d" name="%s">\n'
                        % (len(self.results), failures, self.name))
                f.write('<testsuite name="%s" tests="%d" failures="%d">\n' % (self.name, len(self.results), failures))
                for n, dt, err in self.results:
                    f.write('<testcase name="%s" time="%.2f">' % (n, dt))
                    if err:
                        f.write('<failure message="failed">%s</failure>' % xml.sax.saxutils.escape(err))
                    f.write("</testcase>\n")
                f.write("</testsuite>\n</testsuites>\n")
        print("%d of %d cases passed" % (len(self.results) - failures, len(self.results)))
        sys.exit(1 if failures else 0)


def check(cond, msg):
    if not cond:
        raise AssertionError(msg)

