#!/usr/bin/env bash
# fuzz.sh [SECONDS]: builds the libFuzzer targets with clang (ASan, UBSan and
# coverage on every library) and runs each for SECONDS (default 5) on a copy
# of its seed corpus. A finding stops the script with the fuzzer's report and
# leaves the crashing input in build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-5}"
bash scripts/ensure-packages.sh $(cat scripts/packages.txt)

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUELM_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target fuzz_simulator fuzz_description fuzz_library

export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
mkdir -p build-fuzz/findings
for target in simulator description library; do
    work="build-fuzz/corpus-$target"
    rm -rf "$work" && cp -r "fuzz/corpus/$target" "$work"
    echo "== fuzz_$target for ${seconds}s"
    # Only the description loader goes through Qt's JSON parser, whose own
    # leak is suppressed there.
    lsan=""
    [ "$target" = description ] && lsan="suppressions=$PWD/fuzz/lsan.supp"
    log="build-fuzz/fuzz_$target.log"
    if ! LSAN_OPTIONS="$lsan" "build-fuzz/fuzz/fuzz_$target" "$work" -max_total_time="$seconds" \
            -print_final_stats=1 -artifact_prefix="build-fuzz/findings/$target-" >"$log" 2>&1; then
        cat "$log"
        echo "fuzz_$target: finding saved in build-fuzz/findings/" >&2
        exit 1
    fi
    grep -E '^(Done|stat::number_of_executed_units|stat::average_exec_per_sec|#[0-9]+[[:space:]]+DONE)' "$log"
done
