#!/usr/bin/env bash
# Everything from a fresh Debian 12 machine to a passing test run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
cd build
ctest --output-on-failure --timeout 300 -j"$(nproc)"
