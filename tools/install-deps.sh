#!/usr/bin/env bash
# Installs, from Debian's packages, everything the build, the tests and the examples need.
set -euo pipefail
pkgs=(build-essential cmake pkg-config libgtest-dev libgmock-dev libbenchmark-dev
      liballegro5-dev liballegro-image5-dev ghostscript libuemf-dev hershey-fonts-data
      xvfb xauth xdotool x11-apps imagemagick libgl1-mesa-dri clang libclang-rt-14-dev valgrind
      time libeigen3-dev inkscape libreoffice-draw-nogui libcairo2-dev libpng-dev poppler-utils
      librsvg2-bin pngcheck libxml2-utils man-db dpkg-dev python3 octave)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
