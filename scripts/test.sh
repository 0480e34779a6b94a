#!/usr/bin/env bash
# Builds and runs every test suite against Qt 5 and against Qt 6 with
# warnings as errors, builds the API reference (Doxygen, warnings as
# errors), runs each fuzz target briefly and the suites under
# AddressSanitizer and UndefinedBehaviorSanitizer (Qt 5), and builds the
# Debian packages of both flavours, lintian-checked, the Qt 5 ones installed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/ensure-packages.sh $(cat scripts/packages.txt)
jobs="$(nproc)"

cmake -S . -B build-tests -DCMAKE_BUILD_TYPE=Debug -DQUELM_WERROR=ON
cmake --build build-tests -j"$jobs"
# The API reference; an undocumented public member of a documented header fails it.
cmake --build build-tests --target docs
ctest --test-dir build-tests --output-on-failure -j"$jobs"

# The Qt 6 flavour; its package test installs the Qt 5 build beside it.
cmake -S . -B build-tests-qt6 -DQT_MAJOR_VERSION=6 -DCMAKE_BUILD_TYPE=Debug -DQUELM_WERROR=ON \
    -DQUELM_INSTALL_BESIDE="$PWD/build-tests"
cmake --build build-tests-qt6 -j"$jobs"
ctest --test-dir build-tests-qt6 --output-on-failure -j"$jobs"

# libFuzzer targets (clang, ASan+UBSan): a short run of each on a copy of its seed corpus.
bash scripts/fuzz.sh 5

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DQUELM_WERROR=ON -DQUELM_SANITIZE=ON
cmake --build build-sanitize -j"$jobs"
ctest --test-dir build-sanitize --output-on-failure -j"$jobs"

bash scripts/package.sh
bash scripts/check-packages.sh
