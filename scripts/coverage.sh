#!/usr/bin/env bash
# coverage.sh: builds the suites with gcov instrumentation, runs them, and
# prints line and branch coverage per code folder (library, simulator,
# runner, tools, studio). A detailed report per file goes to build-coverage/coverage.txt.
# Only the code as built into the libraries and programs counts: inline
# functions the suites compile into their own objects do not.
# Reports go to files, never to /dev/null: gcovr checks an output path by
# creating it and then deleting it, which would remove the device node.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/ensure-packages.sh $(cat scripts/packages.txt) gcovr
cmake -S . -B build-coverage -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS="--coverage -O0" -DCMAKE_EXE_LINKER_FLAGS="--coverage" \
    -DCMAKE_SHARED_LINKER_FLAGS="--coverage" >/dev/null
cmake --build build-coverage -j"$(nproc)" >/dev/null
find build-coverage -name '*.gcda' -delete
ctest --test-dir build-coverage -j"$(nproc)" >/dev/null
gcovr --root . --object-directory build-coverage --exclude-directories 'build-coverage/tests' --exclude-directories 'build-coverage/CMakeFiles' --exclude-unreachable-branches \
    --exclude-throw-branches --filter 'src/' --filter 'simulator/' --filter 'runner/' --filter 'tools/' --filter 'studio/' \
    --exclude '.*_autogen/.*' --txt build-coverage/coverage.txt >/dev/null
printf '%-18s %8s %8s\n' folder lines branches
for folder in src/quelmdevices simulator runner tools studio; do
    gcovr --root . --object-directory build-coverage --exclude-directories 'build-coverage/tests' --exclude-directories 'build-coverage/CMakeFiles' --exclude-unreachable-branches --exclude-throw-branches \
        --filter "$folder/" --exclude '.*_autogen/.*' --print-summary \
        --txt "build-coverage/coverage-${folder//\//-}.txt" \
        | awk -v f="$folder" '/^lines:/ {l=$2} /^branches:/ {b=$2} END {printf "%-18s %8s %8s\n", f, l, b}'
done
