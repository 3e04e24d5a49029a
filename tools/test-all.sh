#!/bin/sh
# Builds and tests every configuration: the Windows cross build under Wine,
# native, ASan+UBSan, TSan, and a short fuzzing run; then the packages (the
# Debian package is installed and removed again with dpkg, so this needs root or
# sudo). Stops at the first failure. The Windows build comes first: the native
# tests run its headvane.exe under Wine against a mocked unit.
set -eu
cd "$(dirname "$0")/.."
for preset in windows native asan tsan fuzz; do
  echo "=== $preset"
  cmake --workflow --preset "$preset" --fresh
done
# A few iterations of every benchmark, to show they still run.
# The recorder's CPU share is measured over a minute; its 5 s run shows it works.
for b in build/native/benchmarks/bench_*; do
  filter=.
  case "$b" in */bench_record) filter=/5 ;; esac
  [ -x "$b" ] && "$b" --benchmark_min_time=0.01 --benchmark_filter="$filter" >/dev/null
done
sh tools/test-package.sh
echo "all configurations passed"
