#!/usr/bin/env python3
"""The sync meter's analysis (tools/live_sync/analyse_sync.py) on synthetic
recordings whose truth is known: a song of decaying noise bursts at random
times, played back resampled, fast against the recorder and with a dropout.
The meter's own check in short: a busy 120 fps "capture" replayed as
tools/live_sync/replay_capture.py does (each frame shown when the sound
reaches it plus a shift), grabbed at 60 fps, must read -30, 0 and +30 ms
back within 3 ms."""
import os
import sys
import unittest

import numpy as np

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "live_sync"))
import analyse_sync as a  # noqa: E402
import replay_capture as rc  # noqa: E402

SONG_RATE, REC_RATE = 32000, 44100
LEAD_IN = 5.0  # recording seconds before the song's first sample
FAST = 1000e-6  # the song plays this much fast against the recorder
GAP_AT, GAP = 20.0, 0.060  # song seconds, and how long the sound stops there


def song(seconds=40.0, seed=1, grid=None):
    """Bursts at random times, or every `grid` seconds (kicks on rows, as a
    tracker plays them), each at a random level."""
    rng = np.random.default_rng(seed)
    music = np.zeros(int(seconds * SONG_RATE), np.float32)
    if grid:
        starts = np.arange(0.1, seconds - 0.3, grid)
    else:
        starts = np.sort(rng.uniform(0, seconds - 0.3, int(seconds * 6)))
    decay = np.exp(-np.arange(int(0.2 * SONG_RATE)) / (0.03 * SONG_RATE))
    for s in starts:
        i = int(s * SONG_RATE)
        burst = rng.normal(0, rng.uniform(0.05, 0.3), len(decay)) * decay
        music[i:i + len(burst)] += burst[: len(music) - i]
    return music, starts


def recorded_at(song_s, fast=FAST):
    """Recording seconds where song time song_s sounds."""
    t = song_s / (1 + fast) + LEAD_IN
    return np.where(song_s > GAP_AT, t + GAP, t)


def recording(music, fast=FAST):
    t = np.arange(int((len(music) / SONG_RATE + LEAD_IN + 2) * REC_RATE)) / REC_RATE
    s = (t - LEAD_IN) * (1 + fast)
    gap_start = GAP_AT / (1 + fast) + LEAD_IN
    s = np.where(t >= gap_start + GAP, (t - GAP - LEAD_IN) * (1 + fast), s)
    sound = np.interp(s * SONG_RATE, np.arange(len(music)), music, left=0, right=0)
    sound[(t >= gap_start) & (t < gap_start + GAP)] = 0
    return sound.astype(np.float32)


class SongMapTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.music, cls.kicks = song()
        cls.sound = recording(cls.music)
        cls.es = a.envelope(cls.music, SONG_RATE)
        cls.er = a.envelope(cls.sound, REC_RATE)
        cls.mapping = a.song_map(cls.es, cls.er, REC_RATE, int(1.0 * REC_RATE))

    def test_windows_follow_the_song_through_the_dropout(self):
        m = self.mapping
        self.assertGreater(len(m), 30)
        # Windows straddling the gap score low and are dropped; the rest land
        # where the song sounds (within the envelope grid).
        err = m[:, 1] - recorded_at(m[:, 0])
        self.assertLess(np.abs(err).max(), 0.002)
        pace = np.median(np.diff(m[:, 1]) / np.diff(m[:, 0]))
        self.assertAlmostEqual((1 / pace - 1) * 1e6, FAST * 1e6, delta=100)

    def test_kicks_are_placed_to_a_fraction_of_a_millisecond(self):
        placed = a.kick_sounds(self.kicks, self.es, self.er, self.mapping)
        ok = ~np.isnan(placed)
        self.assertGreater(ok.sum(), 0.8 * len(self.kicks))
        err = placed[ok] - recorded_at(self.kicks[ok])
        self.assertLess(np.abs(err).max(), 0.001)

    def test_a_recording_of_other_music_places_nothing(self):
        other, _ = song(seed=2)
        er = a.envelope(recording(other), REC_RATE)
        self.assertLess(len(a.song_map(self.es, er, REC_RATE, int(1.0 * REC_RATE))), 5)


