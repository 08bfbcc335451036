#!/usr/bin/env python3
"""Replays a capture of the demo through the real servers with a known
offset, so the live sync meter can be checked on the demo's own pictures and
sound: it must read that offset back.

The capture's music (its audio.wav from the first music frame on) plays on
the default sink; its frames are shown on the X screen, each as soon as the
sound the server says it is playing reaches that frame's sample plus
SHIFT_MS (and a known fraction of a frame: shown_samples()). Positive
SHIFT_MS: the pictures come after the sound. Each frame is scaled ahead and
put up at its due time; the median of how late the X server finished it is
printed at the end ("replay lateness"), for the analysis to add to the
shift. Where the sound is comes from the output's delay as the server
reports it after every 5 ms write (as in flash_click.py, with the same
--output), not from any clock of the demo's.

Usage: replay_capture.py [--output pulse|pipewire] RATE CAPTURE_DIR SHIFT_MS [SECONDS]
CAPTURE_DIR holds drensolk-capture --png output (frame_NNNNNN.png,
audio.wav, frames.tsv). DISPLAY and PULSE_SERVER from the environment.
Exits 1 when the display or the server cannot be opened.
"""
import argparse
import ctypes
import os
import subprocess
import sys
import threading
import time
import wave

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import flash_click as fc  # noqa: E402

CHUNK_S = 0.005


def load_capture(directory):
    """Frames (gray, N x H x W), each frame's sample in audio.wav, the
    music's first sample, and the music (stereo float) from there on."""
    rows = [line.split("\t") for line in open(directory + "/frames.tsv").read().split("\n")[1:] if line]
    samples = np.array([int(r[2]) for r in rows])
    music = [int(r[3]) >= 0 for r in rows]
    if True not in music:
        raise SystemExit("replay_capture: no music in %s/frames.tsv" % directory)
    first_frame = music.index(True)
    with wave.open(directory + "/audio.wav") as w:
        wav_rate = w.getframerate()
        audio = np.frombuffer(w.readframes(w.getnframes()), np.int16).reshape(-1, 2)
    probe = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v", "-show_entries", "stream=width,height",
                            "-of", "csv=p=0", directory + "/frame_%06d.png"], capture_output=True, text=True,
                           check=True).stdout.split(",")
    width, height = int(probe[0]), int(probe[1])
    raw = subprocess.run(["ffmpeg", "-v", "error", "-start_number", str(first_frame), "-i",
                          directory + "/frame_%06d.png", "-f", "rawvideo", "-pix_fmt", "gray", "-"],
                         capture_output=True, check=True).stdout
    frames = np.frombuffer(raw, np.uint8).reshape(-1, height, width)
    first = samples[first_frame]
    return frames, samples[first_frame:first_frame + len(frames)], first, wav_rate, audio[first:]


def shown_samples(frame_samples):
    """Where each frame goes up, before the shift: its own sample plus a
    fraction of a frame, drawn at random (the same every run). A recorder
    grabbing at half the capture's rate would otherwise meet the frames at
    one fixed phase for a whole run, seeing every reaction either at once
    or a capture frame late, and the median of the offsets would land on
    one of the two. (A golden-ratio sequence was tried: it comes back to
    the same fraction every 288 frames, 2.4 s, five of the song's kicks.)"""
    step = float(np.median(np.diff(frame_samples))) if len(frame_samples) > 1 else 0.0
    return frame_samples + np.random.default_rng(120).random(len(frame_samples)) * step


def due_frame(frame_samples, heard_sample, shift_samples):
    """Index of the frame to show when the sound heard is at heard_sample:
    the last whose sample plus the shift has been reached; -1 before any."""
    return int(np.searchsorted(frame_samples, heard_sample - shift_samples, side="right")) - 1


def resample(audio, from_rate, to_rate):
    n = int(len(audio) * to_rate / from_rate)
    at = np.arange(n) * from_rate / to_rate
    out = np.empty((n, 2), np.int16)
    for c in range(2):
        out[:, c] = np.interp(at, np.arange(len(audio)), audio[:, c].astype(np.float64)).astype(np.int16)
    return out


