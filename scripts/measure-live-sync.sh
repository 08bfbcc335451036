#!/usr/bin/env bash
# Live sync meter: how far the pictures are from the music as a viewer sees
# and hears the demo on a real X server and a real audio server. Prints
# figures; it is a benchmark, not a pass/fail test.
#
#   scripts/measure-live-sync.sh [--rate 44100|48000] [--load] [--seconds N]
#       [--server pulseaudio|pipewire] [--driver pulseaudio|pipewire]
#       [--quantum N] [--prove]
#
# --server: the audio server started privately: PulseAudio, or PipeWire with
# WirePlumber and pipewire-pulse in a dbus-run-session of their own (its
# graph forced to --rate, and to --quantum N samples a cycle for the whole
# recording; by default the quantum the demo's stream gets by itself: 2048
# with SDL's native driver, 1024 through pipewire-pulse, and 1024 for
# --prove).
# --driver: SDL's audio driver for the demo (default pulseaudio; on PipeWire
# that goes through pipewire-pulse, "pipewire" is SDL's native one).
# --prove: instead of the demo, replay a 120 fps capture of its first 45 s
# (tools/live_sync/replay_capture.py: its frames on the X server as its
# sound plays, timed by the latency the server reports) shifted by -30, 0
# and +30 ms, and say whether the meter reads each shift back within 3 ms.
# Trust the figures of a setup only after --prove passes on it.
# On PipeWire the flashes and the replay play through a native PipeWire
# stream (pipewire-alsa's plugin), whose delay the graph itself times:
# pipewire-pulse's latency reports wander by 10 to 20 ms within seconds.
# The quantum never changes within a recording: the recorder's stream
# through pipewire-pulse gains or loses about a quantum of samples when it
# does (seen: -14 and +54 ms over two changes). At 256 the native stream's
# delay itself steps by quanta, so the meter cannot be proven there.
#
# What it does, all on servers of its own (Xvfb, and the audio server with a
# null sink at --rate; installed through scripts/install-deps.sh when missing):
#  1. One ffmpeg records the 640x480 screen at 60 fps (scaled down to 128x96
#     grey, enough to see flashes and beat reactions) and the sink's monitor,
#     both stamped with the wall clock (-copyts, no frame dropping or
#     duplication), so every picture and every audio packet has a time.
#  2. Calibration: tools/live_sync/flash_click.py clicks on the sink and
#     flashes the screen white at the instants the server says the clicks
#     play. Flash time minus click time in the recording is the recorder's
#     own bias (its grab's timing and its audio timestamps); it is subtracted.
#     The same calibration after the subject: on PulseAudio, whose null
#     sink runs off the wall clock, the bias goes as a line between the two;
#     on PipeWire it checks the first.
#  3. The demo runs from the start windowed (DRENSOLK_WINDOWED=1) on the
#     same servers; --load runs two busy processes meanwhile (both cores on
#     a 2-core machine); --seconds N stops it (SIGTERM) after N seconds.
#     Its own report (DRENSOLK_AUDIO_REPORT=1: the latency it counted, its
#     longest wait between two audio callbacks) is printed with the figures.
#  4. The song's exact kicks and sound: a capture of the same build
#     (drensolk-capture --png DIR --fps 10 --events FILE: audio.wav, the
#     music as the player core renders it, and every row and trigger to the
#     sample), made once and kept in $build/live-sync-capture (remade when the
#     capture binary or the data are newer).
#  5. tools/live_sync/analyse_sync.py correlates the recorded sound with the
#     capture's music in 3 s windows, which says where each second of the
#     song sounds in the recording (and the music's pace, and its jumps at
#     dropouts); places every kick (instrument 1's triggers) there; finds the
#     first spike of frame-to-frame change after each; and prints the offset
#     (picture minus sound, bias removed) per 10 s of the song as median, p10
#     and p90 with the kicks matched, the drift in ms per second (a line
#     through every offset, and one slope between the sound's jumps), and the
#     audio gaps (runs of near-silence where the music sounds).
# Runs take the song's length plus about 35 s. Set KEEP=DIR to keep the
# recording and the figures' raw data there.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

