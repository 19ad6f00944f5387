#!/usr/bin/env python3
"""Settings are never lost, end to end under Wine: ending the Windows
session with the station running writes vardo.ini whole, and values
accepted in the settings dialog are on disk at once, so that a kill right
after OK keeps them. The station is killed outright before vardo.ini is
read, so that only what was written before (not a normal exit) counts."""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
import vardoe2e as e  # noqa: E402

r = e.Runner("settings_e2e")
SECTIONS = ("CW", "GLOBAL", "JOURNAL", "MAINPANEL", "KOCH", "MORSE", "HWCTRL", "NETWORK")


def station(sub, sections):
    d = r.scratch(sub)
    sections.setdefault("NETWORK", {"nwenabled": "0", "localport": str(e.free_udp_port())})
    e.write_ini(d, sections)
    return d, e.Station(r.args.exe, d)


def test_session_end_writes_every_setting():
    d, st = station("endsession", {"CW": {"beepfreq": "880.000000"}, "KOCH": {"charlist": "KMRS"}})
    with e.Display(), e.Sound():
        st.start()
        try:
            # Moves the window, so that the rectangle saved is the one it has.
            e.run(["xdotool", "windowmove", st.wid, "40", "30"])
            time.sleep(0.5)
            x, y, w, h = st.geometry()
            ended = e.run([e.WINE_RUN, "wineboot", "--end-session"], timeout=60)
            e.check(ended.returncode == 0, "wineboot --end-session failed: %r" % (ended.stderr,))
            time.sleep(1.0)
        finally:
            st.kill()
    ini = e.read_ini(d)
    for sec in SECTIONS:
        e.check(sec in ini, "vardo.ini after the session ended lacks section %s: %r" % (sec, list(ini)))
    e.check(ini["CW"].get("beepfreq") == "880.000000", "beepfreq not kept: %r" % ini["CW"])
    e.check(ini["KOCH"].get("charlist") == "KMRS", "charlist not kept: %r" % ini["KOCH"])
    rect = [int(v) for v in ini["GLOBAL"].get("windowrect", "0,0,0,0").split(",")]
    e.check(rect[2] - rect[0] >= w and rect[3] - rect[1] >= h,
            "windowrect %r is smaller than the window (%d x %d)" % (rect, w, h))
    e.check(not os.path.exists(os.path.join(d, "vardo.ini.tmp")), "a temporary file was left beside vardo.ini")


def test_kill_right_after_settings_ok_keeps_the_new_values():
    d, st = station("killafterok", {})
    with e.Display(), e.Sound():
        st.start()
        try:
            st.set_speed_in_settings("10")
        finally:
            st.kill()
    ini = e.read_ini(d)
    cw = ini.get("CW", {})
    want = {"shorthit": "130", "longhit": "390", "hitdelay": "130", "letterdelay": "390", "worddelay": "390"}
    got = {k: cw.get(k) for k in want}
    e.check(got == want, "vardo.ini after a kill right after OK holds %r" % got)
    for sec in SECTIONS:
        e.check(sec in ini, "vardo.ini after OK lacks section %s: %r" % (sec, list(ini)))


for t in (test_session_end_writes_every_setting, test_kill_right_after_settings_ok_keeps_the_new_values):
    r.case(t)
r.finish()
