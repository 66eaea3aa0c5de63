#!/usr/bin/env bash
# Installs what is needed, builds everything with ASan and UBSan, and runs
# every test. This is what CI runs.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"

if [ "$(id -u)" -eq 0 ]; then
  bash scripts/setup.sh
fi

build=${KV_BUILD_DIR:-build/test}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV_SANITIZE=ON
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 900

# Memcheck: the format job of each mode once under valgrind, on a separate
# build without sanitizers (build/valgrind).
bash scripts/valgrind-check.sh
