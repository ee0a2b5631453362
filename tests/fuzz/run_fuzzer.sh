#!/usr/bin/env bash
# Runs one fuzz target for a while, from a fresh copy of its seeds: the
# build's media files of its kind and the small cases in corpus/TARGET.
# Usage: run_fuzzer.sh TARGET SECONDS [BUILD_DIR]
#   TARGET: bmp jpeg targa level a3f wav midi ini
#   BUILD_DIR: a clang build configured with -DUMBRAFALL_FUZZ=ON; by default
#   build-sanitize or build-asan in the source tree, whichever has the target.
# Extra libFuzzer options can be passed in FUZZ_OPTIONS. A crash leaves its
# input in the current folder (crash-*, leak-*, timeout-*).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
target=${1:?target}
seconds=${2:?seconds}
build=${3:-}

case $target in
  bmp) patterns=("*.bmp") ;;
  jpeg) patterns=("*.jpg") ;;
  targa) patterns=("*.tga") ;;
  level) patterns=("cavemap*.bmp") ;;
  a3f) patterns=("*.a3f") ;;
  wav) patterns=("*.wav") ;;
  midi) patterns=("*.mid") ;;
  ini) patterns=("*.ini") ;;
  *) echo "unknown fuzz target: $target" >&2; exit 2 ;;
esac

if [[ -z $build ]]; then
  for candidate in "$root/build-sanitize" "$root/build-asan"; do
    if [[ -x $candidate/tests/fuzz/${target}_fuzz ]]; then build=$candidate; break; fi
  done
fi
fuzzer=$build/tests/fuzz/${target}_fuzz
if [[ -z $build || ! -x $fuzzer ]]; then
  echo "no ${target}_fuzz: build with -DUMBRAFALL_FUZZ=ON (clang) first" >&2
  exit 2
fi

corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
shopt -s nullglob nocaseglob
for pattern in "${patterns[@]}"; do
  for file in "$build/media"/$pattern; do cp "$file" "$corpus/"; done
done
for file in "$here/corpus/$target"/*; do cp "$file" "$corpus/"; done

# -max_len keeps the big textures as seeds without mutating megabytes;
# libFuzzer's memory and per-input time limits catch runaway readers (an
# RLE bitmap of a few hundred bytes may rightly fill 256 MiB: slow under ASan).
# shellcheck disable=SC2086
exec "$fuzzer" -max_total_time="$seconds" -max_len=${FUZZ_MAX_LEN:-65536} -timeout=60 -rss_limit_mb=2048 \
  -print_final_stats=1 ${FUZZ_OPTIONS:-} "$corpus"
