#!/usr/bin/env python3
"""The station end to end: vardo.exe under Wine keys its sidetone from the
Enter key, sends typed characters to a loopback peer, sounds the peer's
keying, and writes vardo.ini when closed through its menu."""
import os
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
import vardoe2e as e  # noqa: E402

r = e.Runner("station_e2e")


def station_with_peer(sub):
    d = r.scratch(sub)
    peer = e.Peer()
    local = e.free_udp_port()
    e.write_ini(d, {"NETWORK": {"nwenabled": "1", "localport": str(local), "hosts": "1",
                                "host1": "127.0.0.1:%d" % peer.port}})
    return d, peer, local, e.Station(r.args.exe, d)


def test_layout_screenshot_and_enter_dot():
    d, peer, local, st = station_with_peer("dot")
    with e.Display(), e.Sound():
        st.start()
        try:
            shot = os.path.join(r.args.workdir, "station-default-layout.png")
            e.check(st.screenshot(shot), "no screenshot")
            x, y, w, h = st.geometry()
            e.check((w, h) != (0, 0), "window has no size")
            e.check_station_drawn(shot, (x, y, w, h))
            rec = e.Recorder(os.path.join(d, "dot.wav")).start()
            st.focus()
            st.key_down("Return")
            time.sleep(0.15)
            st.key_up("Return")
            frames = peer.receive(1.5)
            rate, samples = rec.stop()
            segs = e.tone_segments(rate, samples)
            e.check(len(segs) >= 1, "no sidetone recorded for the Enter key: %r" % (segs,))
            length = max(s[1] - s[0] for s in segs)
            e.check(0.05 <= length <= 0.6, "sidetone lasted %.3f s for a 0.15 s press" % length)
            start, end = segs[0][0], segs[0][1]
            tone = samples[int(start * rate):int(end * rate)]
            f = e.dominant_frequency(rate, tone)
            e.check(abs(f - 1000.0) < 30.0, "sidetone frequency %.1f Hz, expected 1000" % f)
            keys = [fr[1][4] & 1 for fr in frames if fr[1][:2] == b"VD"]
            e.check(keys[:2] == [1, 0], "peer got key frames %r, expected down then up" % keys)
        finally:
            ok = st.close_by_menu()
            if not ok:
                st.kill()
            peer.close()
    e.check(ok, "the station did not exit through File > Exit")


def test_paris_reaches_peer():
    d, peer, local, st = station_with_peer("paris")
    with e.Display(), e.Sound():
        st.start()
        try:
            st.focus()
            st.key("p", "a", "r", "i", "s", delay_ms=40)
            frames = peer.receive(8.0)
            text = e.decode_frames(frames, 0.080)
            e.check(text == "PARIS", "peer decoded %r from %d frames" % (text, len(frames)))
        finally:
            if not st.close_by_menu():
                st.kill()
            peer.close()


def test_peer_keys_sidetone_and_ini_written():
    d, peer, local, st = station_with_peer("remote")
    with e.Display(), e.Sound():
        st.start()
        try:
            rec = e.Recorder(os.path.join(d, "remote.wav")).start()
            for _ in range(3):
                peer.key(local, True)
                time.sleep(0.2)
                peer.key(local, False)
                time.sleep(0.3)
            time.sleep(0.3)
            rate, samples = rec.stop()
            segs = e.tone_segments(rate, samples)
            e.check(len(segs) == 3, "expected 3 tones from 3 remote key-downs, got %r" % (segs,))
            for s in segs:
                e.check(0.1 <= s[1] - s[0] <= 0.4, "remote tone lasted %.3f s for 0.2 s" % (s[1] - s[0]))
        finally:
            closed = st.close_by_menu()
            if not closed:
                st.kill()
            peer.close()
    e.check(closed, "the station did not exit through File > Exit")
    ini = e.read_ini(d)
    for sec in ("CW", "GLOBAL", "JOURNAL", "MAINPANEL", "KOCH", "MORSE", "HWCTRL", "NETWORK"):
        e.check(sec in ini, "vardo.ini at exit lacks section %s: %r" % (sec, list(ini)))
    e.check(ini["NETWORK"].get("host1") == "127.0.0.1:%d" % peer.port, "host1 not kept: %r" % ini["NETWORK"])


for t in (test_layout_screenshot_and_enter_dot, test_paris_reaches_peer, test_peer_keys_sidetone_and_ini_written):
    r.case(t)
r.finish()
