#!/usr/bin/env bash
# Line and branch coverage of the library and the host by the whole suite, with gcovr.
# Usage: scripts/coverage.sh [build-dir, default build-cov]. Builds without optimisation so that every
# line maps to code, runs ctest, prints one summary each for KeynodeApi/ and host/src/, and writes an HTML
# report to <build-dir>/coverage/index.html.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/install-deps.sh --coverage
build="${1:-build-cov}"
# Atomic counters: threads that bump one counter at once would otherwise leave counts that gcov prints as
# negative ("branch 4 taken -3"), and gcovr stops at them.
flags="--coverage -fprofile-update=atomic -O0"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKEYNODE_BUILD_TESTS=ON \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS=--coverage -DCMAKE_SHARED_LINKER_FLAGS=--coverage
cmake --build "$build" -j "$(nproc)"
find "$build" -name '*.gcda' -delete
(cd "$build" && ctest -j2 --timeout 300 --output-on-failure)

root="$PWD"
# Branches the compiler adds for exceptions are not decisions of the code; counting them would hide
# the real ones.
# One gcov job: gcovr 5.2 run in parallel has hung and misread gcov's output here.
common=(-r "$root" -j 1 --exclude-throw-branches --exclude-unreachable-branches)
mkdir -p "$build/coverage"
for part in KeynodeApi host/src; do
  echo "=== $part"
  # Never -o /dev/null: gcovr deletes the output file it checked, and as root that is the device itself.
  gcovr "${common[@]}" --filter "$root/$part/" --print-summary -o "$build/coverage/${part//\//-}.txt" "$build" |
    grep -E "^(lines|branches)"
done
gcovr "${common[@]}" --filter "$root/KeynodeApi/" --filter "$root/host/src/" --html-details \
  -o "$build/coverage/index.html" "$build" >/dev/null
echo "report: $build/coverage/index.html"