class ReactionsTest(unittest.TestCase):
    def test_first_spike_after_the_kick_and_nan_without_one(self):
        frame_t = np.arange(600) / 60.0
        frames = np.zeros((600, 4, 4), np.float32)
        frames += (np.arange(600) % 2)[:, None, None] * 0.2  # steady small flicker
        frames[130:] += 40  # a jump at frame 130 (2.1667 s), kept
        frames[135:] += 40  # a second, bigger one later in the window
        got = a.reactions(frames, frame_t, 0.0, np.array([2.1, 6.0, np.nan]), 0.02)
        self.assertAlmostEqual(got[0], frame_t[130])
        self.assertTrue(np.isnan(got[1]))
        self.assertTrue(np.isnan(got[2]))


class HelpersTest(unittest.TestCase):
    def test_robust_line_ignores_outliers(self):
        x = np.arange(100.0)
        y = 0.7 * x + 3
        y[[5, 50, 90]] += 200
        (slope, icept), kept = a.robust_line(x, y)
        self.assertAlmostEqual(slope, 0.7, places=6)
        self.assertAlmostEqual(icept, 3, places=4)
        self.assertEqual(kept, 97)

    def test_silent_runs_finds_runs_of_five_ms_or_more(self):
        hop = 48
        sound = np.full(48 * 100, 0.5, np.float32)
        sound[hop * 10:hop * 14] = 0  # 4 ms: too short
        sound[hop * 30:hop * 42] = 0  # 12 ms
        self.assertEqual(a.silent_runs(sound, 0, len(sound), hop), [(12, 42)])


