#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Times the program's window on a 1,000,000-record log (offscreen): opening it and showing
# the first screen, Ctrl+End to the last record, a scroll-bar drag to the middle, Ctrl+Home;
# then the peak memory of the whole run for 1,000,000 and for 10,000 records, to show that
# memory does not grow with the log.
#
#   bench/run-gui-bench.sh [BUILD] [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
build="$(cd "${1:-build}" && pwd)"
rounds="${2:-5}"

if [ ! -x /usr/bin/time ]; then
  echo "run-gui-bench: /usr/bin/time is missing (Debian package time; make deps installs it)" >&2
  exit 1
fi
cmake --build "$build" --target quillon-genlog gui_bench >/dev/null

# Tables of the window's own, so that its header rewrites touch no other benchmark's data.
data="$build/bench-data"
mkdir -p "$data"
for records in 1000000 10000; do
  table="$data/GUI$records.DBF"
  if [ ! -f "$table" ]; then
    "$build/tools/quillon-genlog" --records "$records" --level 0 --deleted-every 50 --memo-every 100 \
      --seed 1 "$table"
  fi
done

stats="$(mktemp)"
trap 'rm -f "$stats"' EXIT
for records in 1000000 10000; do
  echo
  echo "=== $records records"
  QT_QPA_PLATFORM=offscreen /usr/bin/time -v -o "$stats" \
    "$build/tests/app/gui_bench" "$data/GUI$records.DBF" "$rounds" 2>/dev/null
  grep -E 'Maximum resident set size' "$stats" | sed 's/^[[:space:]]*/    /'
done
