#!/usr/bin/env bash
# Webhook delivery: a backlog of events (each with three details) drained to a receiver on loopback with
# the default page of 1000, then the idle latency of single new events.
# Usage: bench/run-webhook-bench.sh [events, default 100000] [latency samples, default 50]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --bench
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DKEYNODE_BUILD_BENCH=ON -DKEYNODE_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench -j2 --target bench_webhook_drain >/dev/null
data="$(mktemp -d)"
trap 'rm -rf "$data"' EXIT
build-bench/bench/bench_webhook_drain "$data/dd" "${1:-100000}" "${2:-50}"
