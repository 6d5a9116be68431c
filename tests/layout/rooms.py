#!/usr/bin/env python3
"""The rooms of the launcher and who includes whom.

Prints each room's includes of other rooms and fails (exit 1) when the
includes go round in a circle, when a room includes one it must not know
(the system side a window header, the portable rooms a Win32 one), or when a
source file lies in no room. With a second argument, writes a JUnit report.
"""
import os
import re
import sys
from xml.sax.saxutils import quoteattr

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))

# The launcher's rooms, the deepest first: a file belongs to the first room
# whose folder holds it. The program's entry (entry/: WinMain and the
# start-up) stands above them all: it makes the system, the windows and the
# wizard and hands each to the next, and no room includes it.
ROOMS = [
    "entry",
    "platform/system/win32", "platform/system",
    "platform/forms/win32", "platform/forms",
    "platform/desktop", "pictures", "probe", "wizard", "app", "resources",
]
# What a room may include; the same room is always allowed.
ALLOWED = {
    "entry": {"app", "wizard", "probe", "platform/system", "platform/system/win32", "platform/forms",
              "platform/forms/win32", "platform/desktop", "resources"},
    "app": {"platform/system", "platform/forms"},
    "wizard": {"app", "probe", "platform/system", "platform/forms", "platform/desktop"},
    "probe": {"platform/system"},
    "platform/system": set(),
    "platform/system/win32": {"platform/system"},
    "platform/forms": {"platform/desktop"},
    "platform/forms/win32": {"platform/forms", "platform/desktop", "pictures"},
    "platform/desktop": {"resources"},
    "pictures": set(),
    "resources": set(),
}
PORTABLE = {"app", "wizard", "probe", "platform/system", "platform/forms", "pictures"}
WIN32_FILES = {"platform/desktop/desktop.h", "platform/desktop/desktop.cpp"}

INCLUDE = re.compile(r'^\s*#\s*include\s+[<"]([^>"]+)[>"]', re.M)


def room_of(path):
    for room in ROOMS:
        if path.startswith(room + "/"):
            return room
    return None


def sources():
    for room in ROOMS:
        base = os.path.join(ROOT, room)
        for folder, _, files in os.walk(base):
            for name in files:
                if name.endswith((".cpp", ".h")) and "/tests/" not in folder + "/":
                    path = os.path.relpath(os.path.join(folder, name), ROOT)
                    if room_of(path) == room:
                        yield path


def main():
    problems = []
    edges = {}
    for path in sorted(set(sources())):
        room = room_of(path)
        text = open(os.path.join(ROOT, path), encoding="utf-8").read()
        for included in INCLUDE.findall(text):
            if included == "windows.h" or included.endswith("ctrl.h") or included in ("ole2.h", "olectl.h"):
                if room in PORTABLE and path not in WIN32_FILES and "/win32/" not in path:
                    problems.append(f"{path}: a portable room includes <{included}>")
                continue
            target = room_of(included)
            if target is None or target == room:
                continue
            edges.setdefault(room, {}).setdefault(target, []).append(path)
            if target not in ALLOWED[room]:
                problems.append(f"{path}: {room} includes {included} ({target})")

    # A circle between rooms: depth-first search over the room graph.
    state = {}

    def visit(room, trail):
        state[room] = "open"
        for target in edges.get(room, {}):
            if state.get(target) == "open":
                problems.append("circle: " + " -> ".join(trail[trail.index(target):] + [target]))
            elif target not in state:
                visit(target, trail + [target])
        state[room] = "done"

    for room in ROOMS:
        if room not in state:
            visit(room, [room])

    for room in ROOMS:
        targets = edges.get(room, {})
        print(f"{room:24} -> {', '.join(sorted(targets)) or '(nothing)'}")
    for problem in problems:
        print("problem:", problem)
    print(f"{len(problems)} problem(s)")

    if len(sys.argv) > 1:
        failure = f"<failure message={quoteattr('; '.join(problems))}/>" if problems else ""
        with open(sys.argv[1], "w", encoding="utf-8") as report:
            report.write('<testsuites><testsuite name="Rooms" tests="1" failures="%d">'
                         '<testcase classname="Rooms" name="IncludesFollowTheLayers">%s</testcase>'
                         "</testsuite></testsuites>" % (1 if problems else 0, failure))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