rate=44100 load=0 seconds=0 server=pulseaudio driver=pulseaudio quantum=0 prove=0
args=("$@")
while [ $# -gt 0 ]; do
  case $1 in
    --rate) rate=$2; shift 2 ;;
    --load) load=1; shift ;;
    --seconds) seconds=$2; shift 2 ;;
    --server) server=$2; shift 2 ;;
    --driver) driver=$2; shift 2 ;;
    --quantum) quantum=$2; shift 2 ;;
    --prove) prove=1; shift ;;
    -h|--help) sed -n '2,64p' "$0"; exit 0 ;;
    *) echo "measure-live-sync: unknown argument $1" >&2; exit 2 ;;
  esac
done
case $rate in 44100|48000) ;; *) echo "measure-live-sync: --rate 44100 or 48000" >&2; exit 2 ;; esac
case $server in pulseaudio|pipewire) ;; *) echo "measure-live-sync: --server pulseaudio or pipewire" >&2; exit 2 ;; esac
case $driver in pulseaudio|pipewire) ;; *) echo "measure-live-sync: --driver pulseaudio or pipewire" >&2; exit 2 ;; esac
if [ "$server" = pulseaudio ] && { [ "$driver" = pipewire ] || [ "$quantum" != 0 ]; }; then
  echo "measure-live-sync: --driver pipewire and --quantum need --server pipewire" >&2
  exit 2
fi
if [ "$server" = pipewire ] && [ "$quantum" = 0 ]; then
  # SDL's native stream asks for its whole buffer (4096/44100 s), which the
  # graph clamps to 2048; pipewire-pulse's stream leaves the default.
  quantum=1024
  [ "$driver" = pipewire ] && [ "$prove" = 0 ] && quantum=2048
fi

if [ "$server" = pipewire ]; then
  scripts/install-deps.sh xvfb pipewire wireplumber pipewire-pulse pulseaudio-utils dbus ffmpeg python3-numpy >&2
  # WirePlumber wants a session bus: the whole run gets a private one.
  if [ -z "${DRENSOLK_PRIVATE_BUS:-}" ]; then
    DRENSOLK_PRIVATE_BUS=1 exec dbus-run-session -- "$0" "${args[@]}"
  fi
else
  scripts/install-deps.sh xvfb pulseaudio pulseaudio-utils ffmpeg python3-numpy >&2
fi
build=${BUILD_DIR:-build}
[ -x "$build/drensolk" ] || { echo "measure-live-sync: build first (scripts/build.sh)" >&2; exit 1; }
# What times the flashes and the replay (see above). Debian's pipewire-alsa
# conflicts with pulseaudio, which the tests need, so its ALSA plugin is
# unpacked from the package into the build folder instead of installed.
# PipeWire's null sink plays at the nominal rate against the wall clock,
# PulseAudio's not (see analyse_sync.py).
output=pulse steady=()
if [ "$server" = pipewire ]; then
  output=pipewire steady=(--steady-sink)
  unpacked=$(cd "$build" && pwd)/pipewire-alsa
  plugin=$(find "$unpacked" -name libasound_module_pcm_pipewire.so 2>/dev/null | head -n 1 || true)
  if [ -z "$plugin" ]; then
    rm -rf "$unpacked" && mkdir -p "$unpacked"
    (cd "$unpacked" && apt-get download pipewire-alsa >&2 && dpkg-deb -x pipewire-alsa_*.deb .) || {
      echo "measure-live-sync: cannot fetch Debian's pipewire-alsa package (apt-get download pipewire-alsa);" \
        "run apt-get update, or install pipewire-alsa in place of pulseaudio" >&2
      exit 1
    }
    plugin=$(find "$unpacked" -name libasound_module_pcm_pipewire.so | head -n 1)
  fi
  export DRENSOLK_PIPEWIRE_ALSA_PLUGIN=$plugin
