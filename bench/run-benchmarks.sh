#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs every benchmark of a build folder on the 1,000,000-record log and prints its figures
# with the peak memory (maximum resident set size).  Called by `make bench`.
#
#   bench/run-benchmarks.sh [BUILD] [benchmark options...]   e.g. --benchmark_filter=Decode
#
# QUILLON_BENCH_TABLE names another table to use; by default quillon-genlog writes
# BUILD/bench-data/LOG1M.DBF (and .DBT) on first use.
set -euo pipefail
cd "$(dirname "$0")/.."
build="$(cd "${1:-build}" && pwd)"
shift || true

if [ ! -x /usr/bin/time ]; then
  echo "run-benchmarks: /usr/bin/time is missing (Debian package time; make deps installs it)" >&2
  exit 1
fi

# 1. The benchmark table.
if [ -z "${QUILLON_BENCH_TABLE:-}" ]; then
  cmake --build "$build" --target bench-data
  export QUILLON_BENCH_TABLE="$build/bench-data/LOG1M.DBF"
fi
echo "Benchmark table: $QUILLON_BENCH_TABLE ($(du -h "$QUILLON_BENCH_TABLE" | cut -f1))"

stats="$(mktemp)"
trap 'rm -f "$stats"' EXIT

run_measured() {  # name, command...: runs it under /usr/bin/time -v and prints time and peak RSS
  local name="$1"
  shift
  echo
  echo "=== $name"
  /usr/bin/time -v -o "$stats" "$@"
  grep -E 'Elapsed \(wall clock\)|Maximum resident set size' "$stats" | sed 's/^[[:space:]]*/    /'
}

# 2. Every Google Benchmark executable: engine (bench_engine), dataset (bench_dataset),
#    export (bench_export), and whatever bench/bench_*.cpp adds later.
found=0
for exe in "$build"/bench/bench_*; do
  [ -f "$exe" ] && [ -x "$exe" ] || continue
  found=1
  run_measured "$(basename "$exe")" "$exe" --benchmark_counters_tabular=true "$@"
done
if [ "$found" = 0 ]; then
  echo "run-benchmarks: no benchmark executables in $build/bench (configure with QUILLON_BUILD_BENCH=ON)" >&2
  exit 1
fi

# 3. Benchmarks that are scripts (the command-line converter against its floor, the GUI, ...):
#    each bench/run-*.sh gets the build folder, with QUILLON_BENCH_TABLE set and run_measured's
#    way of reporting left to it.
for script in bench/run-*.sh; do
  [ "$(basename "$script")" = run-benchmarks.sh ] && continue
  echo
  echo "=== $(basename "$script")"
  bash "$script" "$build"
done
