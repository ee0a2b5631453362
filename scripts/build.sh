#!/usr/bin/env bash
# Installs what is missing, then configures and builds into the given folder.
# Usage: scripts/build.sh BUILD_DIR [extra CMake arguments...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1
shift

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build" -j "$(nproc)"
