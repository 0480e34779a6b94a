#!/usr/bin/env bash
# Builds the library and runs the main job.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/ensure-packages.sh $(cat scripts/packages.txt)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build -j"$(nproc)" >/dev/null
./build/examples/basic/quelm-basic
