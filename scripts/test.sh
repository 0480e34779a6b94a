#!/usr/bin/env bash
# Builds and runs every test suite twice: warnings as errors, then under
# AddressSanitizer and UndefinedBehaviorSanitizer, with a short run of each
# fuzz target in between.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/ensure-packages.sh $(cat scripts/packages.txt)
jobs="$(nproc)"

cmake -S . -B build-tests -DCMAKE_BUILD_TYPE=Debug -DQUELM_WERROR=ON
cmake --build build-tests -j"$jobs"
ctest --test-dir build-tests --output-on-failure -j"$jobs"

# libFuzzer targets (clang, ASan+UBSan): a short run of each on a copy of its seed corpus.
bash scripts/fuzz.sh 5

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DQUELM_WERROR=ON -DQUELM_SANITIZE=ON
cmake --build build-sanitize -j"$jobs"
ctest --test-dir build-sanitize --output-on-failure -j"$jobs"
