#!/usr/bin/env bash
# Sets up, builds and runs every test headless: the game's own build with
# warnings as errors (the real window runs under Xvfb), then a clang build
# with the address and undefined-behaviour sanitizers, where each file reader
# is also fuzzed for a while.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

echo "== g++ build, all tests"
"$root/scripts/build.sh" "$root/build" -DUMBRAFALL_WERROR=ON
(cd "$root/build" && ctest -j "$jobs" --output-on-failure)

echo "== soak: the autopilot's games back to back, resident memory sampled"
"$root/scripts/soak.sh" 50000 "$root/build"

echo "== clang build with address and undefined-behaviour sanitizers, and the file-reader fuzzers"
"$root/scripts/build.sh" "$root/build-sanitize" -DUMBRAFALL_WERROR=ON -DUMBRAFALL_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DUMBRAFALL_SANITIZE=address,undefined
# Left to the first pass: the real window (SDL's X11 libraries are not
# leak-clean) and the autopilot's whole-game runs (minutes each, many times
# that under the sanitizers, and the same code the shorter runs cover).
(cd "$root/build-sanitize" && ctest -j "$jobs" --output-on-failure -E 'under_xvfb|TimedemoRun.Autopilot')
