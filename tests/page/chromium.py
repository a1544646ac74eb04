"""Headless Chromium driven over the DevTools protocol on a pipe (fds 3 and 4,
JSON messages ended by NUL), with nothing but the standard library."""

import base64
import fcntl
import json
import os
import select
import shutil
import subprocess
import tempfile
import time

# Without the background-networking switches Chromium tries to reach its
# services, and a closed network refuses it.
FLAGS = [
    "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--hide-scrollbars", "--remote-debugging-pipe",
]


def find_chromium():
    for name in ("chromium", "chromium-browser"):
        path = shutil.which(name)
        if path:
            return path
    return None


class ProtocolError(RuntimeError):
    pass


class Browser:
    """One browser with one page; events are kept for the caller to read."""

    def __init__(self, executable, timeout=60.0):
        self.timeout = timeout
        self.profile = tempfile.mkdtemp(prefix="quivor-chromium-")
        to_browser_read, self._to_browser = os.pipe()
        self._from_browser, from_browser_write = os.pipe()
        # The child's ends, first moved above 3 and 4 so that placing one
        # cannot overwrite the other; they close on exec, their copies at 3
        # and 4 stay open.
        ends = [fcntl.fcntl(fd, fcntl.F_DUPFD_CLOEXEC, 10)
                for fd in (to_browser_read, from_browser_write)]
        os.close(to_browser_read)
        os.close(from_browser_write)

        def give_pipes():
            os.dup2(ends[0], 3)
            os.dup2(ends[1], 4)

        self.process = subprocess.Popen(
            [executable, *FLAGS, f"--user-data-dir={self.profile}", "about:blank"],
            close_fds=False, preexec_fn=give_pipes,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for fd in ends:
            os.close(fd)
        self._buffer = b""
        self._next_id = 0
        self.events = []
        target = self.call("Target.createTarget", {"url": "about:blank"})["targetId"]
        self.session = self.call("Target.attachToTarget",
                                 {"targetId": target, "flatten": True})["sessionId"]

    def close(self):
        try:
            self.call("Browser.close")
        except (ProtocolError, OSError):
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        os.close(self._to_browser)
        os.close(self._from_browser)
        shutil.rmtree(self.profile, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def _read_message(self, deadline):
        while b"\0" not in self._buffer:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self._from_browser], [], [], left)[0]:
                raise ProtocolError("no answer from Chromium in time")
            chunk = os.read(self._from_browser, 1 << 20)
            if not chunk:
                raise ProtocolError("Chromium closed its pipe")
            self._buffer += chunk
        message, self._buffer = self._buffer.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, params=None, page=False):
        """Sends a command (to the page's session with `page`) and waits for its answer."""
        self._next_id += 1
        message = {"id": self._next_id, "method": method, "params": params or {}}
        if page:
            message["sessionId"] = self.session
        os.write(self._to_browser, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + self.timeout
        while True:
            reply = self._read_message(deadline)
            if reply.get("id") == self._next_id:
                if "error" in reply:
                    raise ProtocolError(f"{method}: {reply['error']}")
                return reply.get("result", {})
            if "method" in reply:
                self.events.append(reply)

    def page(self, method, params=None):
        return self.call(method, params, page=True)

    def wait_for(self, event, timeout=None):
        """Waits for an event of the page; returns it."""
        deadline = time.monotonic() + (timeout or self.timeout)
        for index, seen in enumerate(self.events):
            if seen["method"] == event:
                return self.events.pop(index)
        while True:
            reply = self._read_message(deadline)
            if reply.get("method") == event:
                return reply
            if "method" in reply:
                self.events.append(reply)

    def open(self, url, width=1280, height=900, scripts=True):
        """Loads `url` with the page's console and network watched; the seconds it took."""
        for domain in ("Page", "Runtime", "Log", "Network"):
            self.page(f"{domain}.enable")
        self.page("Emulation.setDeviceMetricsOverride",
                  {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": False})
        self.page("Emulation.setScriptExecutionDisabled", {"value": not scripts})
        self.events.clear()
        start = time.monotonic()
        self.page("Page.navigate", {"url": url})
        self.wait_for("Page.loadEventFired")
        return time.monotonic() - start

    def evaluate(self, expression):
        result = self.page("Runtime.evaluate",
                           {"expression": expression, "returnByValue": True, "awaitPromise": True})
        if "exceptionDetails" in result:
            raise ProtocolError(f"{expression}: {result['exceptionDetails']}")
        return result["result"].get("value")

    def box(self, selector):
        """The box of the first element `selector` finds, in page coordinates."""
        return self.evaluate(
            f"(() => {{ const r = document.querySelector('{selector}').getBoundingClientRect();"
            " return {x: r.x + scrollX, y: r.y + scrollY, width: r.width, height: r.height}; })()")

    def drain(self, seconds=0.3):
        """Collects the events that arrive within `seconds`."""
        try:
            self.wait_for("Quivor.never", timeout=seconds)
        except ProtocolError:
            pass

    def problems(self, url):
        """Console errors, uncaught exceptions and requests for anything but `url`."""
        found = []
        for event in self.events:
            method, params = event["method"], event.get("params", {})
            if method == "Runtime.exceptionThrown":
                found.append("exception: " + json.dumps(params["exceptionDetails"])[:300])
            elif method == "Runtime.consoleAPICalled" and params.get("type") in ("error", "assert"):
                found.append("console: " + json.dumps(params.get("args"))[:300])
            elif method == "Log.entryAdded" and params["entry"]["level"] == "error":
                found.append("log: " + params["entry"].get("text", "")[:300])
            elif method == "Network.requestWillBeSent":
                requested = params["request"]["url"]
                if requested != url:
                    found.append("request: " + requested[:300])
        return found

    def screenshot(self, path, clip=None):
        params = {"format": "png", "captureBeyondViewport": True}
        if clip:
            params["clip"] = {**clip, "scale": 1}
        data = self.page("Page.captureScreenshot", params)["data"]
        with open(path, "wb") as out:
            out.write(base64.b64decode(data))

    def pdf(self, path):
        data = self.page("Page.printToPDF", {"preferCSSPageSize": True, "printBackground": True})
        with open(path, "wb") as out:
            out.write(base64.b64decode(data["data"]))
