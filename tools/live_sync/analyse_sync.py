#!/usr/bin/env python3
"""Figures of the live sync meter (scripts/measure-live-sync.sh) from one
recording of the screen and the sink's monitor.

Usage: analyse_sync.py RECORDING.nut CLICKS.txt RATE CAPTURE_DIR EVENTS.tsv [--expect MS]
    [--after CLICKS.txt [--steady-sink]]

CAPTURE_DIR and EVENTS.tsv come from one capture of the same build
(`drensolk-capture --png CAPTURE_DIR --fps 10 --events EVENTS.tsv`): its
audio.wav is the song exactly as the player core renders it, its frames.tsv
says where the music starts in it, and the events give every kick (trigger
of instrument 1) to the sample.

Every picture and every audio packet in the recording carries a wall-clock
time, but the audio packets' times are not used: through pipewire-pulse
they wander by up to 60 ms within seconds, as its latency reports do. A
sample's time is its place in the recording at the nominal rate from one
anchor (the median of packet time less packet place). The anchor's error is
a constant, and the sink's clock against the wall clock (50 to 240 ppm fast on
PulseAudio's null sink here, none on PipeWire's) a line: the calibrations
before and after the subject take both off with the rest of the recorder's
bias (1. below).

1. Calibration: the first flashes (mean brightness crossing half scale) and
   clicks (onsets of the 2 kHz bursts, found with a first difference that
   the demo's quiet start hardly reaches) in the recording; CLICKS.txt holds
   one line per click with the time it was due and the time its flash was
   drawn. Bias = flash frame time - click time - (drawn - due), median.
   With --after CLICKS.txt, the same again from the first flash after the
   subject; the bias then goes as a line from one calibration's middle to
   the other's, or with --steady-sink (a sink at the nominal rate) stays
   the first and the second only checks it.
2. Where the song sounds in the recording: the RMS envelopes (5 ms, on a
   0.5 ms grid) of the capture's music and of the recorded sound are
   correlated in 3 s windows every 1 s of song, each searched 1 s either
   side of the last one's place (normalised correlation at least 0.8, else
   the window is dropped). The slope between neighbouring windows is the
   music's pace against the sink's samples; a step
   between them over 3 ms is a jump (a dropout, or the sound resuming late).
3. Kicks: each kick's song time, placed by correlating half a second of
   envelope from 20 ms before it, 60 ms either side of its window's place;
   that gives its sample in the recording and so its wall time. Kicks whose
   half second or first 170 ms score under 0.8, or whose two places differ
   by over 2 ms (a dropout inside), are left out.
4. Reaction to a kick: the first picture from 50 ms before (kick + bias) to
   250 ms after it whose mean absolute change from the one before is at
   least 1.8 times the median change of the second around it (and 0.5 grey
   levels); else the kick is left unmatched (a scene with no beat layer).
   Offset = reaction time - kick time - bias. Positive: the picture comes
   after the sound. Drift: a line through the offsets (outliers past three
   median absolute deviations dropped), and one slope with an intercept per
   stretch between the sound's jumps (a dropout moves the sound, not the
   pictures, so it shifts the offsets without being drift).
With --expect MS the recording is of replay_capture.py showing CAPTURE_DIR's
own frames (at a high frame rate) shifted by MS: each kick's true offset is
MS plus how long after the kick the capture's own frames react (the same
reaction rule on the capture's frames and times), and the meter's offsets
are compared with that.

5. Audio gaps: runs of at least 5 ms with every sample below 1/1000 of
   full scale, from the first kick to the last matched window, where the
   capture's music is not silent.
"""
import argparse
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


