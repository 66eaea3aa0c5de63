#!/usr/bin/env bash
# A Full format of a 127 MiB image with kerfa-cli, whole process, against
# mkfs.fat making the same FAT16 geometry on the same image, in the same run.
# Usage: bench/format_full_bench.sh BUILD_DIR [RUNS]   (a release build: no sanitizers)
set -euo pipefail
build=${1:?usage: format_full_bench.sh BUILD_DIR [ROUNDS]}
rounds=${2:-30}
cli=$(find "$build" -name kerfa-cli -type f -perm -u+x | head -n1)
[ -x "$cli" ] || { echo "build kerfa-cli first" >&2; exit 2; }
command -v mkfs.fat >/dev/null || { echo "mkfs.fat is missing (dosfstools)" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
image=$work/player127.img
truncate -s 127M "$image"

command -v hyperfine >/dev/null || { echo "hyperfine is missing" >&2; exit 2; }
hyperfine -N --warmup 3 --runs "$rounds" --export-csv "$work/times.csv" \
  "$cli --full --yes --no-devices $image" \
  "mkfs.fat -F 16 -s 4 -R 1 -r 512 -f 2 $image" >/dev/null
"$cli" --full --yes --no-devices "$image" >/dev/null
fsck.fat -n "$image" >/dev/null

# Columns: command, mean, stddev, median, user, system, min, max (seconds).
awk -F, 'NR == 2 { k = $4 } NR == 3 { m = $4 } END {
  printf "kerfa-cli --full:       %.2f ms (median)\n", k * 1000
  printf "mkfs.fat -F 16 -s 4:    %.2f ms (median)\n", m * 1000
  printf "ratio kerfa/mkfs.fat:   %.3f  (target <= 1)\n", k / m
}' "$work/times.csv"
