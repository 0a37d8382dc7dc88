#!/usr/bin/env bash
# Installs what is missing, builds in release mode and starts the game in the assets folder,
# where its pictures are and where it writes Bosquetir.log. Without a display (no DISPLAY and no
# WAYLAND_DISPLAY) a robot plays one headless game instead and its result is printed.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh

build=build-release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target bosquetir headless_demo

cd assets
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  exec "../$build/tools/headless_demo/headless_demo" "$@"
fi
exec "../$build/app/bosquetir"
