#!/usr/bin/env bash
# Plays whole games with the timedemo's autopilot and tabulates them.
# Usage: scripts/autopilot-seeds.sh [BUILD_DIR] [FIRST_SEED] [LAST_SEED]
# FRAME_MS (default 16), FRAMES (default 60000) and JOBS (default 2) can be set.
set -euo pipefail
build=${1:-build}
first=${2:-1}
last=${3:-10}
frame_ms=${FRAME_MS:-16}
frames=${FRAMES:-60000}
jobs=${JOBS:-2}
tool="$build/umbrafall-timedemo"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

seq "$first" "$last" | xargs -P "$jobs" -I{} \
    "$tool" --size 320x240 --autopilot --frames "$frames" --frame-ms "$frame_ms" --seed {} \
    --json "$out/{}.json" >/dev/null

python3 - "$out" "$first" "$last" <<'PY'
import json, sys
folder, first, last = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
print("seed  result          deaths  head hits  body hits  coins")
won = 0
for seed in range(first, last + 1):
    r = json.load(open(f"{folder}/{seed}.json"))
    if r["game_state"] == "Won":
        won += 1
        result = f"won ({r['frames']})"
    else:
        result = f"lost (level {r['level_index'] + 1})"
    print(f"{seed:4}  {result:14}  {r['deaths']:6}  {r['head_hits']:9}  {r['body_hits']:9}  {r['coin_count']:5}")
print(f"won {won} of {last - first + 1}")
PY