def sample_times(audio_packets, count, rate):
    """Wall time of every sample: its place at the nominal rate from the
    median anchor; and how far the packet times stray from that (p5, p95)."""
    starts = np.concatenate([[0], np.cumsum(audio_packets[:, 1] // 4)[:-1]])
    stray = audio_packets[:, 0] - starts / rate
    anchor = float(np.median(stray))
    return anchor + np.arange(count) / rate, np.percentile(stray - anchor, [5, 95])


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


def calibrate(frames, frame_t, sound, sample_t, rate, clicks, from_t=-np.inf):
    """Flash time minus click time less the flash's own lateness, per pair,
    for the first len(clicks) pairs from wall time from_t on; and the last
    flash's time."""
    brightness = frames.mean(axis=(1, 2))
    lit = np.where((brightness[1:] > 128) & (brightness[:-1] <= 128) & (frame_t[1:] >= from_t))[0] + 1
    lateness = np.array([c[2] - c[1] for c in clicks])
    n = len(clicks)
    if len(lit) < n:
        raise SystemExit("analyse_sync: found %d flashes of %d" % (len(lit), n))
    flash_t = frame_t[lit[:n]]
    # The clicks lie outside the subject's run: search from from_t up to
    # the last flash.
    begin, end = np.searchsorted(sample_t, [from_t, flash_t[-1] + 0.5])
    hop = rate // 1000
    e = frame_energy(np.diff(sound[begin:end]), hop)
    found = onsets(e, 0.001, 20, 1e-4, 0.2)
    if len(found) < n:
        raise SystemExit("analyse_sync: found %d clicks of %d" % (len(found), n))
    # Refine each onset to the first sample of its burst.
    click_t = []
    for i in found[:n]:
        seg = np.abs(sound[begin + (i - 1) * hop:begin + (i + 2) * hop])
        first = begin + (i - 1) * hop + int(np.argmax(seg > 0.05))
        click_t.append(sample_t[first])
    bias = flash_t - np.array(click_t) - lateness
    return bias, flash_t[-1]


def read_capture(directory, events_path):
    """The capture's music (mono, from its first sample) and its kick times
    in song seconds (instrument 1's triggers in the events TSV)."""
    import wave
    with wave.open(directory + "/audio.wav") as w:
        rate = w.getframerate()
        music = np.frombuffer(w.readframes(w.getnframes()), np.int16).reshape(-1, 2).astype(np.float32)
    first = None
    for line in open(directory + "/frames.tsv").read().split("\n")[1:]:
        f = line.split("\t")
        if len(f) >= 4 and int(f[3]) >= 0:
            first = int(f[2])
            break
    if first is None:
        raise SystemExit("analyse_sync: no music in %s/frames.tsv" % directory)
    kick_s = []
    for line in open(events_path).read().split("\n")[1:]:
        f = line.split("\t")
        if len(f) >= 6 and f[4] == "trigger" and f[5] == "1":
            kick_s.append(int(f[0]) / rate)
    return music[first:].mean(axis=1) / 32768, rate, np.array(kick_s)


STEP = 0.0005  # envelope grid, seconds


def envelope(signal, rate):
    """RMS over 5 ms on a 0.5 ms grid (index k = time k * STEP)."""
    n = int(round(rate * 0.005))
    c = np.concatenate([[0], np.cumsum(signal.astype(np.float64) ** 2)])
    e = np.sqrt(np.maximum((c[n:] - c[:-n]) / n, 0))
    pos = np.arange(0, (len(e) - 1) / rate, STEP) * rate + n / 2
    return np.interp(pos, np.arange(len(e)), e)


def best_lag(template, seg):
    """Lag (fractional) of template in seg with the highest normalised
    correlation, and that correlation."""
    w = len(template)
    t = template - template.mean()
    size = 1 << int(np.ceil(np.log2(len(seg) + w)))
    xc = np.fft.irfft(np.fft.rfft(seg, size) * np.conj(np.fft.rfft(t, size)), size)[: len(seg) - w + 1]
    c1 = np.concatenate([[0], np.cumsum(seg)])
    c2 = np.concatenate([[0], np.cumsum(seg * seg)])
    var = (c2[w:] - c2[:-w]) - (c1[w:] - c1[:-w]) ** 2 / w
    ncc = xc / np.sqrt(np.maximum(var, 1e-20) * max((t * t).sum(), 1e-20))
    i = int(np.argmax(ncc))
    frac = 0.0
    if 0 < i < len(ncc) - 1:
        y0, y1, y2 = ncc[i - 1:i + 2]
        if y0 - 2 * y1 + y2 < 0:
            frac = 0.5 * (y0 - y2) / (y0 - 2 * y1 + y2)
    return i + frac, float(ncc[i])


def song_map(es, er, rate, start_index):
    """Where the song sounds in the recording: for windows of 3 s every 1 s of
    song, (song seconds at the window's middle, recording seconds = sample
    index / rate at the same point, correlation). The recording's envelope is
    searched 1 s either side of the last window's place (the first window:
    anywhere in the first 60 s after start_index), so gaps and jumps of any
    length under a second are followed; one beat's shift (0.48 s) scores far
    lower than the true place. Windows under 0.8 are dropped."""
    win, hop, search = int(3.0 / STEP), int(1.0 / STEP), int(1.0 / STEP)
    k0 = int(start_index / rate / STEP)
    lag, score = best_lag(es[:win], er[k0:k0 + int(60 / STEP)])
    place = k0 + lag  # recording grid index of the window's first point
    found = []
    for k in range(0, len(es) - win, hop):
        lo = max(0, int(place) - search)
        seg = er[lo:lo + win + 2 * search]
        if len(seg) < win + 1:
            break
        lag, score = best_lag(es[k:k + win], seg)
        if score >= 0.8:
            place = lo + lag
            found.append(((k + win / 2) * STEP, (place + win / 2) * STEP, score))
        place += hop
    return np.array(found)


def kick_sounds(kick_s, es, er, mapping):
    """Recording seconds (sample index / rate) of each kick: half a second of
    envelope from 20 ms before it (the kick's onset and what follows, so a
    dropout just before it does not pull it), searched 60 ms either side of
    the nearest window's place; nan where it or its first 170 ms score under
    0.8, where the two disagree by over 2 ms (a dropout inside it), or where
    it lies outside the mapped song."""
    length, before, reach = int(0.5 / STEP), 0.02, int(0.06 / STEP)
    out = []
    for s in kick_s:
        if s < mapping[0, 0] - 2 or s > mapping[-1, 0] + 2:
            out.append(np.nan)
            continue
        i = int(np.argmin(np.abs(mapping[:, 0] - s)))
        guess = mapping[i, 1] + (s - mapping[i, 0])
        k = int(round(max(0.0, s - before) / STEP))
        if k + length > len(es):
            out.append(np.nan)
            continue
        lo = int(round((guess - (s - k * STEP)) / STEP)) - reach
        if lo < 0 or lo + length + 2 * reach > len(er):
            out.append(np.nan)
            continue
        lag, score = best_lag(es[k:k + length], er[lo:lo + length + 2 * reach])
        # The onset alone (170 ms) must agree: a dropout inside the half
        # second can pull the long template by its length.
        short = int(0.17 / STEP)
        lag_short, score_short = best_lag(es[k:k + short], er[lo:lo + short + 2 * reach])
        agree = abs(lag - lag_short) * STEP <= 0.002
        out.append((lo + lag) * STEP + (s - k * STEP) if score >= 0.8 and score_short >= 0.8 and agree else np.nan)
    return np.array(out)


def reactions(frames, frame_t, start_t, kick_t, bias):
    """Per kick: the first picture from 50 ms before (kick + bias) to 250 ms
    after it whose change from the one before is a spike (at least 1.8 times
    the median change of the second around it, and at least 0.5 grey levels);
    else nan. bias: one for all kicks, or one per kick."""
    first = np.searchsorted(frame_t, start_t)
    change = np.abs(np.diff(frames[first:], axis=0)).mean(axis=(1, 2))
    t = frame_t[first + 1:]
    found = []
    for k, b in zip(kick_t, np.broadcast_to(bias, np.shape(kick_t))):
        if np.isnan(k):
            found.append(np.nan)
            continue
        lo, hi = np.searchsorted(t, [k + b - 0.050, k + b + 0.250])
        around = change[np.searchsorted(t, k - 1.0):np.searchsorted(t, k + 1.0)]
        level = max(1.8 * np.median(around), 0.5) if len(around) else np.inf
        hit = np.nonzero(change[lo:hi] >= level)[0]
        found.append(t[lo + hit[0]] if len(hit) else np.nan)
    return np.array(found)


def silent_runs(sound, a, b, hop):
    """(length, end) in 1 ms steps from sample a of each run of at least 5 ms
    with every sample below 1/1000 of full scale, up to sample b."""
    seg = np.abs(sound[a:b])
    n = len(seg) // hop
    quiet = seg[: n * hop].reshape(n, hop).max(axis=1) < 1e-3
    runs, length = [], 0
    for i, q in enumerate(np.append(quiet, False)):
        if q:
            length += 1
        elif length:
            if length >= 5:
                runs.append((length, i))
            length = 0
    return runs


def robust_line(x, y):
    """Least-squares line through the points within 3 median absolute
    deviations of a first fit."""
    p = np.polyfit(x, y, 1)
    r = y - np.polyval(p, x)
    keep = np.abs(r - np.median(r)) <= 3 * max(np.median(np.abs(r - np.median(r))), 1e-9)
    return np.polyfit(x[keep], y[keep], 1), int(keep.sum())


def reaction_lags(frames, frame_t, kick_s):
    """Per kick (song seconds): how long after it frames at song times
    frame_t react, by the rule of reactions(); nan where they do not."""
    return reactions(frames.astype(np.float32), frame_t, frame_t[0], kick_s, 0.0) - kick_s


def capture_lags(capture_dir, kick_s):
    """reaction_lags of the frames of a replay's capture, at the times the
    replay shows them (before its shift)."""
    import replay_capture
    frames, frame_samples, first, wav_rate, _ = replay_capture.load_capture(capture_dir)
    return reaction_lags(frames, (replay_capture.shown_samples(frame_samples) - first) / wav_rate, kick_s)


def read_back(offsets_ms, expected_ms):
    """Median error of the meter's offsets against the known ones (kicks
    where both exist), and how many kicks were compared."""
    ok = ~np.isnan(expected_ms)
    err = offsets_ms[ok] - expected_ms[ok]
    return float(np.median(err)), int(ok.sum())


def main():
    parser = argparse.ArgumentParser(description="Figures of the live sync meter from one recording.")
    parser.add_argument("recording")
    parser.add_argument("clicks_path", metavar="clicks")
    parser.add_argument("rate", type=int)
    parser.add_argument("capture_dir", metavar="capture-dir")
    parser.add_argument("events_path", metavar="events")
    parser.add_argument("--expect", type=float, metavar="MS", help="the replay's known offset")
    parser.add_argument("--after", metavar="CLICKS", help="the calibration after the subject")
    parser.add_argument("--steady-sink", action="store_true", help="the sink keeps the nominal rate")
    opts = parser.parse_args()
    path, clicks_path, rate = opts.recording, opts.clicks_path, opts.rate
    capture_dir, events_path = opts.capture_dir, opts.events_path
    expect, after_path, steady_sink = opts.expect, opts.after, opts.steady_sink
    clicks = [tuple(float(v) for v in line.split()) for line in open(clicks_path) if line.strip()]
    video, audio = packets(path)
    frames, sound = decode(path)
    frame_t = video[: len(frames), 0]
    sample_t, stray = sample_times(audio, len(sound), rate)
    print("recorder's audio packet times against the sink's samples: %+.1f..%+.1f ms (p5..p95), not used"
          % (stray[0] * 1e3, stray[1] * 1e3))
    music, music_rate, kick_s = read_capture(capture_dir, events_path)

    bias, calibration_end = calibrate(frames, frame_t, sound, sample_t, rate, clicks)
    b = float(np.median(bias))
    print("recorder bias %.1f ms (flash minus click, %d pairs, spread %.1f..%.1f ms): subtracted"
          % (b * 1e3, len(bias), bias.min() * 1e3, bias.max() * 1e3))
    bias_line = ([0.0, 1.0], [b, b])  # (wall times, biases): np.interp holds the ends
    if after_path:
        # The same calibration after the subject. The bias moves between the
        # two as the sink's clock runs against the wall clock: PulseAudio's
        # null sink by 50 to 240 ppm fast here, so it is taken off as a line from
        # one to the other. PipeWire's null sink keeps the nominal rate
        # (--steady-sink; the two agreed within about 1 ms in every run at one
        # quantum), so there a move means the recorder or the flashes slipped
        # (a quantum change did, by a quantum), and it is only a check. The
        # clicks' monotonic times become wall times through the last flash
        # (within a frame).
        after = [tuple(float(v) for v in line.split()) for line in open(after_path) if line.strip()]
        from_t = after[0][1] + (calibration_end - clicks[-1][2]) - 0.3
        bias_after, after_end = calibrate(frames, frame_t, sound, sample_t, rate, after, from_t)
        b_after = float(np.median(bias_after))
        # Each calibration's middle, in wall time.
        at = [calibration_end - (clicks[-1][1] - clicks[len(clicks) // 2][1]),
              after_end - (after[-1][1] - after[len(after) // 2][1])]
        moved = b_after - b
        print("recorder bias after the subject %.1f ms (%d pairs, spread %.1f..%.1f ms): it moved %+.1f ms in %.0f s"
              % (b_after * 1e3, len(bias_after), bias_after.min() * 1e3, bias_after.max() * 1e3, moved * 1e3,
                 at[1] - at[0]))
        if steady_sink:
            print("the sink keeps the nominal rate: the first bias is taken off; the move is a slip, %s"
                  % ("steady" if abs(moved) <= 0.003 else "NOT steady: the figures are good to that much"))
        else:
            print("the sink plays %+.0f ppm fast against the wall clock: the bias is taken off as a line between"
                  " the two" % (-moved / (at[1] - at[0]) * 1e6))
            bias_line = (at, [b, b_after])

    start = calibration_end + 0.3
    index = np.arange(len(sample_t))
    es, er = envelope(music, music_rate), envelope(sound, rate)
    mapping = song_map(es, er, rate, int(np.searchsorted(sample_t, start)))
    if len(mapping) < 10:
        raise SystemExit("analyse_sync: the recording does not match the capture's music")
    wall = np.interp(mapping[:, 1] * rate, index, sample_t)
    # The music's pace: the median slope between neighbouring windows, which
    # jumps (gaps) do not bend.
    ds = np.diff(mapping[:, 0])
    pace = float(np.median(np.diff(wall) / ds))
    print("music vs capture: %d of %d s of song matched; it plays %+.0f ppm against the sink's samples"
          " (positive: fast)" % (len(mapping), int(len(music) / music_rate), (1 / pace - 1) * 1e6))
    lead = (wall - mapping[:, 0] * pace) * 1e3
    steps = np.diff(lead)
    jump_at = [i + 1 for i in range(len(steps)) if abs(steps[i]) > 3]
    print("sound's place against the song at that pace: %+.1f ms after %.0f s; jumps of over 3 ms"
          " between 1 s windows: %s"
          % (lead[-1] - lead[0], mapping[-1, 0] - mapping[0, 0],
             ", ".join("%+.0f ms at %.0f s" % (steps[i - 1], mapping[i, 0]) for i in jump_at) if jump_at
             else "none"))
    # Song seconds where a jump happened: the drift between them is fitted
    # with one intercept per stretch.
    jump_s = np.array([mapping[i, 0] - 0.5 for i in jump_at])

    kick_rec = kick_sounds(kick_s, es, er, mapping)
    kick_t = np.where(np.isnan(kick_rec), np.nan, np.interp(np.nan_to_num(kick_rec) * rate, index, sample_t))
    kick_bias = np.interp(np.nan_to_num(kick_t), *bias_line)
    reaction_t = reactions(frames, frame_t, start, kick_t, kick_bias)
    matched = ~np.isnan(reaction_t)
    offsets = (reaction_t[matched] - kick_t[matched] - kick_bias[matched]) * 1e3
    at = kick_s[matched]
    print("kicks in the song %d, placed in the recording %d, matched to a picture reaction %d"
          % (len(kick_s), int((~np.isnan(kick_t)).sum()), len(offsets)))
    if len(offsets) < 2:
        raise SystemExit("analyse_sync: too few kicks matched")
    print("song time   kicks  offset ms: median    p10    p90")
    for lo in np.arange(0, kick_s.max() + 1e-9, 10.0):
        sel = (at >= lo) & (at < lo + 10)
        total = int(((kick_s >= lo) & (kick_s < lo + 10)).sum())
        if sel.sum() == 0:
            print("%4.0f-%-4.0f s  %2d/%-2d" % (lo, lo + 10, 0, total))
            continue
        o = offsets[sel]
        print("%4.0f-%-4.0f s  %2d/%-2d  %17.1f %6.1f %6.1f"
              % (lo, lo + 10, sel.sum(), total, np.median(o), np.percentile(o, 10), np.percentile(o, 90)))
    if expect is not None:
        lags = capture_lags(capture_dir, kick_s)[matched] * 1e3
        error, compared = read_back(offsets, expect + lags)
        print("known offset %+.1f ms, with the capture's own reaction %+.1f ms (median); the meter read %+.1f ms;"
              " median error %+.1f ms over %d kicks: %s"
              % (expect, expect + np.nanmedian(lags), np.median(offsets), error, compared,
                 "within 3 ms" if abs(error) <= 3 else "NOT within 3 ms"))
    (slope, _), kept = robust_line(at, offsets)
    print("drift %+.3f ms per second (line fitted to %d of %d offsets over %.0f s of song)"
          % (slope, kept, len(offsets), at.max() - at.min()))
    if len(jump_s):
        stretch = np.searchsorted(jump_s, at)
        cols = [at] + [(stretch == j).astype(float) for j in np.unique(stretch)]
        coef, *_ = np.linalg.lstsq(np.array(cols).T, offsets, rcond=None)
        resid = offsets - np.array(cols).T @ coef
        keep = np.abs(resid - np.median(resid)) <= 3 * max(np.median(np.abs(resid - np.median(resid))), 1e-9)
        coef, *_ = np.linalg.lstsq(np.array(cols).T[keep], offsets[keep], rcond=None)
        print("drift between the sound's jumps %+.3f ms per second (one slope, an intercept for each of"
              " %d stretches, %d offsets)" % (coef[0], len(cols) - 1, int(keep.sum())))

    # Gaps: near-silence in the recording while the capture's music sounds.
    first_t, last_t = np.nanmin(kick_t), wall[-1]
    a = np.searchsorted(sample_t, first_t)
    hop = rate // 1000
    runs = []
    for length, end_ms in silent_runs(sound, a, np.searchsorted(sample_t, last_t), hop):
        mid_rec = (a + (end_ms - length / 2) * hop) / rate
        song = np.interp(mid_rec, mapping[:, 1], mapping[:, 0])
        i = int(song * music_rate)
        if 0 <= i < len(music) and np.abs(music[max(0, i - music_rate // 100):i + music_rate // 100]).max() > 1e-3:
            runs.append(length)
    if runs:
        print("audio gaps: %d, longest %d ms, %d of 10 ms or more, %d ms in all"
              % (len(runs), max(runs), sum(r >= 10 for r in runs), sum(runs)))
    else:
        print("audio gaps: none (no run of 5 ms or more below 1/1000 of full scale where the music sounds)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
