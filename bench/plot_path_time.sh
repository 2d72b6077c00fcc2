#!/bin/sh
# The plot path through the real program: `orvantis plot` of the equation files in bench/data, with
# each export, under /usr/bin/time; prints the CPU seconds (user + system) and the peak memory. Then
# `orvantis --version` and, where they are built, the floor programs of bench/floors beside them.
# Usage: bench/plot_path_time.sh [BUILD_DIR]   (default: build)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build}
orvantis=$build/host/orvantis
[ -x "$orvantis" ] || { echo "plot_path_time.sh: $orvantis: not built" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 700 "$work"
printf '%-40s %10s %10s\n' "plot" "CPU s" "peak MiB"
# run FILE [EXTENSION]: one plot, exporting to a file of that extension when one is given.
run() {
  file=$1
  ext=${2:-}
  if [ -n "$ext" ]; then set -- --export "$work/out.$ext"; else set --; fi
  /usr/bin/time -f '%U %S %M' -o "$work/time" "$orvantis" plot "$here/data/$file" --temp-dir "$work" "$@" \
    >/dev/null 2>&1 || { echo "plot_path_time.sh: $file ${ext:-}: the plot failed" >&2; exit 1; }
  awk -v label="$file ${ext:+--export .$ext}" \
    '{ printf "%-40s %10.2f %10.0f\n", label, $1 + $2, $3 / 1024 }' "$work/time"
  rm -f "$work"/out.*
}
run points_helix_1e6.eqn
for ext in json png svg step igs; do run points_helix_1e6.eqn $ext; done
run torus_surf_1000.eqn
run torus_surf_1000.eqn json

# floor LABEL PROGRAM [ARGS]: a floor program of bench/floors, when built.
floor() {
  label=$1
  shift
  [ -x "$1" ] || { printf '%-40s %21s\n' "$label" "(not built)"; return; }
  /usr/bin/time -f '%U %S %M' -o "$work/time" "$@" >/dev/null 2>&1 || { echo "plot_path_time.sh: $label failed" >&2; exit 1; }
  awk -v label="$label" '{ printf "%-40s %10.2f %10.0f\n", label, $1 + $2, $3 / 1024 }' "$work/time"
  rm -f "$work"/out.*
}
floor "orvantis --version" "$orvantis" --version
floor "floor: version_floor" "$build/bench/version_floor"
floor "floor: points_floor" "$build/bench/points_floor"
floor "floor: points_floor --png" "$build/bench/points_floor" --png "$work/out.png"
floor "floor: surface_floor" "$build/bench/surface_floor"
floor "floor: surface_floor --stl" "$build/bench/surface_floor" --stl "$work/out.stl"
