#!/usr/bin/python3
"""Opens a local HTML page in Debian's headless Chromium and reports what
a reader would meet: each picture with its natural size once the page has
loaded, and every console message, page error and log entry of level error
(a picture that does not load logs one). Chromium is driven over its
DevTools pipe (file descriptors 3 and 4, messages ended by a NUL byte), so
the page itself needs no script.

    chromium_check.py PAGE.html   prints the findings, exit status 1 on a problem
"""
import fcntl
import json
import os
import select
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--remote-debugging-pipe"]

IMAGES = ("JSON.stringify(Array.from(document.images, i => "
          "({src: i.getAttribute('src'), complete: i.complete, width: i.naturalWidth, height: i.naturalHeight})))")


class Chromium:
    def __init__(self, timeout=60):
        self.deadline = time.monotonic() + timeout
        self.profile = tempfile.mkdtemp(prefix="preview-chromium.")
        to_browser, self._write = os.pipe()
        self._read, from_browser = os.pipe()

        def pipes():  # the browser reads fd 3 and writes fd 4
            reading = fcntl.fcntl(to_browser, fcntl.F_DUPFD, 10)
            writing = fcntl.fcntl(from_browser, fcntl.F_DUPFD, 10)
            os.dup2(reading, 3)
            os.dup2(writing, 4)

        self.process = subprocess.Popen(
            ["chromium", *FLAGS, f"--user-data-dir={self.profile}", "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=pipes, pass_fds=(3, 4))
        os.close(to_browser)
        os.close(from_browser)
        self.buffer = b""
        self.next_id = 0
        self.events = []

    def close(self):
        try:
            self.send("Browser.close")
        except (OSError, TimeoutError, RuntimeError):
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        os.close(self._write)
        os.close(self._read)
        shutil.rmtree(self.profile, ignore_errors=True)

    def _message(self):
        while b"\0" not in self.buffer:
            left = self.deadline - time.monotonic()
            if left <= 0:
                raise TimeoutError("Chromium did not answer in time")
            ready, _, _ = select.select([self._read], [], [], left)
            if ready:
                chunk = os.read(self._read, 65536)
                if not chunk:
                    raise RuntimeError("Chromium closed its DevTools pipe")
                self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def send(self, method, params=None, session=None):
        """Sends a command and returns its result; events met meanwhile are kept."""
        self.next_id += 1
        command = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            command["sessionId"] = session
        os.write(self._write, json.dumps(command).encode() + b"\0")
        while True:
            message = self._message()
            if message.get("id") == self.next_id:
                if "error" in message:
                    raise RuntimeError(f"{method}: {message['error']}")
                return message.get("result", {})
            if "method" in message:
                self.events.append(message)

    def wait_event(self, method, session):
        for event in self.events:
            if event["method"] == method and event.get("sessionId") == session:
                return event
        while True:
            message = self._message()
            if "method" in message:
                self.events.append(message)
                if message["method"] == method and message.get("sessionId") == session:
                    return message


def check_page(path, timeout=60):
    """Loads the page; returns (pictures, errors): each picture's src,
    completeness and natural size, and the texts of every error met."""
    url = Path(path).resolve().as_uri()
    browser = Chromium(timeout)
    try:
        target = browser.send("Target.createTarget", {"url": "about:blank"})["targetId"]
        session = browser.send("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
        for domain in ("Page", "Runtime", "Log"):
            browser.send(f"{domain}.enable", session=session)
        browser.send("Page.navigate", {"url": url}, session=session)
        browser.wait_event("Page.loadEventFired", session)
        result = browser.send("Runtime.evaluate", {"expression": IMAGES, "returnByValue": True}, session=session)
        pictures = json.loads(result["result"]["value"])
        errors = []
        for event in browser.events:
            if event.get("sessionId") != session:
                continue
            params = event.get("params", {})
            if event["method"] == "Runtime.consoleAPICalled":
                texts = [str(a.get("value", a.get("description", ""))) for a in params.get("args", [])]
                errors.append(f"console.{params.get('type')}: {' '.join(texts)}")
            elif event["method"] == "Runtime.exceptionThrown":
                errors.append(f"exception: {params.get('exceptionDetails', {}).get('text', '')}")
            elif event["method"] == "Log.entryAdded" and params.get("entry", {}).get("level") == "error":
                entry = params["entry"]
                errors.append(f"log ({entry.get('source')}): {entry.get('text')} {entry.get('url', '')}".strip())
        return pictures, errors
    finally:
        browser.close()


WIDTHS = ("JSON.stringify({page: document.documentElement.scrollWidth, "
          "grid: Math.ceil(document.querySelector('table.grid').getBoundingClientRect().right)})")


def widths(path, viewport_width, timeout=60):
    """Loads the page in a window of this width; returns how wide the page
    is (its scroll width: more than the window needs scrolling) and where the
    grid of browser pages ends."""
    url = Path(path).resolve().as_uri()
    browser = Chromium(timeout)
    try:
        target = browser.send("Target.createTarget", {"url": "about:blank"})["targetId"]
        session = browser.send("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
        browser.send("Page.enable", session=session)
        browser.send("Emulation.setDeviceMetricsOverride",
                     {"width": viewport_width, "height": 900, "deviceScaleFactor": 1, "mobile": False},
                     session=session)
        browser.send("Page.navigate", {"url": url}, session=session)
        browser.wait_event("Page.loadEventFired", session)
        result = browser.send("Runtime.evaluate", {"expression": WIDTHS, "returnByValue": True}, session=session)
        return json.loads(result["result"]["value"])
    finally:
        browser.close()


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip().splitlines()[-1].strip(), file=sys.stderr)
        return 2
    pictures, errors = check_page(sys.argv[1])
    bad = [p for p in pictures if not p["complete"] or p["width"] == 0]
    for p in pictures:
        print(f"{p['src']}: {p['width']} x {p['height']}{' (not loaded)' if p in bad else ''}")
    for error in errors:
        print(f"error: {error}")
    print(f"{len(pictures)} pictures, {len(bad)} not loaded, {len(errors)} errors")
    return 1 if bad or errors or not pictures else 0


if __name__ == "__main__":
    sys.exit(main())
