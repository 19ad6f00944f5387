#!/usr/bin/env python3
"""Sums the test reports (GoogleTest XML and the end-to-end JUnit files) of
one build directory: prints "<tests> <failures> <skipped>" for the reports
under <build>/testxml. Skips are counted from the test cases themselves
(a <skipped> element, or result="skipped"), since GoogleTest does not give a
skipped count on its suites. A report that does not parse counts as a
failure. A test that CTest saw fail (Testing/Temporary/LastTestsFailed.log)
but whose report shows no failure, or that left no report (a crash or a
time-out after, or before, GoogleTest wrote it), counts as one more failed
test: the table must never show a run as clean that CTest failed."""
import glob
import os
import sys
import xml.etree.ElementTree as ET


def ctest_failed(build):
    """Names of the tests the last CTest run in build failed."""
    path = os.path.join(build, "Testing", "Temporary", "LastTestsFailed.log")
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            lines = f.read().splitlines()
    except OSError:
        return []
    # Each line is "<index>:<name>".
    return [line.split(":", 1)[1] for line in lines if ":" in line]


def count(build):
    tests = failures = skipped = 0
    failed_reports = set()
    for path in glob.glob(os.path.join(build, "testxml", "*.xml")):
        name = os.path.splitext(os.path.basename(path))[0]
        try:
            root = ET.parse(path).getroot()
        except ET.ParseError:
            failures += 1
            failed_reports.add(name)
            continue
        for case in root.iter("testcase"):
            tests += 1
            if case.find("failure") is not None or case.find("error") is not None:
                failures += 1
                failed_reports.add(name)
            elif case.find("skipped") is not None or case.get("result") == "skipped":
                skipped += 1
    for name in ctest_failed(build):
        if name not in failed_reports:
            if not os.path.exists(os.path.join(build, "testxml", name + ".xml")):
                tests += 1
            failures += 1
    return tests, failures, skipped


if __name__ == "__main__":
    print(*count(sys.argv[1]))
