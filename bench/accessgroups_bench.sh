#!/usr/bin/env bash
# Loads POST /api/v1/access/accessGroups (a new group with ten door rights per request, each with its own
# name) and GET of one stored group with wrk, beside the bare resource of the same server, and prints
# requests per second, p99 latency and the ratio to the bare figure of the same run.
# Usage: bench/accessgroups_bench.sh [seconds per run, default 10] [server workers, default 2]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --bench
command -v sqlite3 >/dev/null || { echo "the sqlite3 shell is needed to add doors (apt-get install sqlite3)"; exit 1; }
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

# The doors and the card-holder week program the rights name (bench-rights.sh).
. bench/bench-rights.sh
db="$data/dd/keynode.db"
rights=$(bench_rights "$db")

auth="Authorization: Basic $(printf 'bench:bench-password' | base64)"
api="http://127.0.0.1:$port/api/v1/access/accessGroups"
first=$(curl -sf -H "$auth" -H "Content-Type: application/json" -X POST \
  -d "{\"id\":{},\"name\":\"bench first\",\"accessRights\":[$rights]}" "$api")
first_id=$(printf '%s' "$first" | sed -n 's/^{"accessGroup":{"id":{"id":\([0-9]*\)}.*/\1/p')
[ -n "$first_id" ] || { echo "POST failed: $first"; exit 1; }

# Every wrk thread numbers its requests; thread number and count make each name unique.
cat >"$data/post.lua" <<LUA
local threads = 0
function setup(thread)
  threads = threads + 1
  thread:set("tid", threads)
end
local count = 0
function request()
  count = count + 1
  local body = '{"id":{},"name":"bench ' .. tid .. '-' .. count .. '","accessRights":[$rights]}'
  return wrk.format("POST", "/api/v1/access/accessGroups", nil, body)
end
LUA

run() { # url connections [lua script] -> "rps p99 failed"
  wrk -t 2 -c "$2" -d "${seconds}s" --latency -H "$auth" -H "Content-Type: application/json" \
    ${3:+-s "$3"} "$1" |
    awk '/^Requests\/sec/ {rps=$2} /^ +99%/ {p99=$2} /^ +Non-2xx/ {bad=$NF} END {print rps, p99, bad + 0}'
}
get_url="$api?id=%7B%22id%22%3A$first_id%7D"
printf "%-30s %-6s %12s %10s %8s %8s\n" endpoint conns req/s p99 vs-bare non-2xx
for conns in 2 32; do
  read -r bare_rps bare_p99 bare_bad < <(run "http://127.0.0.1:$port/bare" "$conns")
  read -r post_rps post_p99 post_bad < <(run "$api" "$conns" "$data/post.lua")
  read -r get_rps get_p99 get_bad < <(run "$get_url" "$conns")
  for row in "bare|$bare_rps|$bare_p99|$bare_bad" "POST accessGroups (10 rights)|$post_rps|$post_p99|$post_bad" \
    "GET accessGroups?id=|$get_rps|$get_p99|$get_bad"; do
    IFS='|' read -r name rps p99 bad <<<"$row"
    awk -v n="$name" -v c="$conns" -v r="$rps" -v p="$p99" -v b="$bare_rps" -v f="$bad" \
      'BEGIN {printf "%-30s %-6s %12s %10s %8.3f %8s\n", n, c, r, p, r / b, f}'
  done
done
groups=$(sqlite3 "$db" "SELECT COUNT(*) FROM AccessGroups;"); stored=$(sqlite3 "$db" "SELECT COUNT(*) FROM AccessGroupRights;")
echo "stored: $groups groups, $stored rights"
