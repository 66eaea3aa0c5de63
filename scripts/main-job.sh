#!/usr/bin/env bash
# The main job, on a fresh Debian 12 machine as root: installs what is needed,
# builds the programs (release, no sanitizers), creates a 63 MiB disk image of
# the player when there is none, formats it with kerfa-cli (Quick, with a
# label) and lets fsck.fat check the result.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"

if [ "$(id -u)" -eq 0 ]; then
  bash scripts/setup.sh
fi

build=${KV_BUILD_DIR:-build/release}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKV_SANITIZE=OFF -DKV_TESTS=OFF
cmake --build "$build" -j"$(nproc)"

# The player's 63 MiB class: 66,060,288 bytes.
image=${KV_PLAYER_IMAGE:-$build/player-63MiB.img}
if [ ! -e "$image" ]; then
  truncate -s 66060288 "$image"
  echo "created $image (63 MiB)"
fi

# Only the image is offered: the machine's own removable disks stay untouched.
"$build/apps/kerfa-cli" --quick --label PLAYER --yes --no-devices "$image"

fsck.fat -n "$image"
MTOOLS_SKIP_CHECK=1 mlabel -s -i "$image" ::
echo "fsck.fat accepts $image"
