#!/usr/bin/env bash
# Builds everything and runs the whole test suite. Usage: scripts/test.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build="${1:-build}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKEYNODE_BUILD_TESTS=ON
cmake --build "$build" -j "$(nproc)"
cd "$build"
ctest -j2 --output-on-failure --timeout 300
