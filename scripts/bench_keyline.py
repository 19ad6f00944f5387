"""The serial key line against the sidetone: the sender benchmark keys a
serial port beside the sidetone and reports how far each key-line edge lies
from the sidetone event it belongs to. Natively through a recording port
(the cost of the keying path itself), and under Wine (x86_64 build) on a
real COM port linked to a pseudo-terminal, stamped after EscapeCommFunction
has returned. Used by bench.py (--only keyline)."""
import os
import subprocess

WPM = "60"


def _run(cmd, env=None, timeout=900):
    r = subprocess.run(cmd, capture_output=True, text=True, env=env, timeout=timeout, check=False)
    return (r.stdout.strip() or r.stderr.strip())


def keyline_section(root, builds, lines):
    lines.append("## Serial key line against the sidetone\n")
    lines.append("Method: `bench_app_sendtiming_bench %s [com]` sends 200 characters with serial keying on; "
                 "every key-line edge is paired with the sidetone's start or stop event of the same "
                 "transition (both stamped on the steady clock) and the distance is reported. Target: "
                 "p99 within 1 ms.\n" % WPM)
    builds.build_native(["bench_app_sendtiming_bench"])
    path = os.path.join(builds.native, "bench_app_sendtiming_bench")
    lines.append("### Native, recording serial port\n")
    lines.append("```\n%s\n```\n" % (_run([path, WPM]) if os.path.exists(path) else "Not built."))
    w64 = os.path.join(root, "build", "win64")
    subprocess.run(["cmake", "-S", root, "-B", w64, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                    "-DCMAKE_TOOLCHAIN_FILE=" + os.path.join(root, "cmake", "mingw-x86_64.cmake")],
                   capture_output=True, check=False)
    subprocess.run(["cmake", "--build", w64, "--target", "bench_app_sendtiming_bench"], capture_output=True,
                   check=False)
    exe = os.path.join(w64, "bench_app_sendtiming_bench.exe")
    lines.append("### Wine (x86_64), COM9 linked to a pseudo-terminal\n")
    if os.path.exists(exe):
        out = _run([os.path.join(root, "scripts", "wine-com-pty"), "--com", "9", "--",
                    os.path.join(root, "scripts", "wine-run64"), exe, WPM, "9"])
        lines.append("A pseudo-terminal has no modem lines, so EscapeCommFunction is refused there; the edge "
                     "is stamped when the call has returned, so its cost through Wine counts all the same.\n")
        lines.append("```\n%s\n```\n" % out)
    else:
        lines.append("Not built.\n")
