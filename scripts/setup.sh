#!/usr/bin/env bash
# Installs every package the build, the tests and the benchmarks need on a
# fresh Debian 12 machine. Run as root.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive

packages=(
  # toolchain and test framework
  build-essential cmake ninja-build pkg-config git clang-14 clang-format-14
  libclang-rt-14-dev libgtest-dev libgmock-dev valgrind
  # cross compiler for the native Windows build
  g++-mingw-w64-x86-64 g++-mingw-w64-i686
  # disk tools: the real peers that check what Kerfa writes
  dosfstools mtools e2fsprogs util-linux libblkid-dev
  # audio: encoder library, real decoders, media framework
  libmp3lame-dev lame mpg123 sox
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  gstreamer1.0-plugins-ugly gstreamer1.0-libav
  # desktop host
  libwxgtk3.2-dev libwxgtk-media3.2-dev libgtk-3-dev xvfb xauth fonts-wqy-zenhei
  imagemagick x11-utils xdotool
  # text conversion checks and process tools
  libc-bin procps tmux hyperfine time bc
)

if [ "$(id -u)" -ne 0 ]; then
  echo "setup.sh: run as root (it installs Debian packages)" >&2
  exit 1
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
