#!/usr/bin/env python3
"""Sums the test reports (GoogleTest XML and the end-to-end JUnit files) of
one build directory: prints "<tests> <failures> <skipped>" for the reports
under <build>/testxml. Skips are counted from the test cases themselves
(a <skipped> element, or result="skipped"), since GoogleTest does not give a
skipped count on its suites. A report that does not parse counts as a
failure."""
import glob
import os
import sys
import xml.etree.ElementTree as ET


def count(build):
    tests = failures = skipped = 0
    for path in glob.glob(os.path.join(build, "testxml", "*.xml")):
        try:
            root = ET.parse(path).getroot()
        except ET.ParseError:
            failures += 1
            continue
        for case in root.iter("testcase"):
            tests += 1
            if case.find("failure") is not None or case.find("error") is not None:
                failures += 1
            elif case.find("skipped") is not None or case.get("result") == "skipped":
                skipped += 1
    return tests, failures, skipped


if __name__ == "__main__":
    print(*count(sys.argv[1]))
