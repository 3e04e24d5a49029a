#!/bin/sh
# The long-capture figures of benchmarks/README.md in one go, for an idle machine: allan and
# replay as processes on four hours and a day of generated capture, plain and gzip, three runs
# each (median, and the child's CPU time and peak memory as counters).
# Usage: benchmarks/measure_long_captures.sh [BUILD_DIR]   (default build/native)
# The captures go to TMPDIR (some 5 GB at a time) and are removed when each program ends.
set -eu
build=${1:-build/native}
cmake --build "$build" --target bench_allan_command bench_replay
export HEADVANE_BENCH_DAY=1
for program in bench_allan_command bench_replay; do
    "$build/benchmarks/$program" --benchmark_filter=Command --benchmark_repetitions=3 \
        --benchmark_report_aggregates_only=true
done
