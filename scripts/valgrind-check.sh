#!/usr/bin/env bash
# Runs the format job of each mode (Quick, Full, Low) once on each platform
# flavour under valgrind memcheck, on a build without sanitizers (valgrind
# cannot run sanitized programs). Fails on any memcheck error and on any
# leaked block (definitely, indirectly or possibly lost).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"

if ! command -v valgrind >/dev/null; then
  echo "valgrind-check.sh: valgrind is missing (scripts/setup.sh installs it)" >&2
  exit 1
fi

build=${KV_VALGRIND_BUILD_DIR:-build/valgrind}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV_SANITIZE=OFF \
  -DKV_DESKTOP=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target test_format_engine

# One job per mode and flavour: the Quick and Full jobs on a 31 MiB disk, and
# the Low job that runs both passes of the surface test over the whole disk.
jobs='AllClasses/FormatJobByClass.*/Win*_31MiB_*'
jobs+=':BothFlavours/SurfaceTestOn.RunsBothPassesInChunksWithTheirProgressLines/*'

valgrind --tool=memcheck --error-exitcode=1 --leak-check=full \
  --show-leak-kinds=definite,indirect,possible --errors-for-leak-kinds=definite,indirect,possible \
  --track-origins=yes --quiet \
  "$build/format/engine/tests/test_format_engine" --gtest_filter="$jobs"
echo "valgrind-check.sh: no memcheck error and no leak"
