#!/usr/bin/env python3
"""Figures of the live sync meter (scripts/measure-live-sync.sh) from one
recording of the screen and the sink's monitor.

Usage: analyse_sync.py RECORDING.nut CLICKS.txt RATE [--dump DIR]

Every picture and every audio packet in the recording carries a wall-clock
time. Audio sample times are interpolated between packet times, so the
sink's own clock (hundreds of ppm off the wall clock) does not bend them.

1. Calibration: the first flashes (mean brightness crossing half scale) and
   clicks (onsets of the 2 kHz bursts, found with a first difference that
   the demo's quiet start hardly reaches) in the recording; CLICKS.txt holds
   one line per click with the time it was due and the time its flash was
   drawn. Bias = flash frame time - click time - (drawn - due), median.
2. Kicks: onsets of the low band (the mono sound smoothed twice over 4 ms,
   which keeps roughly below 120 Hz), as 5 ms energies rising 4-fold above
   the mean of the 50 ms before, at least 100 ms apart, above 2% of the
   loudest; of those, the ones with the kick's click (first-difference
   energy 4 times its median within 20 ms), which the rolling bass lacks.
3. Reaction to a kick: the biggest mean absolute change between consecutive
   pictures from 100 ms before to 200 ms after it, if it is at least 1.8
   times the median change of the second around it; else the kick is left
   unmatched. Offset = reaction time - kick time - bias. Positive: the
   picture comes after the sound.
5. Audio gaps: runs of at least 5 ms with every sample below 1/1000 of
   full scale, between the first and the last kick.
"""
import subprocess
import sys

import numpy as np

WIDTH, HEIGHT = 128, 96


def packets(path):
    out = subprocess.run(["ffprobe", "-v", "error", "-show_entries", "packet=stream_index,pts_time,size", "-of",
                          "csv=p=0", path], capture_output=True, text=True, check=True).stdout
    video, audio = [], []
    for line in out.split():
        stream, pts, size = line.split(",")
        (video if stream == "0" else audio).append((float(pts), int(size)))
    return np.array(video), np.array(audio)


def decode(path):
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-map", "0:v", "-f", "rawvideo", "-pix_fmt", "gray",
                          "-fps_mode", "passthrough", "-"], capture_output=True, check=True).stdout
    frames = np.frombuffer(raw, np.uint8).reshape(-1, HEIGHT, WIDTH).astype(np.float32)
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-map", "0:a", "-f", "s16le", "-"],
                         capture_output=True, check=True).stdout
    sound = np.frombuffer(raw, np.int16).reshape(-1, 2).astype(np.float32).mean(axis=1) / 32768
    return frames, sound