def main():
    parser = argparse.ArgumentParser(description="Replays a capture of the demo with a known offset.")
    fc.add_output_option(parser)
    parser.add_argument("rate", type=int)
    parser.add_argument("directory", metavar="capture-dir")
    parser.add_argument("shift_ms", type=float, metavar="shift-ms")
    parser.add_argument("seconds", type=float, nargs="?", default=0, help="replay only this much")
    args = parser.parse_args()
    kind, rate, directory, shift_ms, seconds = args.output, args.rate, args.directory, args.shift_ms, args.seconds
    frames, frame_samples, first, wav_rate, music = load_capture(directory)
    frame_samples = shown_samples(frame_samples)
    if seconds > 0:
        music = music[: int(seconds * wav_rate)]
    sound = resample(music, wav_rate, rate).tobytes()
    total = len(sound) // 4

    x = fc.load_x11()
    x.XDefaultVisual.restype = ctypes.c_void_p
    x.XDefaultVisual.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x.XCreateImage.restype = ctypes.c_void_p
    x.XCreateImage.argtypes = [ctypes.c_void_p, ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_int,
                               ctypes.c_void_p, ctypes.c_uint, ctypes.c_uint, ctypes.c_int, ctypes.c_int]
    x.XPutImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_void_p, ctypes.c_void_p, ctypes.c_int,
                            ctypes.c_int, ctypes.c_int, ctypes.c_int, ctypes.c_uint, ctypes.c_uint]
    dpy = x.XOpenDisplay(None)
    if not dpy:
        print("replay_capture: cannot open the X display", file=sys.stderr)
        return 1
    width, height = x.XDisplayWidth(dpy, 0), x.XDisplayHeight(dpy, 0)
    win = x.XCreateSimpleWindow(dpy, x.XDefaultRootWindow(dpy), 0, 0, width, height, 0, 0, 0)
    gc = x.XCreateGC(dpy, win, 0, None)
    x.XMapWindow(dpy, win)
    x.XSync(dpy, 0)
    # Nearest-pixel magnification of each frame to the screen, as 32-bit grey.
    ys = np.arange(height) * frames.shape[1] // height
    xs = np.arange(width) * frames.shape[2] // width
    whole = height % frames.shape[1] == 0 and width % frames.shape[2] == 0  # np.repeat is faster
    pixels = np.zeros((height, width), np.uint32)
    image = x.XCreateImage(dpy, x.XDefaultVisual(dpy, 0), 24, 2, 0, pixels.ctypes.data, width, height, 32, 0)

    try:
        out = fc.open_output(kind, rate, "drensolk-replay")
    except OSError as e:
        print("replay_capture: %s" % e, file=sys.stderr)
        return 1

    # (monotonic time, capture sample heard then): the writer's latest word
    # from the server; one tuple, replaced whole.
    heard = [None]
    done = [False]
    shift = shift_ms / 1000.0 * wav_rate

    def scaled(k):
        if whole:
            return np.repeat(np.repeat(frames[k], height // frames.shape[1], 0), width // frames.shape[2], 1)
        return frames[k][ys][:, xs]

    # Each frame's lateness: drawn (the X server done with it) minus due.
    late = []

    def shower():
        # The next frame is scaled before it is due and put up at its due
        # time, as flash_click.py puts up a flash, so what the meter should
        # read is the shift plus this small measured lateness.
        k = 0
        grey = scaled(0)
        while not done[0] and k < len(frames):
            h = heard[0]
            if h is None:
                time.sleep(0.0005)
                continue
            at = h[0] + (frame_samples[k] + shift - h[1]) / wav_rate
            now = time.monotonic()
            if now < at - 0.003:
                time.sleep(0.001)
                continue
            while time.monotonic() < at:
                pass
            # After a stall, skip to the newest frame due.
            newest = due_frame(frame_samples, h[1] + (time.monotonic() - h[0]) * wav_rate, shift)
            if newest > k:
                k = newest
                grey = scaled(k)
                at = h[0] + (frame_samples[k] + shift - h[1]) / wav_rate
            np.multiply(grey, 0x010101, out=pixels, dtype=np.uint32)
            x.XPutImage(dpy, win, gc, image, 0, 0, 0, 0, width, height)
            x.XSync(dpy, 0)
            late.append(time.monotonic() - at)
            k += 1
            if k < len(frames):
                grey = scaled(k)

    t = threading.Thread(target=shower)
    t.start()
    chunk = int(rate * CHUNK_S)
    written = 0
    try:
        while written < total:
            n = min(chunk, total - written)
            out.write(sound[written * 4:(written + n) * 4])
            written += n
            playing = written - out.delay() * rate  # sink samples: the one heard now
            heard[0] = (time.monotonic(), first + playing * wav_rate / rate)
        out.close()
    finally:
        done[0] = True
        t.join()
    if late:
        print("replay lateness %.2f ms (median of %d frames, 90%% under %.2f ms)"
              % (np.median(late) * 1e3, len(late), np.percentile(late, 90) * 1e3))
    x.XDestroyWindow(dpy, win)
    x.XCloseDisplay(dpy)
    return 0


if __name__ == "__main__":
    sys.exit(main())
