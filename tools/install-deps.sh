#!/bin/sh
# Installs what headvane needs to build, test and package on Debian 12.
# Idempotent. Run it as root, or as a user who may use sudo.
set -eu
SUDO=
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null 2>&1 || { echo "install-deps.sh: run as root, or install sudo" >&2; exit 1; }
  SUDO=sudo
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends \
  cmake ninja-build g++ pkg-config \
  nlohmann-json3-dev libudev-dev \
  googletest libgtest-dev libbenchmark-dev \
  umockdev libumockdev-dev \
  clang libclang-rt-14-dev \
  g++-mingw-w64-x86-64-posix wine64 \
  libcli11-dev libboost-dev \
  zlib1g-dev libz-mingw-w64-dev \
  dpkg-dev file \
  chromium python3-pandas python3-yaml
