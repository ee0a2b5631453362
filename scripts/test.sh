#!/usr/bin/env bash
# Sets up, builds and runs every test headless: the game's own build with
# warnings as errors (the real window runs under Xvfb), then a clang build
# with the address and undefined-behaviour sanitizers, where each file reader
# is also fuzzed for a while; then a clang build with the thread sanitizer
# for the tests that run threads of their own.
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

echo "== clang build with the thread sanitizer: the sound output, music timer and whole-game threads"
# Only the tests that run threads of their own, to keep CI short.
cmake -S "$root" -B "$root/build-tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DUMBRAFALL_WERROR=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DUMBRAFALL_SANITIZE=thread >/dev/null
cmake --build "$root/build-tsan" -j "$jobs" \
  --target sound_mixer_test mixer_thread_test midi_player_test midi_thread_test game_test
(cd "$root/build-tsan" && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" ctest -j "$jobs" \
  --output-on-failure -R '^(MixerTest|MixerWithoutDevice|MidiPlayerTest|MidiThreadTest|ThreadedGameTest|GameMusicTest)\.')
