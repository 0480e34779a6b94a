#!/usr/bin/env bash
# Builds quelmctl and runs it on the demo product against the built-in bridge
# simulator: a blank read, a write that is read back and verified, a second
# read, and the HTML diagnostics page.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/ensure-packages.sh $(cat scripts/packages.txt)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build -j"$(nproc)" --target quelmctl >/dev/null

ctl=./build/tools/quelmctl/quelmctl
product=examples/demo-product.json
state=build/demo-product.sim-state.json   # the simulated product's memory between runs
rm -f "$state"

echo "== read (a blank product) =="
"$ctl" read --sim-state "$state" "$product"
echo
echo "== write, read back, verify =="
"$ctl" write --sim-state "$state" "$product"
echo
echo "== read =="
"$ctl" read --sim-state "$state" "$product"
echo
echo "== report =="
"$ctl" report --sim-state "$state" -o build/demo-report.html "$product"
echo "HTML report: build/demo-report.html"
