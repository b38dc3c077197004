#!/usr/bin/env bash
# Builds the suite with sanitizers in a build directory of its own and runs it.
#   scripts/test-sanitizers.sh [build-dir]            AddressSanitizer and UndefinedBehaviorSanitizer, whole suite
#   scripts/test-sanitizers.sh --thread [build-dir]   ThreadSanitizer, whole suite
# Any report fails the run: ASan and TSan exit non-zero on their first report, UBSan aborts.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=address
if [ "${1:-}" = "--thread" ]; then mode=thread; shift; fi
build="${1:-build-$mode}"
bash scripts/install-deps.sh
# -O1 -g1: quick enough to build and run, with the line numbers a report needs.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" \
  -DKEYNODE_BUILD_TESTS=ON -DKEYNODE_SANITIZE="$mode"
cmake --build "$build" -j "$(nproc)"
cd "$build"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
exec ctest -j2 --output-on-failure --timeout 600
