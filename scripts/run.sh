#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Kesterly is a desktop program and needs a display, but neither DISPLAY nor" >&2
  echo "WAYLAND_DISPLAY is set. Start it from a desktop session (or under Xvfb)." >&2
  exit 1
fi

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target kesterly
exec build/kesterly "$@"