fi
python=/usr/bin/python3  # Debian's, where python3-numpy lives

# The capture: deterministic, so one per build is enough.
capture=$(cd "$build" && pwd)/live-sync-capture
if [ "$prove" = 0 ] && { [ ! -s "$capture/events.tsv" ] || [ "$build/drensolk-capture" -nt "$capture/events.tsv" ] ||
  [ -n "$(find "$build/data" -newer "$capture/events.tsv" -type f -print -quit)" ]; }; then
  echo "measure-live-sync: capturing the song's sound and kicks once into $capture" >&2
  rm -rf "$capture"
  mkdir -p "$capture"
  (cd "$build/data" && ../drensolk-capture --png "$capture/frames" --fps 10 --size 160x120 \
    --events "$capture/events.tsv.part") >&2
  rm -f "$capture"/frames/frame_*.png
  mv "$capture/events.tsv.part" "$capture/events.tsv"
fi

work=$(mktemp -d /tmp/drensolk-live-sync.XXXXXX)
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
  if [ -n "${KEEP:-}" ]; then mkdir -p "$KEEP" && cp -r "$work"/. "$KEEP"/; fi
  rm -rf "$work"
}
trap cleanup EXIT
trap "exit 143" TERM INT  # so the servers it started are stopped too

# X server: a 640x480 screen, so the demo's window fills it at +0+0.
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp -br -nocursor 3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "measure-live-sync: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(cat "$work/display")

# Audio server: private, no configuration files, one null sink at $rate.
export XDG_RUNTIME_DIR=$work/xdg
mkdir -m 700 "$XDG_RUNTIME_DIR"
if [ "$server" = pipewire ]; then
  export HOME=$work/home PULSE_SERVER=unix:$XDG_RUNTIME_DIR/pulse/native
  mkdir -p "$HOME"
  pipewire >"$work/pipewire.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/pipewire-0" ] && break; sleep 0.1; done
  wireplumber >"$work/wireplumber.log" 2>&1 &
  pids+=($!)
  pipewire-pulse >"$work/pipewire-pulse.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  pactl load-module module-null-sink sink_name=test rate="$rate" >/dev/null
  # The graph runs at the sink's rate, so nothing is resampled in between.
  pw-metadata -n settings 0 clock.force-rate "$rate" >/dev/null
  pw-metadata -n settings 0 clock.force-quantum "$quantum" >/dev/null
else
  pulseaudio -n -F /dev/null --system=false --exit-idle-time=-1 --daemonize=no \
    -L "module-native-protocol-unix socket=$XDG_RUNTIME_DIR/native" \
    -L "module-null-sink sink_name=test rate=$rate" >"$work/pulse.log" 2>&1 &
  pids+=($!)
  export PULSE_SERVER=unix:$XDG_RUNTIME_DIR/native
  for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
fi
pactl set-default-sink test

# One recording: the screen and the sink's monitor, a calibration, then the
# subject ("$@", run in the data folder) with the load if asked.
record() {
  local name=$1
  shift
  ffmpeg -nostdin -loglevel error -f x11grab -framerate 60 -video_size 640x480 -i "$DISPLAY" \
    -f pulse -sample_rate "$rate" -channels 2 -i test.monitor \
    -map 0:v -vf scale=128:96:flags=area,format=gray -c:v rawvideo -map 1:a -c:a pcm_s16le \
    -fps_mode passthrough -enc_time_base:v -1 -copyts -f nut "$work/$name.nut" &
  local recorder=$!
  pids+=($recorder)
  sleep 2  # the monitor's first packets come a second or so after the start

  # 30 pairs: each flash is seen up to one 60 Hz grab late (120 Hz
  # grabs fell behind: flashes seen up to 80 ms late), so the median
  # of 12 wandered by about 2 ms from run to run.
  "$python" tools/live_sync/flash_click.py --output "$output" "$rate" 30 >"$work/$name-clicks.txt"
  sleep 0.5

