#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the benchmarks and the fuzzers need,
# and only those that are missing. Safe to run again; downloads from Debian's archive only.
set -euo pipefail

packages=(
  cmake g++ make pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  libocct-modeling-algorithms-dev libocct-data-exchange-dev
  libcairo2-dev
  libncurses-dev
  nlohmann-json3-dev
  libtbb-dev
  tmux
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q "${missing[@]}"
