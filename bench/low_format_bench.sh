#!/usr/bin/env bash
# A Low format of a 127 MiB image with kerfa-cli, whole process, against the
# bare write-flush-read pattern on the same file and against badblocks.
# Usage: bench/low_format_bench.sh BUILD_DIR   (a release build: no sanitizers)
set -euo pipefail
build=${1:?usage: low_format_bench.sh BUILD_DIR}
cli=$(find "$build" -name kerfa-cli -type f -perm -u+x | head -n1)
bare=$(find "$build" -name low_pattern_bare -type f -perm -u+x | head -n1)
[ -x "$cli" ] && [ -x "$bare" ] || { echo "build kerfa-cli and low_pattern_bare first" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
image=$work/player127.img
truncate -s 127M "$image"

seconds() { /usr/bin/time -f '%e %M' "$@" 2>"$work/time" >/dev/null; tail -n1 "$work/time"; }

read -r kerfa_s kerfa_kb < <(seconds "$cli" --low --yes --no-devices "$image")
fsck.fat -n "$image" >/dev/null  # before the other two overwrite it
read -r bare_s _ < <(seconds "$bare" "$image")
read -r bb_s _ < <(seconds badblocks -w -t 0xff -b 512 -c 32 "$image")
read -r _ idle_kb < <(seconds "$cli" --help)

echo "kerfa-cli --low:     ${kerfa_s}s, peak ${kerfa_kb} KiB"
echo "bare pattern:        ${bare_s}s"
echo "badblocks -w:        ${bb_s}s"
echo "ratio kerfa/bare:    $(echo "scale=3; $kerfa_s / $bare_s" | bc)  (target <= 1.05)"
echo "peak above idle:     $((kerfa_kb - idle_kb)) KiB  (target < 4096)"
