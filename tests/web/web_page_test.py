#!/usr/bin/python3
"""The web build in Debian's headless Chromium, software WebGL, sound allowed
without a gesture: loads build-web/ from scripts/serve-web.sh at ?order=19 and
checks that the intro comes up, that rows and triggers are handed on while the
audio context's clock runs, that the demo ends at order 20 row 2 with the
"play again" prompt, and that the console saw no error. Saves screenshots
under build-web/test-out/ and prints the download size and the time from
page load to the first intro frame.

Usage: web_page_test.py SOURCE_DIR   (build-web/ must have been built)
"""
import base64
import gzip
import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request

import numpy
import websocket  # Debian's python3-websocket

# The frame script (tests/gles2/frame_script.cpp) in WebGL against the OpenGL
# 1.1 path on llvmpipe: the bounds reached, with some room (see the table the
# test prints). Hatched pixels (the "stipple" frame) must match exactly.
# SwiftShader filters textures and places thin lines a little differently
# from llvmpipe: many pixels differ by a few levels, few by much.
MAX_DIFFERING_SHARE = 0.18  # pixels that differ at all
MAX_FAR_SHARE = 0.02        # pixels that differ by more than FAR levels in some channel
FAR = 32
FRAME_NAMES = [f"order{o:02d}" for o in range(21)] + ["stipple"]
FRAME_BYTES = 640 * 480 * 4

CHROMIUM_FLAGS = ["--headless=new", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
                  "--autoplay-policy=no-user-gesture-required", "--no-first-run", "--no-default-browser-check",
                  "--window-size=800,600", "--remote-debugging-port=0", "--remote-allow-origins=*"]
# Chromium refuses to run as root inside its sandbox (CI runs as root).
if os.geteuid() == 0:
    CHROMIUM_FLAGS.append("--no-sandbox")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Page:
    """One tab over the DevTools protocol; keeps every console error seen."""

    def __init__(self, ws_url):
        self.ws = websocket.create_connection(ws_url, timeout=30)
        self.next_id = 0
        self.errors = []

    def _event(self, msg):
        method = msg.get("method")
        params = msg.get("params", {})
        if method == "Runtime.consoleAPICalled" and params.get("type") in ("error", "assert"):
            self.errors.append(" ".join(str(a.get("value", a.get("description", ""))) for a in params["args"]))
        elif method == "Runtime.exceptionThrown":
            d = params["exceptionDetails"]
            self.errors.append(d.get("exception", {}).get("description", d.get("text", "")))
        elif method == "Log.entryAdded" and params["entry"]["level"] == "error":
            self.errors.append(params["entry"]["text"] + " " + params["entry"].get("url", ""))

    def call(self, method, **params):
        self.next_id += 1
        self.ws.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            msg = json.loads(self.ws.recv())
            if msg.get("id") == self.next_id:
                if "error" in msg:
                    raise RuntimeError(f"{method}: {msg['error']}")
                return msg["result"]
            self._event(msg)

    def eval(self, expression):
        r = self.call("Runtime.evaluate", expression=expression, returnByValue=True)
        return r["result"].get("value")


def wait_value(page, expression, limit):
    end = time.time() + limit
    while time.time() < end:
        value = page.eval(expression)
        if value:
            return value
        time.sleep(0.05)
    return None


def compare_frame_script(page, port, source, failures):
    """The frame script drawn by WebGL in the page against gl11_frames."""
    reference_file = os.path.join(source, "build", "web-reference.rgba")
    program = os.path.join(source, "build", "tests", "gl11_frames")
    env = dict(os.environ, SDL_VIDEODRIVER="offscreen", SDL_AUDIODRIVER="dummy")
    subprocess.run([program, reference_file], check=True, env=env, cwd=os.path.join(source, "build"))
    reference = numpy.fromfile(reference_file, dtype=numpy.uint8)
    page.call("Page.navigate", url=f"http://127.0.0.1:{port}/test/script.html")
    if not wait_value(page, "Module.scriptDone === true", 240):
        failures.append("the frame script did not finish in the page")
        return
    count = page.eval("Module._script_frame_count()")
    if count * FRAME_BYTES != reference.size:
        failures.append(f"the page kept {count} frames, OpenGL 1.1 {reference.size // FRAME_BYTES}")
        return
    for i, name in enumerate(FRAME_NAMES):
        web = numpy.frombuffer(base64.b64decode(page.eval(f"Module.frameBase64({i})")), dtype=numpy.uint8)
        a = reference[i * FRAME_BYTES:(i + 1) * FRAME_BYTES].reshape(-1, 4)[:, :3].astype(int)
        b = web.reshape(-1, 4)[:, :3].astype(int)
        worst = numpy.abs(a - b).max(axis=1)
        differing = int((worst > 0).sum())
        share = differing / worst.size
        mean = float(worst[worst > 0].mean()) if differing else 0.0
        far = int((worst > FAR).sum()) / worst.size
        print(f"webgl {name:8s} differing {100 * share:6.3f}%  by more than {FAR}: {100 * far:6.3f}%"
              f"  mean {mean:5.1f}  largest {int(worst.max()):3d}")
        if int((a.sum(axis=1) > 0).sum()) < 1000:
            failures.append(f"{name}: the OpenGL 1.1 frame is nearly black")
        if name == "stipple":
            if differing:
                failures.append(f"hatched pixels differ from OpenGL 1.1's: {differing}")
        elif share > MAX_DIFFERING_SHARE or far > MAX_FAR_SHARE:
            failures.append(f"{name}: {100 * share:.2f}% of pixels differ, {100 * far:.2f}% by more than {FAR}")


