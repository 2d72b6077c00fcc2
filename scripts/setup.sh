#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the benchmarks and the fuzzers need (ccache,
# which the build uses when present; the desktop window's GLFW, Dear ImGui and OpenGL, and Xvfb and
# xdotool that its tests run under), and only those that are missing, then makes the German
# locale that the tests of number formatting under a decimal comma run in. Safe to run again;
# downloads from Debian's archive only.
set -euo pipefail

packages=(
  cmake g++ make pkg-config git ccache
  libgtest-dev libgmock-dev libbenchmark-dev libmuparser-dev
  clang libclang-rt-14-dev
  libocct-modeling-algorithms-dev libocct-data-exchange-dev
  libcairo2-dev
  libncurses-dev
  libdxflib-dev libzip-dev
  python3 python3-ezdxf admesh
  nlohmann-json3-dev
  libtbb-dev
  tmux
  libimgui-dev libglfw3-dev libgl-dev libx11-dev fonts-dejavu-core
  xvfb xauth xdotool
  locales
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q "${missing[@]}"
fi

# A locale whose decimal separator is a comma: numbers must not follow it.
comma_locale=de_DE.UTF-8
if ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
  echo "setup: generating the locale $comma_locale"
  $sudo localedef -i de_DE -f UTF-8 "$comma_locale"
fi
