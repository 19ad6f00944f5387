#!/usr/bin/env python3
"""Sums the GoogleTest XML reports of one build directory: prints
"<tests> <failures> <skipped>" for the reports under <build>/testxml."""
import glob
import os
import sys
import xml.etree.ElementTree as ET

def main():
    build = sys.argv[1]
    tests = failures = skipped = 0
    for path in glob.glob(os.path.join(build, "testxml", "*.xml")):
        try:
            root = ET.parse(path).getroot()
        except ET.ParseError:
            failures += 1
            continue
        suites = [root] if root.tag == "testsuites" else [root]
        for s in suites:
            tests += int(s.get("tests", 0))
            failures += int(s.get("failures", 0)) + int(s.get("errors", 0))
            skipped += int(s.get("skipped", 0)) + int(s.get("disabled", 0))
    print(tests, failures, skipped)

if __name__ == "__main__":
    main()
