#!/usr/bin/env python3
"""The training and settings tools in the real vardo.exe under Wine: the
settings dialog driven from the keyboard changes the speed and the rebuilt
station keys with the new timing; the Koch copy dialog has the sender key
its group text to a peer and stops it when cancelled."""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
import vardoe2e as e  # noqa: E402

r = e.Runner("tools_e2e")


def station_with_peer(sub, extra=None):
    d = r.scratch(sub)
    peer = e.Peer()
    sections = {"NETWORK": {"nwenabled": "1", "localport": str(e.free_udp_port()), "hosts": "1",
                            "host1": "127.0.0.1:%d" % peer.port}}
    sections.update(extra or {})
    e.write_ini(d, sections)
    return d, peer, e.Station(r.args.exe, d)


def key_marks(frames):
    """Lengths in seconds of the key-down marks in the frames."""
    marks, down_at = [], None
    for t, data in frames:
        if data[:2] != b"VD":
            continue
        down = data[4] & 1
        if down and down_at is None:
            down_at = t
        elif not down and down_at is not None:
            marks.append(t - down_at)
            down_at = None
    return marks


def test_settings_speed_rebuilds_the_station():
    d, peer, st = station_with_peer("settings")
    with e.Display(), e.Sound():
        st.start()
        try:
            st.set_speed_in_settings("10")
            time.sleep(1.0)
            st.focus()
            st.key("t", "e", delay_ms=40)
            frames = peer.receive(3.0)
            marks = key_marks(frames)
            e.check(e.decode_frames(frames, 0.130) == "TE", "peer decoded %r" % e.decode_frames(frames, 0.130))
            # 10 WPM: a 390 ms dash and a 130 ms dot (the old timing had 240 and 80).
            e.check(len(marks) == 2 and 0.31 <= marks[0] <= 0.47 and 0.105 <= marks[1] <= 0.16,
                    "marks %r, expected a 390 ms dash and a 130 ms dot" % marks)
        finally:
            closed = st.close_by_menu()
            if not closed:
                st.kill()
            peer.close()
    e.check(closed, "the station did not exit through File > Exit")
    cw = e.read_ini(d)["CW"]
    want = {"shorthit": "130", "longhit": "390", "hitdelay": "130", "letterdelay": "390", "worddelay": "390"}
    got = {k: cw.get(k) for k in want}
    e.check(got == want, "vardo.ini holds %r" % got)


def test_koch_dialog_sends_and_cancel_stops():
    d, peer, st = station_with_peer("koch", {"KOCH": {"charlist": "KM", "koch_wordlen": "2"}})
    with e.Display(), e.Sound():
        st.start()
        try:
            st.key("ctrl+k")
            e.check(e.wait_until(lambda: e.find_window("^准备$"), 10), "the Koch prompt did not show")
            time.sleep(0.3)
            st.key("Return")
            e.check(e.wait_until(lambda: e.find_window("^抄报栏$"), 10), "the copy dialog did not show")
            # The last character may be cut by the end of the listening.
            text = e.decode_frames(peer.receive(8.0), 0.080)[:-1]
            e.check(len(text) >= 5 and set(text) <= set("KM "), "peer decoded %r" % text)
            e.check(all(len(w) <= 2 for w in text.split()), "groups longer than 2 in %r" % text)
            st.key("Escape")
            e.check(e.wait_until(lambda: not e.find_window("^抄报栏$"), 10), "Esc did not close the dialog")
            peer.receive(1.5)           # the record being keyed is finished
            after = peer.receive(2.0)
            e.check(not after, "the sender went on after the dialog closed: %d frames" % len(after))
        finally:
            if not st.close_by_menu():
                st.kill()
            peer.close()


for t in (test_settings_speed_rebuilds_the_station, test_koch_dialog_sends_and_cancel_stops):
    r.case(t)
r.finish()
