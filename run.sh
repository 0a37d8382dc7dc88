#!/usr/bin/env bash
# Installs what is missing, builds in release mode and runs the program.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh

build=build
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$build"

exec "$build/tools/quad_demo" "$@"
