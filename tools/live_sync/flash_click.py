#!/usr/bin/env python3
"""Flash-and-click source that calibrates the live sync meter's recorder.

Clicks on the default sink and flashes the whole X screen white at the
instants the clicks are played, so a recording of both shows the recorder's
own offset between picture and sound. The play instant of a click comes from
the output's delay as the server reports it right after the write that
carries the click: now + delay - (samples after the click) / rate. The flash
is drawn and synced to the X server at that instant.

The output (--output) is a PulseAudio stream (pa_simple; the delay is the
stream's latency), or on PipeWire a native PipeWire stream through the
pipewire-alsa plugin (the delay comes from the graph's own timing of the
stream). pipewire-pulse's latency reports wander by 10 to 20 ms within
seconds, so they cannot time a flash to a millisecond; the native stream's
held within 0.1 ms at quanta 1024 and 2048, and steps by quanta at 256.

Usage: flash_click.py [--output pulse|pipewire] RATE COUNT [PERIOD_S]
(DISPLAY, and PULSE_SERVER or XDG_RUNTIME_DIR, from the environment). Prints
one line per click: its index, the monotonic time it was due to play and the
time the flash was drawn. Exits 1 when the display or the server cannot be
opened.
"""
import argparse
import ctypes
import math
import os
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


class PulseOutput:
    """A pa_simple playback stream on the default sink."""

    def __init__(self, rate, name):
        self.pa = pa = load_pulse()
        self.rate, self.err = rate, ctypes.c_int(0)
        spec = SampleSpec(PA_SAMPLE_S16LE, rate, 2)
        # A short target buffer keeps the latency, and any error in it, small.
        attr = BufferAttr(0xFFFFFFFF, int(rate * 0.03) * 4, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF)
        self.s = pa.pa_simple_new(None, name.encode(), PA_STREAM_PLAYBACK, None, b"play", ctypes.byref(spec), None,
                                  ctypes.byref(attr), ctypes.byref(self.err))
        if not self.s:
            raise OSError("cannot open a PulseAudio stream (error %d): is the server running and PULSE_SERVER set?"
                          % self.err.value)

    def write(self, data):
        self.pa.pa_simple_write(self.s, data, len(data), ctypes.byref(self.err))

    def delay(self):
        """Seconds until the last sample written plays."""
        return self.pa.pa_simple_get_latency(self.s, ctypes.byref(self.err)) / 1e6

    def close(self):
        self.pa.pa_simple_drain(self.s, ctypes.byref(self.err))
        self.pa.pa_simple_free(self.s)


class PipeWireOutput:
    """A native PipeWire stream on the default sink, through the pipewire-alsa
    plugin: the one named by DRENSOLK_PIPEWIRE_ALSA_PLUGIN (Debian's package
    conflicts with pulseaudio, so the meter unpacks it privately), else
    ALSA's "pipewire" device of an installed pipewire-alsa."""

    def __init__(self, rate, name):
        self.al = al = ctypes.CDLL("libasound.so.2")
        al.snd_pcm_writei.restype = ctypes.c_long
        al.snd_pcm_writei.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_ulong]
        al.snd_pcm_delay.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_long)]
        al.snd_pcm_recover.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
        al.snd_pcm_drain.argtypes = al.snd_pcm_close.argtypes = [ctypes.c_void_p]
        al.snd_input_buffer_open.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_ssize_t]
        al.snd_config_load.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
        al.snd_input_close.argtypes = [ctypes.c_void_p]
        al.snd_pcm_open_lconf.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int, ctypes.c_int, ctypes.c_void_p]
        self.rate, self.pcm = rate, ctypes.c_void_p()
        plugin = os.environ.get("DRENSOLK_PIPEWIRE_ALSA_PLUGIN")
        if plugin:
            conf = ('pcm_type.pipewire { lib "%s" } pcm.meter { type pipewire playback_node "-1" capture_node "-1" }'
                    % plugin).encode()
            cfg, text = ctypes.c_void_p(), ctypes.c_void_p()
            al.snd_config_top(ctypes.byref(cfg))
            al.snd_input_buffer_open(ctypes.byref(text), conf, len(conf))
            al.snd_config_load(cfg, text)
            al.snd_input_close(text)
            opened = al.snd_pcm_open_lconf(ctypes.byref(self.pcm), b"meter", 0, 0, cfg)
        else:
            opened = al.snd_pcm_open(ctypes.byref(self.pcm), b"pipewire", 0, 0)
        if opened < 0:
            raise OSError("cannot open a PipeWire stream through ALSA (error %d): is PipeWire running, and"
                          " DRENSOLK_PIPEWIRE_ALSA_PLUGIN set or pipewire-alsa installed?" % opened)
        # SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, stereo, no
        # resampling in ALSA. 200 ms: with 30 the stream underran at a
        # 1024 quantum (21 ms); with 100 the delay swung by +-9 ms at 2048.
        if al.snd_pcm_set_params(self.pcm, 2, 3, 2, rate, 0, 200000) < 0:
            raise OSError("ALSA's pipewire device refused 16-bit stereo at %d Hz" % rate)

    def write(self, data):
        frames = len(data) // 4
        while frames:
            n = self.al.snd_pcm_writei(self.pcm, data, frames)  # blocking: never -EAGAIN
            if n < 0:
                if self.al.snd_pcm_recover(self.pcm, n, 1) < 0:
                    raise OSError("ALSA's pipewire device failed (error %d)" % n)
                continue
            data, frames = data[n * 4:], frames - n

    def delay(self):
        d = ctypes.c_long(0)
        self.al.snd_pcm_delay(self.pcm, ctypes.byref(d))
        return d.value / self.rate

    def close(self):
        self.al.snd_pcm_drain(self.pcm)
        self.al.snd_pcm_close(self.pcm)


def open_output(kind, rate, name):
    """The sound output the flashes or frames are timed by: "pulse" or
    "pipewire"."""
    return (PipeWireOutput if kind == "pipewire" else PulseOutput)(rate, name)


def add_output_option(parser):
    """--output: what the flashes or frames are timed by."""
    parser.add_argument("--output", choices=("pulse", "pipewire"), default="pulse",
                        help="a PulseAudio stream, or a native PipeWire one through pipewire-alsa")


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
    parser = argparse.ArgumentParser(description="Flashes and clicks that calibrate the live sync meter.")
    add_output_option(parser)
    parser.add_argument("rate", type=int)
    parser.add_argument("count", type=int)
    # Not a multiple of a 60 Hz frame, so the flashes fall at every phase of
    # the recorder's frame grabs and its rounding averages out.
    parser.add_argument("period", type=float, nargs="?", default=0.4537, help="seconds between clicks")
    args = parser.parse_args()
    kind, rate, count, period = args.output, args.rate, args.count, args.period

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

    try:
        out = open_output(kind, rate, "drensolk-flash-click")
    except OSError as e:
        print("flash_click: %s" % e, file=sys.stderr)
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
            out.write(bytes(audio[written * 4: (written + n) * 4]))
            written += n
            if k < count and clicks[k] < written:
                # The server holds everything up to `written`: the last sample
                # plays in `delay`, the click that many samples earlier.
                due.put((k, time.monotonic() + out.delay() - (written - clicks[k]) / rate))
                k += 1
    finally:
        due.put(None)
        t.join()
    out.close()
    x.XDestroyWindow(dpy, win)
    x.XCloseDisplay(dpy)
    return 0


if __name__ == "__main__":
    sys.exit(main())
