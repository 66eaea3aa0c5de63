#!/usr/bin/env bash
# Builds repack_bench without sanitizers and runs it on a 10 MiB and a
# 100 MiB type-3 sound file: the throughput ratio against cp, and the peak
# memory, which must be the same for both sizes.
#   bench/repack_bench.sh [FOLDER]   (the folder for the files; the temporary one by default)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${KV_BENCH_BUILD_DIR:-$here/build/bench-repack}
folder=${1:-${TMPDIR:-/tmp}}

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKV_TESTS=OFF \
      -DKV_DESKTOP=OFF >/dev/null
cmake --build "$build" --target repack_bench -j2 >/dev/null

for size in 10 100; do
  echo "== $size MiB in $folder"
  "$build/bench/repack_bench" "$size" "$folder" 5
done
