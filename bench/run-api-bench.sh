#!/usr/bin/env bash
# Loads GET /api/v1/info/api (Basic auth, full pipeline) and the bare resource of the same server with wrk,
# at 2 and 32 connections, and prints requests per second, p99 latency and the pipeline/bare ratio.
# Usage: bench/run-api-bench.sh [seconds per run, default 10] [server workers, default 2]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --bench
seconds="${1:-10}"; workers="${2:-2}"
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DKEYNODE_BUILD_BENCH=ON -DKEYNODE_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench --target bench_api_server >/dev/null
data="$(mktemp -d)"; out="$data/server.out"
build-bench/bench/bench_api_server "$data/dd" "$workers" >"$out" 2>&1 &
server=$!
trap 'kill $server 2>/dev/null; wait $server 2>/dev/null; rm -rf "$data"' EXIT
for _ in $(seq 100); do grep -q "listening" "$out" && break; sleep 0.1; done
port=$(sed -n 's/^http listening on 127.0.0.1:\([0-9]*\)$/\1/p' "$out")
[ -n "$port" ] || { cat "$out"; exit 1; }
auth="Authorization: Basic $(printf 'bench:bench-password' | base64)"
run() { # url connections -> "rps p99"
  wrk -t 2 -c "$2" -d "${seconds}s" --latency -H "$auth" -H "Content-Type: application/json" "$1" \
    | awk '/^Requests\/sec/ {rps=$2} /^ +99%/ {p99=$2} END {print rps, p99}'
}
curl -sf -H "$auth" -H "Content-Type: application/json" "http://127.0.0.1:$port/api/v1/info/api" >/dev/null
printf "%-12s %-6s %12s %10s\n" endpoint conns req/s p99
for conns in 2 32; do
  read -r bare_rps bare_p99 < <(run "http://127.0.0.1:$port/bare" "$conns")
  read -r api_rps api_p99 < <(run "http://127.0.0.1:$port/api/v1/info/api" "$conns")
  printf "%-12s %-6s %12s %10s\n" bare "$conns" "$bare_rps" "$bare_p99" /api/v1/info/api "$conns" "$api_rps" "$api_p99"
  awk -v a="$api_rps" -v b="$bare_rps" -v c="$conns" 'BEGIN {printf "ratio api/bare at %s connections: %.2f\n", c, a / b}'
done
