#!/usr/bin/env bash
# Card and card holder lookups and filter pages on a site of N generated cards (default 1,000,000),
# beside GET /api/v1/info/api of the same keynoded; prints p50 and p99 per request and the daemon's
# resident memory (VmHWM is the peak over the whole run).
# Usage: bench/cards_bench.sh [cards, default 1000000] [requests per kind, default 60]
# KEYNODE_BENCH_DATA=DIR keeps the generated site in DIR for later runs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --bench
cards="${1:-1000000}"; requests="${2:-60}"
build="${KEYNODE_BENCH_BUILD:-build-bench}"
# A build directory given from outside is used as it is configured.
[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKEYNODE_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target keynoded keynodectl >/dev/null
data="${KEYNODE_BENCH_DATA:-$(mktemp -d)/site}"
ctl="$build/apps/keynodectl/keynodectl --data-dir $data"
if [ ! -f "$data/keynode.db" ]; then
  $ctl init >/dev/null
  $ctl demo >/dev/null
  $ctl user add bench --password bench-password --all-methods >/dev/null
  $ctl property set GeneralWebApiSettings_Enabled 1 >/dev/null
  start=$(date +%s.%N)
  $ctl demo --cards "$cards" >/dev/null
  echo "generated $cards cards in $(echo "$(date +%s.%N) - $start" | bc) s"
fi
out="$(mktemp)"
"$build/apps/keynoded/keynoded" --data-dir "$data" --http-port 0 --https-port 0 --workers 2 >"$out" 2>&1 &
daemon=$!
trap 'kill $daemon 2>/dev/null; wait $daemon 2>/dev/null; rm -f "$out"' EXIT
for _ in $(seq 100); do grep -q "http listening" "$out" && break; sleep 0.1; done
port=$(sed -n 's/^http listening on 127.0.0.1:\([0-9]*\)$/\1/p' "$out")
[ -n "$port" ] || { cat "$out"; exit 1; }
for _ in $(seq 50); do # the service thread loads the settings first
  curl -sf -u bench:bench-password "http://127.0.0.1:$port/api/v1/info/api" >/dev/null && break; sleep 0.1
done
python3 bench/cards_latency.py "$port" bench bench-password "$cards" "$requests" "$daemon"
