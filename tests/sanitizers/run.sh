#!/usr/bin/env bash
# The demo under the sanitizers: builds the asan and tsan presets and runs,
# under each, the test programs, a headless capture of the whole demo at a low
# frame rate (every order, every layer) and a live headless run from order 19
# to the end (audio and dispatch threads against the main thread). Any report
# fails the run: the sanitizers halt on the first error, and the logs are
# searched as well.
#
#   tests/sanitizers/run.sh            both
#   tests/sanitizers/run.sh asan       one of them
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
jobs=$(nproc)
supp=$root/tests/sanitizers

export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:abort_on_error=1:detect_stack_use_after_return=1:strict_string_checks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:suppressions=$supp/ubsan.supp"
export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$supp/tsan.supp"
# Mesa's driver is unloaded at exit before the leak check runs, and the
# leaks LeakSanitizer then finds in it have no module name to suppress them
# by; preloaded, it stays mapped and what it holds is reachable.
mesa_preload() {
    local lib=/usr/lib/x86_64-linux-gnu
    echo "$lib/dri/swrast_dri.so $lib/libEGL_mesa.so.0"
}

reports='ERROR: AddressSanitizer|ERROR: LeakSanitizer|runtime error:|WARNING: ThreadSanitizer|ThreadSanitizer:|SUMMARY: UndefinedBehaviorSanitizer'

# Runs a command with its output in a log; fails on a non-zero status or on
# any sanitizer report in the log.
checked() {
    local log=$1; shift
    local status=0
    "$@" >"$log" 2>&1 || status=$?
    if [ "$status" -ne 0 ] || grep -Eq "$reports" "$log"; then
        echo "FAILED (status $status): $*" >&2
        tail -n 80 "$log" >&2
        return 1
    fi
}

# The capture of the whole demo, 4 frames a second at 160x120: every order
# and every layer drawn, the music rendered by the player core.
capture_run() {
    local build=$1 out=$build/sanitizer-capture
    rm -rf "$out"
    (cd "$build/data" && checked "$build/sanitizer-capture.log" \
        "$build/drensolk-capture" --fps 4 --size 160x120 --png "$out")
    # The frame list names every order the schedule passed through.
    local orders
    orders=$(awk -F'\t' 'NR > 1 && $4 >= 0 { print $4 }' "$out/frames.tsv" | sort -nu | tr '\n' ' ')
    if [ "$orders" != "0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 " ]; then
        echo "FAILED: the capture under $(basename "$build") did not pass every order: $orders" >&2
        return 1
    fi
    echo "  capture: $(grep -o '[0-9]* frames ([0-9]* intro)[^;]*' "$build/sanitizer-capture.log" | head -n1)"
}

# The live demo from order 19 to its end: SDL's audio thread renders, the
# dispatch thread calls the sync hook, the main thread draws.
live_run() {
    local build=$1
    (cd "$build/data" && checked "$build/sanitizer-live.log" timeout 180 "$build/drensolk" 19)
    echo "  live run from order 19: ended by itself"
}

run_asan() {
    local build=$root/build-asan
    echo "== AddressSanitizer + UndefinedBehaviorSanitizer ($build)"
    cmake --preset asan >/dev/null
    cmake --build "$build" -j"$jobs"
    export LD_PRELOAD ASAN_OPTIONS="$ASAN_OPTIONS:verify_asan_link_order=0"
    LD_PRELOAD=$(mesa_preload)
    # The install and package checks (label dist) test packaging, not memory;
    # the desktop tests run the demo on real Weston and PipeWire servers through
    # client libraries SDL loads and keeps memory in to the end, so they run
    # only without sanitizers (scripts/check.sh).
    (cd "$build" && ctest --output-on-failure -j"$jobs" -LE 'dist|desktop' >"$build/sanitizer-ctest.log" 2>&1) || {
        grep -E 'Failed|\*\*\*' "$build/sanitizer-ctest.log" >&2; tail -n 60 "$build/sanitizer-ctest.log" >&2; return 1; }
    ! grep -Eq "$reports" "$build/sanitizer-ctest.log" || { echo "FAILED: a report in the tests" >&2; return 1; }
    echo "  tests: $(grep -E 'tests passed' "$build/sanitizer-ctest.log")"
    capture_run "$build"
    live_run "$build"
    unset LD_PRELOAD
}

run_tsan() {
    local build=$root/build-tsan
    echo "== ThreadSanitizer ($build)"
    cmake --preset tsan >/dev/null
    cmake --build "$build" -j"$jobs" --target drensolk drensolk-capture demo_data music_tests app_tests
    checked "$build/sanitizer-music-tests.log" "$build/tests/music_tests"
    echo "  music tests: $(grep -E '^\[  PASSED  \]' "$build/sanitizer-music-tests.log")"
    # Not the real-server case: SDL2's PulseAudio backend races inside itself
    # (its hotplug thread frees the default sink's name while the device
    # lookup reads it; both stacks in libSDL2, which has no symbols to name
    # in a narrower suppression). The other cases run our audio and dispatch
    # threads against the main thread on SDL's dummy output.
    checked "$build/sanitizer-app-tests.log" "$build/tests/app_tests" --gtest_filter=-RealServers.*
    echo "  demo binary tests: $(grep -E '^\[  PASSED  \]' "$build/sanitizer-app-tests.log")"
    capture_run "$build"
    live_run "$build"
}

case "${1:-all}" in
asan) run_asan ;;
tsan) run_tsan ;;
all) run_asan; run_tsan ;;
*) echo "usage: $0 [asan|tsan|all]" >&2; exit 2 ;;
esac
