#!/usr/bin/env bash
# Configures and builds into ./build (binaries and their data end up in build/run).
set -euo pipefail
cd "$(dirname "$0")/.."
generator=()
command -v ninja >/dev/null && [ ! -f build/CMakeCache.txt ] && generator=(-G Ninja)
cmake -S . -B build "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
