#!/usr/bin/env bash
# Sets up a fresh machine if needed, builds, and runs the main job: the Orvantis host with the Kuvra
# Zlink on its built-in example file (ZLINKS/kuvra.eqn, a helix) in the terminal. At the file prompt
# press Enter, then Alt+P to plot and Alt+O (OK) or Esc (Cancel) to end. Without a terminal the
# example is plotted in batch instead, and its geometry is written as STEP and PNG into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build > /dev/null
cmake --build build -j "$(nproc)" --target orvantis kuvra-check
example=build/host/app/data/ZLINKS/kuvra.eqn
build/tools/kuvra-check "$example"
if [ -t 0 ] && [ -t 1 ]; then
  exec build/host/orvantis
fi
build/host/orvantis plot "$example" --export build/kuvra.step --export build/kuvra.png
echo "main: no terminal, so the example was plotted in batch: build/kuvra.step, build/kuvra.png"
