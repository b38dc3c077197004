#!/usr/bin/env bash
# Crash safety of keynoded (not part of CI: a run takes about a second). Builds the daemon and runs
# scripts/crash_test.py, passing its options on, e.g. scripts/crash-test.sh --runs 20.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target keynoded keynodectl
exec python3 scripts/crash_test.py --build build "$@"
