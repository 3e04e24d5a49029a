#!/bin/sh
# Installs what headvane needs to build and test on Debian 12. Idempotent.
set -eu
SUDO=
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends \
  cmake ninja-build g++ pkg-config \
  nlohmann-json3-dev libudev-dev \
  googletest libgtest-dev libbenchmark-dev \
  umockdev libumockdev-dev \
  clang libclang-rt-14-dev \
  g++-mingw-w64-x86-64-posix wine64 \
  libcli11-dev