  local loaders=()
  if [ "$load" = 1 ]; then
    for _ in 1 2; do
      bash -c 'while :; do :; done' &
      loaders+=($!)
      pids+=($!)
    done
  fi
  local start end
  start=$(date +%s.%N)
  status=0
  (cd "$build/data" && exec "$@") >"$work/$name.log" 2>&1 || status=$?
  end=$(date +%s.%N)
  for p in "${loaders[@]}"; do kill "$p"; done
  sleep 0.5
  "$python" tools/live_sync/flash_click.py --output "$output" "$rate" 30 >"$work/$name-clicks-after.txt"
  sleep 0.5
  kill -INT "$recorder"
  wait "$recorder" || true
  ran=$(awk "BEGIN { printf \"%.1f\", $end - $start }")
}

setup="$server, sink $rate Hz,"
[ "$server" = pipewire ] && setup+=" quantum $quantum,"
if [ "$load" = 1 ]; then setup+=" two busy processes"; else setup+=" idle"; fi
if [ "$prove" = 1 ]; then
  # The replay's capture: 120 fps, so a frame's own lateness after a kick
  # stays under 8.3 ms; kept like the other one.
  replay=$(cd "$build" && pwd)/live-sync-replay
  if [ ! -s "$replay/events.tsv" ] || [ "$build/drensolk-capture" -nt "$replay/events.tsv" ] ||
    [ -n "$(find "$build/data" -newer "$replay/events.tsv" -type f -print -quit)" ]; then
    echo "measure-live-sync: capturing 45 s at 120 fps once into $replay" >&2
    rm -rf "$replay"
    mkdir -p "$replay"
    (cd "$build/data" && ../drensolk-capture --png "$replay" --fps 120 --size 160x120 --seconds 45 \
      --events "$replay/events.tsv.part") >&2
    mv "$replay/events.tsv.part" "$replay/events.tsv"
  fi
  for shift_ms in -30 0 30; do
    record "replay$shift_ms" "$python" "$root/tools/live_sync/replay_capture.py" --output "$output" "$rate" \
      "$replay" "$shift_ms"
    echo "meter check: $setup, replay shifted $shift_ms ms, ran $ran s, exit status $status," \
      "load average $(cut -d' ' -f1-3 /proc/loadavg)"
    # The replay's frames go up a little after they are due (scaling and
    # sending 640x480); what it measured is part of the known offset.
    late=$(awk '/^replay lateness/ { print $3 }' "$work/replay$shift_ms.log")
    grep '^replay lateness' "$work/replay$shift_ms.log" || true
    "$python" tools/live_sync/analyse_sync.py "$work/replay$shift_ms.nut" "$work/replay$shift_ms-clicks.txt" \
      "$rate" "$replay" "$replay/events.tsv" --expect "$(awk "BEGIN { print $shift_ms + ${late:-0} }")" \
      --after "$work/replay$shift_ms-clicks-after.txt" "${steady[@]}" | grep -E "recorder|sink|known offset|audio gaps"
  done
  exit 0
fi

demo=(env DRENSOLK_WINDOWED=1 DRENSOLK_AUDIO_REPORT=1 SDL_AUDIODRIVER="$driver" ../drensolk)
[ "$seconds" -gt 0 ] && demo=(timeout -s TERM "$seconds" "${demo[@]}")
record demo "${demo[@]}"
echo "live sync: $setup, SDL driver $driver, demo ran $ran s, exit status $status," \
  "load average $(cut -d' ' -f1-3 /proc/loadavg)"
grep '^drensolk: audio:' "$work/demo.log" || true
"$python" tools/live_sync/analyse_sync.py "$work/demo.nut" "$work/demo-clicks.txt" "$rate" \
  "$capture/frames" "$capture/events.tsv" --after "$work/demo-clicks-after.txt" "${steady[@]}"
