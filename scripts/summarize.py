#!/usr/bin/python3
"""Adds up the JUnit reports of every suite: one line per suite, then the
closing line with the totals. Arguments are "name=report"; a suite that
wrote no report (it crashed or hung) counts as one failure."""
import sys
import xml.etree.ElementTree as ET


def count(path):
    passed = failed = 0
    root = ET.parse(path).getroot()
    for case in root.iter("testcase"):
        if case.get("status", "run") == "notrun" or case.find("skipped") is not None:
            continue
        if case.find("failure") is not None or case.find("error") is not None:
            failed += 1
        else:
            passed += 1
    return passed, failed


total_passed = total_failed = 0
for argument in sys.argv[1:]:
    name, _, path = argument.rpartition("=")
    try:
        passed, failed = count(path)
        print(f"{name}: {passed} passed, {failed} failed")
    except (OSError, ET.ParseError):
        passed, failed = 0, 1
        print(f"{name}: no report ({path})")
    total_passed += passed
    total_failed += failed
print(f"{total_passed} passed, {total_failed} failed")
sys.exit(1 if total_failed else 0)
