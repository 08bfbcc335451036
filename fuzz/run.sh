#!/usr/bin/env bash
# Builds the two libFuzzer targets with clang (build-fuzz) and runs each for a
# bounded time from its seed corpus. A crash, a sanitizer report or a broken
# check stops the fuzzer, leaves the input in build-fuzz/artifacts/ and fails
# this script.
#
#   fuzz/run.sh              each target 60 seconds
#   fuzz/run.sh 3600         each target an hour
#   fuzz/run.sh 600 module   only the module target
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${1:-60}
targets=${2:-module picture}
build=$root/build-fuzz

# libFuzzer comes with clang; only the fuzzers need it.
scripts/install-deps.sh clang libclang-rt-14-dev
cmake -S . -B "$build" -DDRENSOLK_FUZZ=ON -DDRENSOLK_TESTS=OFF \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzz_module fuzz_picture fuzz_seeds

mkdir -p "$build/artifacts"
for t in $targets; do
    corpus=$build/corpus/$t
    mkdir -p "$corpus"
    log=$build/fuzz-$t.log
    # 64 KiB inputs: the module seeds' headers, patterns and first samples;
    # larger ones only make each run slower. SDL_image's libpng prints every
    # decoding error on stderr: -close_fd_mask=2 hides those, not the reports.
    status=0
    "$build/fuzz_$t" -max_total_time="$seconds" -max_len=65536 -timeout=30 -rss_limit_mb=3072 \
        -close_fd_mask=2 -print_final_stats=1 -artifact_prefix="$build/artifacts/$t-" \
        "$corpus" "$build/fuzz-seeds/$t" >"$log" 2>&1 || status=$?
    final=$(grep -E '^#[0-9]+.*(DONE|pulse|NEW|REDUCE|INITED)' "$log" | tail -n1 || true)
    execs=$(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}')
    rate=$(grep -E '^stat::average_exec_per_sec' "$log" | awk '{print $2}')
    echo "fuzz_$t: $execs executions ($rate/s) in ${seconds}s; $(echo "$final" | grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+/[0-9A-Za-z]+')"
    if [ "$status" -ne 0 ]; then
        echo "fuzz_$t FAILED (status $status); input saved as:" >&2
        ls "$build/artifacts/$t-"* >&2 || true
        grep -E -A30 'ERROR|deadly signal|==[0-9]+==' "$log" | head -n 60 >&2
        exit 1
    fi
done
