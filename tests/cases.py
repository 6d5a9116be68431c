"""The cases of a test script and their report: each check runs in turn, a
failure is printed and kept, and the JUnit file that scripts/summarize.py
counts is written at the end. Shared by the Python suites (disc, preview,
package, the README's first kit)."""
import time
import traceback
import xml.etree.ElementTree as ET


class Failure(Exception):
    """A check that did not hold: reported by its message alone, where any
    other exception is reported with its traceback."""


def expect(condition, message):
    if not condition:
        raise Failure(message)


class Cases:
    def __init__(self, suite, classname):
        self.suite = ET.Element("testsuite", name=suite)
        self.classname = classname
        self.failures = 0

    def run(self, name, check):
        """Runs one check as the case NAME; True when it held."""
        started = time.monotonic()
        element = ET.SubElement(self.suite, "testcase", classname=self.classname, name=name)
        try:
            check()
            print(f"[       OK ] {self.classname}.{name}")
            held = True
        except Exception as error:  # a failure of the check or of what it runs
            self.failures += 1
            text = str(error) if isinstance(error, Failure) else traceback.format_exc()
            ET.SubElement(element, "failure", message=text.splitlines()[0] if text else "failed").text = text
            print(f"[  FAILED  ] {self.classname}.{name}\n{text}")
            held = False
        element.set("time", f"{time.monotonic() - started:.2f}")
        return held

    def set_time(self, seconds):
        """The last case's time, where its check timed only a part of it."""
        self.suite[-1].set("time", f"{seconds:.2f}")

    def write(self, results):
        """Writes the report, prints the suite's line; the exit status."""
        count = len(self.suite)
        self.suite.set("tests", str(count))
        self.suite.set("failures", str(self.failures))
        results.parent.mkdir(parents=True, exist_ok=True)
        ET.ElementTree(self.suite).write(results, encoding="utf-8", xml_declaration=True)
        print(f"{self.suite.get('name')}: {count - self.failures} passed, {self.failures} failed")
        return 1 if self.failures else 0
