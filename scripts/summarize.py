#!/usr/bin/python3
"""Adds up the JUnit reports of every suite into one closing line. A suite
that wrote no report (it crashed or hung) counts as one failure."""
import sys
import xml.etree.ElementTree as ET

passed = failed = 0
for path in sys.argv[1:]:
    try:
        root = ET.parse(path).getroot()
    except (OSError, ET.ParseError):
        print(f"no report: {path}")
        failed += 1
        continue
    for case in root.iter("testcase"):
        if case.get("status", "run") == "notrun" or case.find("skipped") is not None:
            continue
        if case.find("failure") is not None or case.find("error") is not None:
            failed += 1
        else:
            passed += 1
print(f"{passed} passed, {failed} failed")
sys.exit(1 if failed else 0)