class RecorderClockTest(unittest.TestCase):
    """The recorder's timing: samples timed by their place, not by packet
    times that wander; calibrations before and after the subject each find
    their own flashes and clicks."""

    RATE, GRAB_FPS, BIAS = 48000, 60.0, 0.012

    def test_samples_keep_the_sink_clock_when_packet_times_wander(self):
        sizes = np.full(500, 2400 * 4)  # 50 ms packets
        starts = np.concatenate([[0], np.cumsum(sizes // 4)[:-1]]) / self.RATE
        wander = 0.06 * np.sin(2 * np.pi * starts / 12.5)  # as pipewire-pulse's reports do
        times, stray = a.sample_times(np.column_stack([100 + starts + wander, sizes]), 2400 * 500, self.RATE)
        clock = times - np.arange(len(times)) / self.RATE
        self.assertLess(np.ptp(clock), 1e-9)  # one anchor, the nominal rate
        self.assertAlmostEqual(clock[0], 100.0, delta=0.01)
        self.assertLess(stray[0], -0.04)
        self.assertGreater(stray[1], 0.04)

    def test_before_and_after_calibrations_each_read_the_bias(self):
        rate, seconds = self.RATE, 40.0
        sound = np.zeros(int(seconds * rate), np.float32)
        grab_t = np.arange(0, seconds, 1 / self.GRAB_FPS)
        frames = np.zeros((len(grab_t), 2, 2), np.float32)
        burst = 0.8 * np.sin(2 * np.pi * 2000 * np.arange(int(0.003 * rate)) / rate)

        def clicks_at(first, bias):
            out = []
            for k in range(8):
                due = first + k * 0.4537
                i = int(due * rate)
                sound[i:i + len(burst)] = burst
                # The flash goes up `bias` after the click and is grabbed
                # at the next 60 Hz frame; it lasts 100 ms.
                lit = (grab_t >= due + bias) & (grab_t < due + bias + 0.1)
                frames[lit] = 255
                out.append((k, due, due + 0.001))  # drawn 1 ms after due
            return out

        before = clicks_at(1.0, self.BIAS)
        sound[int(8 * rate):int(30 * rate)] = 0.3 * np.sin(np.arange(int(22 * rate)) * 0.01)  # the subject
        after = clicks_at(31.0, self.BIAS + 0.005)
        sample_t = np.arange(len(sound)) / rate
        got, end = a.calibrate(frames, grab_t, sound, sample_t, rate, before)
        self.assertAlmostEqual(end, grab_t[np.searchsorted(grab_t, before[-1][1] + self.BIAS)])
        # Each flash is seen up to one grab late, less the 1 ms drawn late.
        self.assertTrue(np.all((got >= self.BIAS - 0.0015) & (got <= self.BIAS + 1 / self.GRAB_FPS)))
        got_after, _ = a.calibrate(frames, grab_t, sound, sample_t, rate, after, 30.5)
        self.assertAlmostEqual(np.median(got_after) - np.median(got), 0.005, delta=0.004)
        self.assertTrue(np.all(got_after >= self.BIAS + 0.005 - 0.0015))


class KnownOffsetTest(unittest.TestCase):
    """The replay's frames, shifted on purpose, read back through the whole
    analysis: kicks placed by the sound, reactions found in busy frames,
    the recorder's 60 fps grab calibrated as flash_click.py does."""

    CAPTURE_FPS, GRAB_FPS = 120, 60.0

    @classmethod
    def setUpClass(cls):
        # Kicks every 0.48 s, and the song at the recorder's pace: the
        # capture's 120 fps frames and the 60 Hz grabs meet at one phase
        # for the whole run, as they do on a null sink.
        cls.music, cls.kicks = song(grid=0.48)
        es = a.envelope(cls.music, SONG_RATE)
        cls.er = a.envelope(recording(cls.music, fast=0), REC_RATE)
        cls.mapping = a.song_map(es, cls.er, REC_RATE, int(1.0 * REC_RATE))
        cls.kick_rec = a.kick_sounds(cls.kicks, es, cls.er, cls.mapping)
        # The capture: noisy frames (a busy picture) whose level toggles in
        # the first frame at or after each kick.
        rng = np.random.default_rng(3)
        n = int(len(cls.music) / SONG_RATE * cls.CAPTURE_FPS)
        cls.frame_t = np.arange(n) / cls.CAPTURE_FPS
        cls.frame_samples = (cls.frame_t * SONG_RATE).astype(int)
        reacted = np.searchsorted(cls.frame_t, cls.kicks)
        level = np.cumsum(np.bincount(reacted, minlength=n)[:n]) % 2 * 30.0
        cls.frames = rng.uniform(0, 6, (n, 8, 8)).astype(np.float32) + level[:, None, None]
        # The recorder's bias as flash_click.py measures it: flashes at
        # every phase of the 60 Hz grab, each seen at the next grab.
        flashes = 1.0 + np.arange(12) * 0.4537
        cls.bias = float(np.median(np.ceil(flashes * cls.GRAB_FPS) / cls.GRAB_FPS - flashes))

    def read_back(self, shift_ms, grab_phase):
        # What the screen shows at each grab: the last frame whose sample
        # (as the replay shows it) plus the shift the heard sound has reached.
        grab_t = np.arange(0, LEAD_IN + len(self.music) / SONG_RATE, 1 / self.GRAB_FPS) + grab_phase
        heard = np.interp(grab_t, recorded_at(self.frame_t, fast=0), self.frame_t) * SONG_RATE
        heard[grab_t < LEAD_IN] = -1e9
        shown_at = rc.shown_samples(self.frame_samples)
        shown = [rc.due_frame(shown_at, h, shift_ms / 1000 * SONG_RATE) for h in heard]
        grabs = np.array([self.frames[max(k, 0)] if k >= 0 else np.zeros((8, 8), np.float32) for k in shown])
        reaction = a.reactions(grabs, grab_t, LEAD_IN, self.kick_rec, self.bias)
        offsets = (reaction - self.kick_rec - self.bias) * 1e3
        ok = ~np.isnan(offsets)
        expected = shift_ms + a.reaction_lags(self.frames, shown_at / SONG_RATE, self.kicks)[ok] * 1e3
        return a.read_back(offsets[ok], expected)

    def test_shifts_read_back_within_3_ms_at_every_grab_phase(self):
        # The recorder's grabs meet the replay's frames at one phase for a
        # whole run, a different one each run.
        for phase in np.arange(0, 1 / self.GRAB_FPS, 0.002):
            for shift in (-30, 0, 30):
                error, compared = self.read_back(shift, phase)
                self.assertGreater(compared, 0.7 * len(self.kicks), shift)
                self.assertLess(abs(error), 3.0, "shift %d ms at grab phase %.3f s read back %.1f ms off"
                                % (shift, phase, error))

    def test_due_frame_waits_for_the_shifted_sample(self):
        samples = np.array([0, 100, 200, 300])
        self.assertEqual(rc.due_frame(samples, 99, 0), 0)
        self.assertEqual(rc.due_frame(samples, 100, 0), 1)
        self.assertEqual(rc.due_frame(samples, 129, 30), 0)  # shown 30 samples late
        self.assertEqual(rc.due_frame(samples, 130, 30), 1)
        self.assertEqual(rc.due_frame(samples, 70, -30), 1)  # shown early
        self.assertEqual(rc.due_frame(samples, -5, 0), -1)


if __name__ == "__main__":
    unittest.main()
