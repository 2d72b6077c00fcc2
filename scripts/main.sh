#!/usr/bin/env bash
# Sets up a fresh machine if needed, builds, and runs the main job: the Orvantis host with the Kuvra
# Zlink on its built-in example file (ZLINKS/kuvra.eqn, a helix), in a desktop window where there is
# a display (DISPLAY or WAYLAND_DISPLAY), else in the terminal. At the file prompt press Enter, then
# Alt+P to plot and Alt+O (OK) or Esc (Cancel) to end; arguments are passed on to the host (--part
# FILE.json keeps the geometry in a part file, --terminal keeps to the terminal). Without a display
# or a terminal the example is plotted in batch instead, and its geometry is written as STEP and PNG
# into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build > /dev/null
cmake --build build -j "$(nproc)" --target orvantis kuvra-check
example=build/host/app/data/ZLINKS/kuvra.eqn
build/tools/kuvra-check "$example"
keep="nowhere until you export it: F3 in the host writes it to a file you name (.step .igs .json .stl .3mf .glb .dxf"
keep+=" .svg .png), and leaving with geometry not yet written asks whether to save it"
terminal_forced=no
for arg in "$@"; do
  case "$arg" in
    --part|--part=*|--export|--export=*) keep="where your --part and --export options say, at exit" ;;
    --terminal) terminal_forced=yes ;;
  esac
done
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ "$terminal_forced" = no ]; then
  echo "main: opening the desktop window; your geometry goes $keep."
  exec build/host/orvantis "$@"
fi
if [ -t 0 ] && [ -t 1 ]; then
  echo "main: your geometry goes $keep."
  sleep 2  # long enough to read before the host takes the screen
  exec build/host/orvantis "$@"
fi
build/host/orvantis plot "$example" --export build/kuvra.step --export build/kuvra.png
echo "main: no terminal, so the example was plotted in batch: build/kuvra.step, build/kuvra.png"
