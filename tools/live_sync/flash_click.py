#!/usr/bin/env python3
"""Flash-and-click source that calibrates the live sync meter's recorder.

Clicks on the default PulseAudio sink and flashes the whole X screen white at
the instants the clicks are played, so a recording of both shows the
recorder's own offset between picture and sound. The play instant of a click
comes from the stream's latency as the server reports it right after the
write that carries the click: now + latency - (samples after the click) /
rate. The flash is drawn and synced to the X server at that instant.

Usage: flash_click.py RATE COUNT [PERIOD_S]  (DISPLAY and PULSE_SERVER from
the environment). Prints one line per click: its index, the monotonic time it
was due to play and the time the flash was drawn. Exits 1 when the display
or the server cannot be opened.
"""
import ctypes
import math
import queue
import sys
import threading
import time

PA_STREAM_PLAYBACK = 1
PA_SAMPLE_S16LE = 3
CHUNK_S = 0.005  # written 5 ms at a time
CLICK_S = 0.003  # 2 kHz: the kick detector's low band ignores it
FLASH_S = 0.100  # white for several frames at 60 fps
LEAD_S = 1.0  # silence before the first click


class SampleSpec(ctypes.Structure):
    _fields_ = [("format", ctypes.c_int), ("rate", ctypes.c_uint32), ("channels", ctypes.c_uint8)]


class BufferAttr(ctypes.Structure):
    _fields_ = [(n, ctypes.c_uint32) for n in ("maxlength", "tlength", "prebuf", "minreq", "fragsize")]


def load_pulse():
    pa = ctypes.CDLL("libpulse-simple.so.0")
    pa.pa_simple_new.restype = ctypes.c_void_p
    pa.pa_simple_new.argtypes = [ctypes.c_char_p, ctypes.c_char_p, ctypes.c_int, ctypes.c_char_p, ctypes.c_char_p,
                                 ctypes.c_void_p, ctypes.c_void_p, ctypes.c_void_p, ctypes.POINTER(ctypes.c_int)]
    pa.pa_simple_write.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_size_t, ctypes.POINTER(ctypes.c_int)]
    pa.pa_simple_get_latency.restype = ctypes.c_uint64
    pa.pa_simple_get_latency.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int)]
    pa.pa_simple_drain.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int)]
    pa.pa_simple_free.argtypes = [ctypes.c_void_p]
    return pa


def load_x11():
    x = ctypes.CDLL("libX11.so.6")
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XDefaultRootWindow.restype = ctypes.c_ulong
    x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x.XCreateSimpleWindow.restype = ctypes.c_ulong
    x.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                      ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_ulong]
    x.XCreateGC.restype = ctypes.c_void_p
    x.XCreateGC.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_void_p]
    x.XMapWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    x.XDestroyWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    x.XSetForeground.argtypes = [ctypes.c_void_p, ctypes.c_void_p, ctypes.c_ulong]
    x.XFillRectangle.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                 ctypes.c_uint, ctypes.c_uint]
    x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]
    x.XDisplayWidth.argtypes = x.XDisplayHeight.argtypes = [ctypes.c_void_p, ctypes.c_int]
    return x


def click_track(rate, clicks, total):
    """Stereo 16-bit silence with a 2 kHz burst at each click sample."""
    audio = bytearray(total * 4)
    burst = bytearray()
    for i in range(int(rate * CLICK_S)):
        b = int(26000 * math.sin(2 * math.pi * 2000 * i / rate)).to_bytes(2, "little", signed=True)
        burst += b + b
    for c in clicks:
        audio[c * 4: c * 4 + len(burst)] = burst
    return audio


def main():
    rate, count = int(sys.argv[1]), int(sys.argv[2])
    # Not a multiple of a 60 Hz frame, so the flashes fall at every phase of
    # the recorder's frame grabs and its rounding averages out.
    period = float(sys.argv[3]) if len(sys.argv) > 3 else 0.4537

    x = load_x11()
    dpy = x.XOpenDisplay(None)
    if not dpy:
        print("flash_click: cannot open the X display", file=sys.stderr)
        return 1
    width, height = x.XDisplayWidth(dpy, 0), x.XDisplayHeight(dpy, 0)
    win = x.XCreateSimpleWindow(dpy, x.XDefaultRootWindow(dpy), 0, 0, width, height, 0, 0, 0)
    gc = x.XCreateGC(dpy, win, 0, None)
    x.XMapWindow(dpy, win)

    def fill(white):
        x.XSetForeground(dpy, gc, 0xFFFFFF if white else 0)
        x.XFillRectangle(dpy, win, gc, 0, 0, width, height)
        x.XSync(dpy, 0)

    fill(False)

    pa = load_pulse()
    err = ctypes.c_int(0)
    spec = SampleSpec(PA_SAMPLE_S16LE, rate, 2)
    # A short target buffer keeps the latency, and any error in it, small.
    attr = BufferAttr(0xFFFFFFFF, int(rate * 0.03) * 4, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF)
    s = pa.pa_simple_new(None, b"drensolk-flash-click", PA_STREAM_PLAYBACK, None, b"click", ctypes.byref(spec), None,
                         ctypes.byref(attr), ctypes.byref(err))
    if not s:
        print("flash_click: cannot open a PulseAudio stream (error %d)" % err.value, file=sys.stderr)
        return 1

    clicks = [int(rate * (LEAD_S + k * period)) for k in range(count)]
    total = clicks[-1] + int(rate * 0.5)
    audio = click_track(rate, clicks, total)
    due = queue.Queue()

    def flasher():
        # The only thread that talks to X once the writes start.
        while True:
            item = due.get()
            if item is None:
                return
            k, at = item
            while time.monotonic() < at - 0.003:
                time.sleep(0.001)
            while time.monotonic() < at:
                pass
            fill(True)
            print(k, "%.6f" % at, "%.6f" % time.monotonic(), flush=True)
            time.sleep(FLASH_S)
            fill(False)

    t = threading.Thread(target=flasher)
    t.start()
    chunk = int(rate * CHUNK_S)
    written, k = 0, 0
    try:
        while written < total:
            n = min(chunk, total - written)
            pa.pa_simple_write(s, bytes(audio[written * 4: (written + n) * 4]), n * 4, ctypes.byref(err))
            written += n
            if k < count and clicks[k] < written:
                # The server holds everything up to `written`: the last sample
                # plays in `latency`, the click that many samples earlier.
                latency = pa.pa_simple_get_latency(s, ctypes.byref(err)) / 1e6
                due.put((k, time.monotonic() + latency - (written - clicks[k]) / rate))
                k += 1
        pa.pa_simple_drain(s, ctypes.byref(err))
    finally:
        due.put(None)
        t.join()
    pa.pa_simple_free(s)
    x.XDestroyWindow(dpy, win)
    x.XCloseDisplay(dpy)
    return 0


if __name__ == "__main__":
    sys.exit(main())
