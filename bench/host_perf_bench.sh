#!/usr/bin/env bash
# Speed and footprint of the host, for two builds side by side in one run: the ratio of GET /info/api to the
# bare resource, GET of one access group with ten rights as a share of /info/api, POST of such groups at 1
# to 32 connections (p50, p99, req/s), peak resident memory after wrong-password logins, and the size of
# the stripped libraries and programs. Every figure is the median of three wrk runs (the GET ratios: of
# three ratios, each between runs made back to back); the last column says whether the goal holds for
# the new build.
# Usage: bench/host_perf_bench.sh [base build dir] [seconds per run, default 3]
#   The current tree is built in build-bench (Release). The base build dir is a Release build of another
#   commit with -DKEYNODE_BUILD_BENCH=ON; without it only the new column is measured.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --bench
command -v sqlite3 >/dev/null || { echo "the sqlite3 shell is needed to add doors (apt-get install sqlite3)"; exit 1; }
. bench/bench-rights.sh
base_dir="${1:-}"; seconds="${2:-3}"; workers=2; repeats=3
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DKEYNODE_BUILD_BENCH=ON -DKEYNODE_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench -j2 --target bench_api_server keynoded keynodectl >/dev/null
builds=(build-bench); labels=(new)
if [ -n "$base_dir" ]; then builds=("$base_dir" build-bench); labels=(base new); fi

work="$(mktemp -d)"
declare -A pid port url result
stop_all() { for p in "${pid[@]}"; do kill "$p" 2>/dev/null; wait "$p" 2>/dev/null || true; done; pid=(); }
trap 'stop_all; rm -rf "$work"' EXIT
auth="Authorization: Basic $(printf 'bench:bench-password' | base64)"
wrong="Authorization: Basic $(printf 'bench:wrong-password' | base64)"

start_server() { # label build dir -> pid[label], port[label]
  local out="$work/$1.out"
  rm -rf "$work/$1" "$out"
  "$2/bench/bench_api_server" "$work/$1" "$workers" >"$out" 2>&1 &
  pid[$1]=$!
  for _ in $(seq 100); do grep -qs "listening" "$out" && break; sleep 0.1; done
  port[$1]=$(sed -n 's/^http listening on 127.0.0.1:\([0-9]*\)$/\1/p' "$out")
  [ -n "${port[$1]}" ] || { cat "$out"; exit 1; }
}
stop_server() { kill "${pid[$1]}" 2>/dev/null; wait "${pid[$1]}" 2>/dev/null || true; unset "pid[$1]"; }

# Doors and a week program (bench-rights.sh), then one group is posted for the GET row.
set_up_groups() { # label
  local rights first first_id base="http://127.0.0.1:${port[$1]}"
  rights=$(bench_rights "$work/$1/keynode.db")
  first=$(curl -sf -H "$auth" -H "Content-Type: application/json" -X POST \
    -d "{\"id\":{},\"name\":\"bench first\",\"accessRights\":[$rights]}" "$base/api/v1/access/accessGroups")
  first_id=$(printf '%s' "$first" | sed -n 's/^{"accessGroup":{"id":{"id":\([0-9]*\)}.*/\1/p')
  [ -n "$first_id" ] || { echo "POST failed: $first"; exit 1; }
  url[$1,bare]="$base/bare"
  url[$1,info]="$base/api/v1/info/api"
  url[$1,get]="$base/api/v1/access/accessGroups?id=%7B%22id%22%3A$first_id%7D"
  url[$1,post]="$base/api/v1/access/accessGroups"
  # Every wrk thread numbers its requests; thread number and count make each name unique.
  cat >"$work/$1.lua" <<LUA
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
}

# One wrk run -> "rps p50ms p99ms non2xx"
wrk_once() { # url connections header [lua script]
  wrk -t "$(( $2 < 2 ? $2 : 2 ))" -c "$2" -d "${seconds}s" --latency -H "$3" -H "Content-Type: application/json" \
    ${4:+-s "$4"} "$1" |
    awk 'function ms(v) { if (v ~ /us$/) return v * 0.001; if (v ~ /ms$/) return v + 0; if (v ~ /s$/) return v * 1000; return v }
         /^Requests\/sec/ {rps=$2} /^ +50%/ {p50=ms($2)} /^ +99%/ {p99=ms($2)} /^ +Non-2xx/ {bad=$NF}
         END {printf "%s %.3f %.3f %d\n", rps, p50, p99, bad + 0}'
}
# Median of each column over the runs (the non-2xx column is summed).
median() {
  awk '{for (i = 1; i <= 3; i++) v[i, NR] = $i; bad += $4}
       END {for (i = 1; i <= 3; i++) {for (a = 1; a <= NR; a++) for (b = a + 1; b <= NR; b++)
              if (v[i, b] < v[i, a]) {t = v[i, a]; v[i, a] = v[i, b]; v[i, b] = t}
            printf "%s ", v[i, int((NR + 1) / 2)]} print bad}'
}
# The builds take turns run by run, so that what else the machine does meanwhile hits both alike.
measure() { # key connections [post]
  local label r
  for r in $(seq "$repeats"); do
    for label in "${labels[@]}"; do
      wrk_once "${url[$label,$1]}" "$2" "$auth" ${3:+"$work/$label.lua"} >>"$work/$label.$1.$2"
    done
  done
  for label in "${labels[@]}"; do result[$label,$1$2]=$(median <"$work/$label.$1.$2"); done
}
# The GET ratios: bare, /info/api and the group run back to back, so that each ratio compares runs made
# within seconds of each other, and the median of the per-repeat ratios is kept. On a machine whose
# speed drifts, runs minutes apart would compare the drift as well.
measure_gets() {
  local label r
  for r in $(seq "$repeats"); do
    for label in "${labels[@]}"; do
      echo "$(wrk_once "${url[$label,bare]}" 32 "$auth" | cut -d' ' -f1)" \
        "$(wrk_once "${url[$label,info]}" 32 "$auth" | cut -d' ' -f1)" \
        "$(wrk_once "${url[$label,get]}" 32 "$auth" | cut -d' ' -f1)" >>"$work/$label.gets"
    done
  done
  for label in "${labels[@]}"; do
    result[$label,infobare]=$(awk '{print $2 / $1}' "$work/$label.gets" | sort -g | sed -n "$(((repeats + 1) / 2))p")
    result[$label,getinfo]=$(awk '{print $3 / $2}' "$work/$label.gets" | sort -g | sed -n "$(((repeats + 1) / 2))p")
  done
}
peak_mb() { awk '/^VmHWM/ {printf "%.1f", $2 / 1024}' "/proc/${pid[$1]}/status"; }

