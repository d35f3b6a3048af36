#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The converter against the floor (a minimal C program that streams the table and writes
# ADIF-sized output), side by side on the same generated log: wall time, peak memory, ratio.
#
#   bench/run-export-vs-floor.sh [BUILD_DIR] [RECORDS] [RUNS]
#
# Needs the build's quillon-genlog and quillon2adif-cli, cc, and /usr/bin/time (Debian's
# "time" package).  The floor's source is shared/bench/floor.c beside the work tree
# (FLOOR_C overrides it).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
records="${2:-1000000}"
runs="${3:-3}"
floor_c="${FLOOR_C:-$root/../shared/bench/floor.c}"
work="$build/bench-export"
mkdir -p "$work"

cc -O2 -o "$work/floor" "$floor_c"
if [ ! -f "$work/LOG.DBF" ] || [ "$(cat "$work/LOG.records" 2>/dev/null)" != "$records" ]; then
  "$build/tools/quillon-genlog" --records "$records" "$work/LOG.DBF"
  echo "$records" > "$work/LOG.records"
fi
cat "$work/LOG.DBF" "$work/LOG.DBT" > /dev/null  # both start from a warm page cache

# Runs one command under /usr/bin/time -v; prints "seconds kib".
measure() {
  local report="$work/time.txt"
  /usr/bin/time -v -o "$report" "$@" > /dev/null 2>> "$work/stderr.txt"
  awk -F': ' '
    /Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i] }
    /Maximum resident set size/ { kib = $2 }
    END { printf "%.3f %d\n", s, kib }' "$report"
}

floor_cmd=("$work/floor" -s "$work/LOG.DBF" "$work/floor.adi")
cli_cmd=("$build/cli/quillon2adif-cli" -o "$work/cli.adi" "$work/LOG.DBF")
echo "log: $work/LOG.DBF ($records records, $(stat -c %s "$work/LOG.DBF") bytes)"
echo "floor:     ${floor_cmd[*]}"
echo "converter: ${cli_cmd[*]}"
best_floor="" best_cli="" rss_floor=0 rss_cli=0
for run in $(seq "$runs"); do
  read -r f_s f_kib < <(measure "${floor_cmd[@]}")
  read -r c_s c_kib < <(measure "${cli_cmd[@]}")
  printf 'run %d: floor %6.3f s %7d KiB   converter %6.3f s %7d KiB\n' "$run" "$f_s" "$f_kib" "$c_s" "$c_kib"
  if [ -z "$best_floor" ] || awk "BEGIN { exit !($f_s < $best_floor) }"; then best_floor=$f_s; fi
  if [ -z "$best_cli" ] || awk "BEGIN { exit !($c_s < $best_cli) }"; then best_cli=$c_s; fi
  [ "$f_kib" -gt "$rss_floor" ] && rss_floor=$f_kib
  [ "$c_kib" -gt "$rss_cli" ] && rss_cli=$c_kib
done
echo "output: floor $(stat -c %s "$work/floor.adi") bytes, converter $(stat -c %s "$work/cli.adi") bytes"
awk -v f="$best_floor" -v c="$best_cli" -v rf="$rss_floor" -v rc="$rss_cli" 'BEGIN {
  printf "best of runs: floor %.3f s, converter %.3f s, ratio %.2fx (goal: within 2x)\n", f, c, (f > 0 ? c / f : 0)
  printf "peak memory: floor %d KiB, converter %d KiB\n", rf, rc }'
