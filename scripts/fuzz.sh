#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while from the seeds in fuzz/corpus.
# Usage: scripts/fuzz.sh [seconds per target, default 60]. Exits non-zero if any target found a fault;
# the failing input is then in build-fuzz/artifacts/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build=build-fuzz
targets=(fuzz_request_body fuzz_authorization fuzz_mail_frame)

bash scripts/install-deps.sh
# Both packages are needed: clang alone lacks the libFuzzer and sanitizer runtimes.
missing=()
for p in clang libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DKEYNODE_BUILD_FUZZ=ON -DKEYNODE_BUILD_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"

export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
failed=()
for target in "${targets[@]}"; do
  # New inputs go to the build tree; the committed seeds are only read.
  work="$build/corpus/$target"
  artifacts="$build/artifacts/$target"
  log="$build/$target.log"
  mkdir -p "$work" "$artifacts"
  echo "=== $target: ${seconds}s (log: $log)"
  if "$build/fuzz/$target" "$work" "fuzz/corpus/$target" -max_total_time="$seconds" -max_len=4096 \
       -timeout=5 -print_final_stats=1 -artifact_prefix="$artifacts/" >"$log" 2>&1; then
    grep -E "^(Done|stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb)" "$log" || true
    grep -E "^#[0-9]+.*(DONE|pulse|NEW|REDUCE)" "$log" | tail -1 || true
  else
    echo "!!! $target failed; last lines of $log:"
    tail -n 40 "$log"
    failed+=("$target")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "all fuzz targets ran ${seconds}s without a fault"
