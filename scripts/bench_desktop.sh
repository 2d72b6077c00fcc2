#!/usr/bin/env bash
# Frames a second of the desktop window while its view turns, under the software renderer: the torus
# example and a 301 x 301 torus are plotted in batch into part files, then orv_desktop_bench turns
# each for a few hundred frames in a 1280 x 800 window (on Xvfb when there is no display). A
# benchmark to read, not a test: it fails only when something cannot run.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build > /dev/null
cmake --build build -j "$(nproc)" --target orvantis orv_desktop_bench
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp examples/torus.eqn "$work/torus.eqn"
sed 's/^step_size1 = .*/step_size1 = 1.2/; s/^step_size2 = .*/step_size2 = 1.2/' examples/torus.eqn > "$work/torus301.eqn"
for eqn in torus torus301; do
  build/host/orvantis plot "$work/$eqn.eqn" --export "$work/$eqn.json" > /dev/null
done
run=()
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  run=(xvfb-run -a -s "-screen 0 1280x800x24")
fi
for eqn in torus torus301; do
  "${run[@]}" build/host/orv_desktop_bench "$work/$eqn.json" 300
done
