#!/usr/bin/env bash
# Builds everything and runs every test. Extra arguments go to CMake (for example
# -DVELPAY_SANITIZE=ON); BUILD_DIR chooses the build folder (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} "$@" >/dev/null
ninja -C "$build"
cd "$build"
ctest --output-on-failure -j "$(nproc)" --timeout 600
