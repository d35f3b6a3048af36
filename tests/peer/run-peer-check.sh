#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Converts a copy of the sample log with the command-line converter and checks the ADIF
# file with an independent parser (installed by scripts/setup-test-peers.sh).
set -euo pipefail
cli="$1" samples="$2" work="$3"
here="$(cd "$(dirname "$0")" && pwd)"
if [ ! -d "$here/node_modules/adif-parser-ts" ]; then
  echo "adif-parser-ts is not installed: run scripts/setup-test-peers.sh first" >&2
  exit 1
fi
rm -rf "$work"
mkdir -p "$work"
cp "$samples/QUILLON.DBF" "$samples/QUILLON.DBT" "$work/"
"$cli" "$work/QUILLON.DBF"
node "$here/check-adif.js" "$work/QUILLON.DBF" "$work/QUILLON.adi"
