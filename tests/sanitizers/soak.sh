#!/usr/bin/env bash
# Memory over the whole demo: captures it (release build, 30 fps, 160x120 PNG
# frames), samples the capture's resident memory while it runs, and prints the
# peak for each order. Memory grows while orders 4 to 9 draw the pictures and
# fill the choice table for the first time (the GL driver's texture copies);
# from order 10 on every layer's state is in place and the walker lists are
# emptied at each order change, so the peak must stay flat: the run fails when
# a later order's peak is more than SOAK_GROWTH_MB (default 8) above order 10's.
#
#   tests/sanitizers/soak.sh [BUILD_DIR]       (default build)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(cd "${1:-build}" && pwd)
limit_mb=${SOAK_GROWTH_MB:-8}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$build/data" && exec "$build/drensolk-capture" --fps 30 --size 160x120 --png "$work/frames") \
    2>"$work/capture.log" &
pid=$!
# frames written so far, resident KiB
while kill -0 "$pid" 2>/dev/null; do
    rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status" 2>/dev/null || true)
    frames=$( (find "$work/frames" -name 'frame_*.png' 2>/dev/null || true) | wc -l)
    [ -n "$rss" ] && echo "$frames $rss" >>"$work/samples"
    sleep 0.1
done
wait "$pid"

# A sample taken after n frames were written belongs to frame n (the one being
# drawn); frames.tsv gives that frame's order.
awk -F'\t' -v limit="$limit_mb" '
    FNR == NR { if (FNR > 1) order[$1] = $4; next }
    { split($0, s, " "); f = s[1]; if (!(f in order)) next
      o = order[f]; if (o < 0) next
      if (!(o in peak) || s[2] > peak[o]) peak[o] = s[2]; n[o]++ }
    END {
      printf "order  samples  peak RSS (MiB)\n"
      for (o = 0; o <= 20; o++) if (o in peak) printf "%5d  %7d  %8.1f\n", o, n[o], peak[o] / 1024
      base = peak[10]; worst = 0; at = 10
      for (o in peak) if (o > 10 && peak[o] - base > worst) { worst = peak[o] - base; at = o }
      printf "largest rise over order 10: %.1f MiB (order %d); allowed %d MiB\n", worst / 1024, at, limit
      exit (worst / 1024 > limit) }
' "$work/frames/frames.tsv" "$work/samples"
