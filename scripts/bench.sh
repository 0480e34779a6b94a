#!/usr/bin/env bash
# bench.sh [BENCHMARK OPTIONS]: builds the benchmarks in Release and runs them
# against the wire. Every time is the thread's CPU time spent in the measured
# call; each benchmark runs three times and the medians are shown.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/ensure-packages.sh $(cat scripts/packages.txt)
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-bench -j"$(nproc)" --target quelm-bench >/dev/null
./build-bench/bench/quelm-bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
    --benchmark_display_aggregates_only=true "$@" 2>&1 | grep -v -e '_mean' -e '_stddev' -e '_cv'
