#!/usr/bin/env bash
# User-space instructions per request of bench_api_server, counted by callgrind: GET /bare, GET
# /api/v1/info/api, GET of one access group with ten rights, and POST of such groups. Unlike wrk figures
# these hardly move with what else the machine does (two runs of one build differ by about 2 %, mostly
# the background threads' periodic work, which is counted too); kernel time (sockets, file locks, fsync)
# is not in them. KEEP_DUMPS=prefix keeps each callgrind dump as prefix.bare and so on.
# Usage: bench/request_instructions.sh [build dir, default build] [another build dir] [requests, default 300]
set -euo pipefail
cd "$(dirname "$0")/.."
command -v valgrind >/dev/null || apt-get install -y valgrind >/dev/null
command -v sqlite3 >/dev/null || apt-get install -y sqlite3 >/dev/null
. bench/bench-rights.sh
builds=("${1:-build}"); [ -z "${2:-}" ] || builds+=("$2")
count="${3:-300}"
work="$(mktemp -d)"
server=""
stop_server() {
  [ -n "$server" ] || return 0
  kill "$server" 2>/dev/null || true
  # valgrind takes a while to let go; the data stays until the server is gone.
  for _ in $(seq 100); do kill -0 "$server" 2>/dev/null || break; sleep 0.1; done
  kill -9 "$server" 2>/dev/null || true
  wait "$server" 2>/dev/null || true
  server=""
}
trap 'stop_server; rm -rf "$work"' EXIT
auth="Authorization: Basic $(printf 'bench:bench-password' | base64)"

# Requests from a curl config file, on one kept-alive connection. Each gets its own options ("next"):
# otherwise curl would join every body into one.
requests() { # how many, url [POST body: name prefix]
  local n="$1"; shift
  for i in $(seq "$n"); do
    [ "$i" = 1 ] || echo next
    echo "url = \"$1\""
    echo 'output = "/dev/null"'
    echo fail
    echo "header = \"$auth\""
    echo 'header = "Content-Type: application/json"'
    [ -z "${2:-}" ] || printf 'data = "%s%s\\"}"\n' "$2" "$i"
  done >"$work/requests"
  # A refused request would be counted as a cheap one.
  curl -s -K "$work/requests" || { echo "a request to $1 failed" >&2; exit 1; }
}

measure() { # build dir -> figures: "bare info get post", thousands of instructions per request
  local base rights out="$work/out"
  figures=""
  rm -rf "$work/data" "$work"/callgrind.*
  valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.out" "$1/bench/bench_api_server" \
    "$work/data" 2 >"$out" 2>&1 &
  server=$!
  for _ in $(seq 600); do grep -qs "http listening" "$out" && break; sleep 0.1; done
  base="http://127.0.0.1:$(sed -n 's/^http listening on 127.0.0.1:\([0-9]*\)$/\1/p' "$out")"
  # The body goes into a curl config file, whose quoted strings escape their quotes.
  rights=$(bench_rights "$work/data/keynode.db" | sed 's/"/\\"/g')
  local post="{\\\"id\\\":{},\\\"accessRights\\\":[$rights],\\\"name\\\":\\\"bench "
  requests 1 "$base/api/v1/access/accessGroups" "${post}first-" # group 1, for the GET
  for what in bare info get post; do
    case $what in
    bare) set -- "$base/bare" ;;
    info) set -- "$base/api/v1/info/api" ;;
    get) set -- "$base/api/v1/access/accessGroups?id=%7B%22id%22%3A1%7D" ;;
    post) set -- "$base/api/v1/access/accessGroups" "$post$what-" ;;
    esac
    requests 20 "$@" # warms the caches
    callgrind_control -z "$server" >/dev/null 2>&1
    [ "$what" != post ] || set -- "$1" "${post}counted-"
    requests "$count" "$@"
    callgrind_control -d "$server" >/dev/null 2>&1
    local dump instructions
    dump=$(ls -t "$work"/callgrind.out.* | head -1)
    instructions=$(callgrind_annotate "$dump" | awk '/PROGRAM TOTALS/ {gsub(",", "", $1); print $1}')
    figures="$figures $(awk -v i="$instructions" -v n="$count" 'BEGIN {printf "%.1f", i / n / 1000}')"
    [ -z "${KEEP_DUMPS:-}" ] && rm -f "$dump" || cp "$dump" "$KEEP_DUMPS.$what"
  done
  stop_server
}

printf "%-24s %10s %10s %10s %10s   (thousand instructions per request, %s requests each)\n" \
  build "GET bare" "info/api" "GET group" "POST group" "$count"
for dir in "${builds[@]}"; do
  measure "$dir"
  printf "%-24s %10s %10s %10s %10s\n" "$dir" $figures
done
