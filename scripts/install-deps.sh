#!/usr/bin/env bash
# Installs the Debian packages the game and its tests need, only those missing.
set -euo pipefail

packages=(
  # build
  g++ cmake pkg-config clang libclang-rt-14-dev
  libsdl2-dev libgl-dev libegl-dev libosmesa6-dev
  libfluidsynth-dev fluidsynth timgm6mb-soundfont
  libfltk1.3-dev fluid libx11-dev libfreetype-dev libfontconfig1-dev fonts-dejavu-core
  libjpeg62-turbo-dev libpng-dev libgtest-dev libgmock-dev libbenchmark-dev
  # running the game
  libsdl2-2.0-0 libgl1 libgl1-mesa-dri libglx-mesa0 libosmesa6
  # headless tests: a real X server for the game window, and tools to drive it;
  # a locale with a decimal comma, to prove the model files read the same in it
  xvfb xauth xfonts-base xdotool x11-utils x11-apps imagemagick locales
  # tests of the sound and music readers against files other programs wrote
  sox abcmidi midicsv
  # scripts/bench.sh builds its table with it
  python3
)

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -q
  "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

has_comma_locale() { locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; }
# localedef exits 1 for mere warnings; what counts is that the locale exists.
has_comma_locale || "${sudo[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8 || has_comma_locale
