#!/usr/bin/env bash
# Runs a fuzzer for a while from a fresh corpus of the media files matching
# the given patterns. Usage: run_fuzzer.sh FUZZER SECONDS MEDIA_DIR PATTERN...
set -euo pipefail
fuzzer=$1 seconds=$2 media=$3
shift 3
corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
shopt -s nullglob
for pattern in "$@"; do
  for file in "$media"/$pattern; do cp "$file" "$corpus/"; done
done
exec "$fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 "$corpus"
