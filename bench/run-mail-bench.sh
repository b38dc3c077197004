#!/usr/bin/env bash
# GET /api/v1/info/api over the mail road (bench_mail_client) beside the same over HTTP (wrk), with 1 and
# 8 clients / connections, in one run: requests per second, p99 and the mail/HTTP ratio.
# Usage: bench/run-mail-bench.sh [seconds per run, default 10] [server workers, default 2]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --bench
seconds="${1:-10}"; workers="${2:-2}"
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DKEYNODE_BUILD_BENCH=ON -DKEYNODE_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench -j2 --target bench_api_server bench_mail_client >/dev/null
data="$(mktemp -d)"; out="$data/server.out"
build-bench/bench/bench_api_server "$data/dd" "$workers" >"$out" 2>&1 &
server=$!
trap 'kill $server 2>/dev/null; wait $server 2>/dev/null; rm -rf "$data"' EXIT
for _ in $(seq 100); do grep -q "mail router listening" "$out" && break; sleep 0.1; done
port=$(sed -n 's/^http listening on 127.0.0.1:\([0-9]*\)$/\1/p' "$out")
socket=$(sed -n 's/^mail router listening on //p' "$out")
[ -n "$port" ] && [ -n "$socket" ] || { cat "$out"; exit 1; }
auth="Authorization: Basic $(printf 'bench:bench-password' | base64)"
http() { # connections -> "rps p99"
  wrk -t 1 -c "$1" -d "${seconds}s" --latency -H "$auth" -H "Content-Type: application/json" \
    "http://127.0.0.1:$port/api/v1/info/api" | awk '/^Requests\/sec/ {rps=$2} /^ +99%/ {p99=$2} END {print rps, p99}'
}
curl -sf -H "$auth" -H "Content-Type: application/json" "http://127.0.0.1:$port/api/v1/info/api" >/dev/null
build-bench/bench/bench_mail_client "$socket" 1 1 >/dev/null # the service has registered and is warm
printf "%-6s %-8s %12s %10s %8s\n" road clients req/s p99 failed
for clients in 1 8; do
  read -r http_rps http_p99 < <(http "$clients")
  read -r mail_rps mail_p99 mail_failed < <(build-bench/bench/bench_mail_client "$socket" "$seconds" "$clients")
  printf "%-6s %-8s %12s %10s %8s\n" http "$clients" "$http_rps" "$http_p99" - mail "$clients" "$mail_rps" "${mail_p99}us" "$mail_failed"
  awk -v m="$mail_rps" -v h="$http_rps" -v c="$clients" 'BEGIN {printf "ratio mail/http at %s clients: %.2f\n", c, m / h}'
done
