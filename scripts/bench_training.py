"""Adaptive practice figures for docs/benchmarks.md: weighted Koch draws
beside the uniform share, and PARIS in a written file with the effective
speed off and on, beside the standard 60 / WPM seconds."""
import os


def training_section(builds, sh, lines):
    exe = "bench_training_kochpractice_bench"
    lines.append("## Adaptive practice\n")
    lines.append("Method: `%s` (native build) draws 10,000 characters per seed from a ten-character set with "
                 "one character's recent error rate set, the others at 0, and reports that character's count "
                 "beside the uniform 1000; then it writes `PARIS ` as a WAV file at 20 WPM characters with the "
                 "effective speed off and on and reads the duration from the data size.\n" % exe)
    builds.build_native([exe])
    path = os.path.join(builds.native, exe)
    if not os.path.exists(path):
        lines.append("Not built.\n")
        return
    r = sh([path], timeout=300)
    lines.append("```\n%s\n```\n" % (r.stdout.strip() or r.stderr.strip()))