def main():
    source = os.path.abspath(sys.argv[1])
    web = os.path.join(source, "build-web")
    if not os.path.exists(os.path.join(web, "drensolk.wasm")):
        print("build-web/ is not built: run scripts/build-web.sh first")
        return 1
    out = os.path.join(web, "test-out")
    os.makedirs(out, exist_ok=True)

    # What a visitor loads: the page, the program and the data files.
    sizes = {f: os.path.getsize(os.path.join(web, f)) for f in os.listdir(web)
             if os.path.isfile(os.path.join(web, f)) and not f.endswith(".log")}
    raw = sum(sizes.values())
    packed = sum(len(gzip.compress(open(os.path.join(web, f), "rb").read(), 9)) for f in sizes)
    print(f"download: {raw / 1e6:.2f} MB, {packed / 1e6:.2f} MB gzip-compressed ({len(sizes)} files)")

    port = free_port()
    server = subprocess.Popen([os.path.join(source, "scripts/serve-web.sh"), str(port)], stdout=subprocess.DEVNULL)
    profile = tempfile.mkdtemp(prefix="drensolk-chromium-")
    browser = None
    failures = []
    try:
        browser = subprocess.Popen(["chromium", *CHROMIUM_FLAGS, f"--user-data-dir={profile}", "about:blank"],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        active = os.path.join(profile, "DevToolsActivePort")
        for _ in range(300):
            if os.path.exists(active) and open(active).read().count("\n") >= 1:
                break
            time.sleep(0.1)
        devtools_port = int(open(active).read().split("\n")[0])
        for _ in range(100):
            try:
                with urllib.request.urlopen(f"http://127.0.0.1:{port}/index.html", timeout=2):
                    break
            except OSError:
                time.sleep(0.1)
        with urllib.request.urlopen(f"http://127.0.0.1:{devtools_port}/json/list") as r:
            tab = next(t for t in json.load(r) if t["type"] == "page")
        page = Page(tab["webSocketDebuggerUrl"])
        for domain in ("Runtime", "Page", "Log"):
            page.call(f"{domain}.enable")
        compare_frame_script(page, port, source, failures)
        page.call("Page.navigate", url=f"http://127.0.0.1:{port}/index.html?order=19")

        def wait_for(expression, limit):
            return wait_value(page, expression, limit)

        first_intro = wait_for("Module.firstIntroFrameMs", 60)
        if first_intro is None:
            failures.append("no intro frame within 60 s")
        else:
            print(f"page load to first intro frame: {first_intro:.0f} ms")
        if not wait_for("Module.framesShown > 0", 30):
            failures.append("the demo's frames did not start after the intro")
        # Rows and triggers handed on as the audio clock runs.
        samples = []
        for i in range(4):
            samples.append(page.eval("[audio.currentTime, Module._web_rows_heard(), Module._web_triggers_heard(),"
                                     " Module.lastOrder, Module.lastRow]"))
            shot = page.call("Page.captureScreenshot", format="png")
            with open(os.path.join(out, f"order19_{i}.png"), "wb") as f:
                f.write(base64.b64decode(shot["data"]))
            time.sleep(1.0)
        print("audio time, rows, triggers, order, row:", samples)
        for a, b in zip(samples, samples[1:]):
            if not (b[0] > a[0] and b[1] > a[1]):
                failures.append(f"rows did not advance with the audio clock: {a} -> {b}")
        if samples[-1][2] <= samples[0][2]:
            failures.append(f"no triggers handed on: {samples[0]} -> {samples[-1]}")
        if not wait_for("stage === 'ended'", 60):
            failures.append("the demo did not end within 60 s")
        end = page.eval("[Module.lastOrder, Module.lastRow, message.textContent]")
        print("end:", end)
        if end[:2] != [20, 2]:
            failures.append(f"ended at order {end[0]} row {end[1]}, not order 20 row 2")
        if "play again" not in (end[2] or ""):
            failures.append(f"no play-again prompt at the end: {end[2]!r}")
        shot = page.call("Page.captureScreenshot", format="png")
        with open(os.path.join(out, "end.png"), "wb") as f:
            f.write(base64.b64decode(shot["data"]))
        page.eval("0")  # collects any late console events
        if page.errors:
            failures.append("console errors: " + "; ".join(page.errors))
    finally:
        if browser:
            browser.terminate()
            browser.wait(10)
        server.terminate()
        server.wait(10)
        shutil.rmtree(profile, ignore_errors=True)
    for f in failures:
        print("FAIL:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