for i in "${!builds[@]}"; do start_server "${labels[$i]}" "${builds[$i]}"; set_up_groups "${labels[$i]}"; done
measure_gets
for conns in 1 2 8 32; do measure post "$conns" post; done
stop_all

for i in "${!builds[@]}"; do
  label="${labels[$i]}"; dir="${builds[$i]}"
  # Memory: a fresh server, one wrong login, then a burst of them at 64 connections.
  start_server "$label" "$dir"
  result[$label,rss0]=$(peak_mb "$label")
  curl -s -o /dev/null -H "$wrong" "http://127.0.0.1:${port[$label]}/api/v1/info/api"
  result[$label,rss1]=$(peak_mb "$label")
  wrk -t 2 -c 64 -d "${seconds}s" -H "$wrong" "http://127.0.0.1:${port[$label]}/api/v1/info/api" >/dev/null
  result[$label,rss64]=$(peak_mb "$label")
  stop_server "$label"

  # What a stripped install holds: the library, the host libraries and the two programs.
  total=0
  for file in KeynodeApi/libKeynodeApi.so host/libhost_base.so host/libhost_db.so host/libhost_web.so \
    host/libhost_mail.so host/libhost_doors.so apps/keynoded/keynoded apps/keynodectl/keynodectl; do
    # An older base may not have every library yet.
    if [ ! -e "$dir/$file" ] && [ "$label" = base ]; then continue; fi
    strip -o "$work/stripped" "$dir/$file"
    total=$((total + $(stat -c %s "$work/stripped")))
  done
  result[$label,size]=$(awk -v b="$total" 'BEGIN {printf "%.2f", b / 1e6}')
done

row() { # what goal-text check(new) base-value new-value
  local verdict
  verdict=-
  [ -z "$2" ] || verdict=$(awk -v n="$5" "BEGIN {print ($4) ? \"yes\" : \"NO\"}")
  printf "%-52s %10s %10s %-20s %s\n" "$1" "$3" "$5" "$2" "$verdict"
}
value() { # label key [field]
  [ -n "${result[$1,$2]+x}" ] || { echo "-"; return; }
  echo "${result[$1,$2]}" | awk -v f="${3:-1}" '{print $f}'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {if (a == "-" || b == "-") print "-"; else printf "%.2f", a / b}'; }
has_base=0; [ -n "$base_dir" ] && has_base=1
b=base; [ $has_base = 1 ] || b=none
echo "workers $workers, ${seconds}s per wrk run, median of $repeats"
printf "%-52s %10s %10s %-20s %s\n" "what" "base" "new" "goal" "holds"
two() { [ "$1" = - ] && echo - || printf "%.2f" "$1"; }
row "GET /info/api / bare, 32 conns" ">= 0.75" "$(two "$(value $b infobare)")" "n >= 0.75" \
  "$(two "$(value new infobare)")"
row "GET accessGroup (10 rights) / info/api, 32 conns" ">= 0.6" "$(two "$(value $b getinfo)")" "n >= 0.6" \
  "$(two "$(value new getinfo)")"
for conns in 1 2 8 32; do
  p="post$conns"
  row "POST accessGroup p50 ms, $conns conns" "" "$(value $b $p 2)" "1" "$(value new $p 2)"
  row "POST accessGroup p99 ms, $conns conns" "" "$(value $b $p 3)" "1" "$(value new $p 3)"
  row "POST accessGroup p99 / p50, $conns conns" "<= 5" "$(ratio "$(value $b $p 3)" "$(value $b $p 2)")" \
    "n <= 5" "$(ratio "$(value new $p 3)" "$(value new $p 2)")"
  base_rps=$(value $b $p 1)
  row "POST accessGroup req/s, $conns conns" ">= 2 x base" "$base_rps" \
    "\"$base_rps\" == \"-\" || n >= 2 * $base_rps" "$(value new $p 1)"
  row "POST accessGroup non-2xx, $conns conns" "0" "$(value $b $p 4)" "n == 0" "$(value new $p 4)"
done
row "peak RSS MB, server started" "" "$(value $b rss0)" "1" "$(value new rss0)"
row "peak RSS MB, after 1 wrong login" "" "$(value $b rss1)" "1" "$(value new rss1)"
row "peak RSS MB, after wrong logins at 64 conns" "< 40" "$(value $b rss64)" "n < 40" "$(value new rss64)"
row "stripped libraries and programs, MB" "<= 2" "$(value $b size)" "n <= 2" "$(value new size)"
