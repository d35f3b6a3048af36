#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the program on a copy of the bundled sample log (the copy keeps samples/ untouched,
# since closing a writable log rewrites its header).  Without a display it says so and
# converts the sample with the command-line converter instead.
set -euo pipefail
build="${1:-build}"
cd "$(dirname "$0")/.."
demo="$build/demo"
mkdir -p "$demo"
cp -f samples/QUILLON.DBF samples/QUILLON.DBT "$demo/"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found (DISPLAY is not set): converting the sample log with the command-line converter instead."
elif [ ! -x "$build/app/quillon2adif" ]; then
  echo "The program was not built in $build (configured with QUILLON_BUILD_GUI=OFF?): converting the sample log with the command-line converter instead."
else
  # The program reads its help from where it is installed; a build that is not installed
  # has the collection in its own tree.
  exec "$build/app/quillon2adif" --help-collection "$build/app/help/quillon2adif.qhc" "$demo/QUILLON.DBF"
fi
"$build/cli/quillon2adif-cli" "$demo/QUILLON.DBF"
echo "--- $demo/QUILLON.adi ---"
cat "$demo/QUILLON.adi"