def sample_times(audio_packets, count):
    """Wall time of every sample: packet times at packet starts, linear between."""
    starts = np.concatenate([[0], np.cumsum(audio_packets[:, 1] // 4)[:-1]])
    last_span = (audio_packets[-1, 1] // 4)
    ends = np.append(starts, starts[-1] + last_span)
    rate_guess = np.median(np.diff(starts) / np.maximum(np.diff(audio_packets[:, 0]), 1e-6))
    times = np.append(audio_packets[:, 0], audio_packets[-1, 0] + last_span / rate_guess)
    return np.interp(np.arange(count), ends, times)


def onsets(energy, hop_s, ratio, floor, spacing_s, history=10):
    """Indices where energy rises `ratio` times above the mean of the
    `history` values before, above `floor`, at least `spacing_s` apart."""
    found, last = [], -1e9
    csum = np.concatenate([[0], np.cumsum(energy)])
    for i in range(history, len(energy)):
        before = (csum[i - 1] - csum[i - 1 - history + 1]) / (history - 1)
        if energy[i] > floor and energy[i] > ratio * before and (i - last) * hop_s >= spacing_s:
            found.append(i)
            last = i
    return np.array(found, dtype=int)


def frame_energy(signal, hop):
    n = len(signal) // hop
    return (signal[: n * hop].reshape(n, hop) ** 2).mean(axis=1)


def calibrate(frames, frame_t, sound, sample_t, rate, clicks):
    brightness = frames.mean(axis=(1, 2))
    lit = np.where((brightness[1:] > 128) & (brightness[:-1] <= 128))[0] + 1
    lateness = np.array([c[2] - c[1] for c in clicks])
    n = len(clicks)
    if len(lit) < n:
        raise SystemExit("analyse_sync: found %d flashes of %d" % (len(lit), n))
    flash_t = frame_t[lit[:n]]
    # The clicks lie before the demo starts: search up to the last flash.
    end = np.searchsorted(sample_t, flash_t[-1] + 0.5)
    hop = rate // 1000
    e = frame_energy(np.diff(sound[:end]), hop)
    found = onsets(e, 0.001, 20, 1e-4, 0.2)
    if len(found) < n:
        raise SystemExit("analyse_sync: found %d clicks of %d" % (len(found), n))
    # Refine each onset to the first sample of its burst.
    click_t = []
    for i in found[:n]:
        seg = np.abs(sound[(i - 1) * hop:(i + 2) * hop])
        first = (i - 1) * hop + int(np.argmax(seg > 0.05))
        click_t.append(sample_t[first])
    bias = flash_t - np.array(click_t) - lateness
    return bias, flash_t[-1]


def kicks(sound, sample_t, rate, start_t):
    begin = np.searchsorted(sample_t, start_t)
    w = int(rate * 0.004)
    kernel = np.ones(w) / w
    low = np.convolve(np.convolve(sound[begin:], kernel, "same"), kernel, "same")
    hop = int(rate * 0.005)
    e = frame_energy(low, hop)
    found = onsets(e, 0.005, 4, 0.02 * np.percentile(e, 99.5), 0.1)
    # The kick starts with a click the rolling bass lacks: keep the onsets
    # that come with a burst of first-difference energy.
    attack = frame_energy(np.diff(sound[begin:]), hop)
    loud = np.array([attack[i:i + 4].max() for i in found]) if len(found) else np.zeros(0)
    found = found[loud > 4 * np.median(attack)]
    return sample_t[begin + found * hop]


def reactions(frames, frame_t, start_t, kick_t):
    """Per kick: the time of the biggest picture change from 100 ms before to
    200 ms after it, when it stands out of the change around it; else nan."""
    first = np.searchsorted(frame_t, start_t)
    change = np.abs(np.diff(frames[first:], axis=0)).mean(axis=(1, 2))
    t = frame_t[first + 1:]
    found = []
    for k in kick_t:
        lo, hi = np.searchsorted(t, [k - 0.100, k + 0.200])
        around = change[np.searchsorted(t, k - 1.0):np.searchsorted(t, k + 1.0)]
        if hi <= lo or len(around) == 0:
            found.append(np.nan)
            continue
        i = lo + int(np.argmax(change[lo:hi]))
        found.append(t[i] if change[i] > 1.8 * max(np.median(around), 0.05) else np.nan)
    return np.array(found)


def gaps(sound, sample_t, rate, t0, t1):
    a, b = np.searchsorted(sample_t, [t0, t1])
    hop = rate // 1000
    seg = np.abs(sound[a:b])
    n = len(seg) // hop
    quiet = seg[: n * hop].reshape(n, hop).max(axis=1) < 1e-3
    runs, length = [], 0
    for q in np.append(quiet, False):
        if q:
            length += 1
        elif length:
            if length >= 5:
                runs.append(length)
            length = 0
    return runs


def main():
    path, clicks_path, rate = sys.argv[1], sys.argv[2], int(sys.argv[3])
    clicks = [tuple(float(v) for v in line.split()) for line in open(clicks_path) if line.strip()]
    video, audio = packets(path)
    frames, sound = decode(path)
    frame_t = video[: len(frames), 0]
    sample_t = sample_times(audio, len(sound))

    bias, calibration_end = calibrate(frames, frame_t, sound, sample_t, rate, clicks)
    b = float(np.median(bias))
    print("recorder bias %.1f ms (flash minus click, %d pairs, spread %.1f..%.1f ms): subtracted"
          % (b * 1e3, len(bias), bias.min() * 1e3, bias.max() * 1e3))

    start = calibration_end + 0.3
    kick_t = kicks(sound, sample_t, rate, start)
    if len(kick_t) < 2:
        raise SystemExit("analyse_sync: no kicks found after the calibration")
    reaction_t = reactions(frames, frame_t, start, kick_t)
    matched = ~np.isnan(reaction_t)
    offsets = (reaction_t[matched] - kick_t[matched] - b) * 1e3
    at = kick_t[matched] - kick_t[0]
    print("kicks %d, matched to a picture reaction %d" % (len(kick_t), len(offsets)))
    print("song time   kicks  offset ms: median    p10    p90")
    for lo in np.arange(0, at.max() + 1e-9, 10.0):
        sel = (at >= lo) & (at < lo + 10)
        if sel.sum() == 0:
            continue
        o = offsets[sel]
        print("%4.0f-%-4.0f s  %5d  %17.1f %6.1f %6.1f"
              % (lo, lo + 10, sel.sum(), np.median(o), np.percentile(o, 10), np.percentile(o, 90)))
    if len(at) >= 2:
        slope, _ = np.polyfit(at, offsets, 1)
        print("drift %+.3f ms per second (line fitted to %d offsets over %.0f s)" % (slope, len(at), at.max()))
    runs = gaps(sound, sample_t, rate, kick_t[0], kick_t[-1])
    if runs:
        print("audio gaps: %d, longest %d ms, %d of 10 ms or more, %d ms in all"
              % (len(runs), max(runs), sum(r >= 10 for r in runs), sum(runs)))
    else:
        print("audio gaps: none (no run of 5 ms or more below 1/1000 of full scale)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
