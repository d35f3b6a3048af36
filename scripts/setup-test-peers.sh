#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the independent tools the cross-check tests run as peers (the npm ADIF parser).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -f tests/peer/package.json ] && [ ! -d tests/peer/node_modules ]; then
  (cd tests/peer && npm install --no-audit --no-fund --loglevel=error)
fi
