#!/usr/bin/env bash
# Draws the pictures, icons and cursor in resources/ again from resources/drawing/.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S resources/drawing -B build-drawing -G Ninja >/dev/null
cmake --build build-drawing
build-drawing/drawpictures resources
