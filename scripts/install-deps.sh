#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests, the benchmarks and the
# desktop checks need. Only what is missing is installed, so a second run is quick.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  libstb-dev libsquish-dev libnvtt-dev
  libsdl2-dev libfreetype-dev libfontconfig-dev fonts-dejavu-core
  libpng-dev libjpeg-dev zlib1g-dev libdeflate-dev
  nlohmann-json3-dev
  xvfb xauth xdotool x11-utils imagemagick xfonts-base
  # Independent readers and writers of BC4/BC5 DDS files, for the tests only.
  libnvtt-bin python3-pil
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
