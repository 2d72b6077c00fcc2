#!/usr/bin/env bash
# Sets up a fresh machine if needed, builds, and runs the main job: the checker on the built-in
# example file.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build > /dev/null
cmake --build build -j "$(nproc)" --target kuvra-check
build/tools/kuvra-check examples/helix.eqn
