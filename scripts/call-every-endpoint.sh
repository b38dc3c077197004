#!/usr/bin/env bash
# Calls each of the 33 endpoints once on the demo site (scripts/run-demo.sh) and prints the HTTP status and
# the start of each answer. Usage: scripts/call-every-endpoint.sh USER:PASSWORD [BASE_URL]
# (BASE_URL default http://127.0.0.1:8080/api/v1). Writes rows with external IDs "smoke-*" and removes them.
AUTH=${1:?usage: call-every-endpoint.sh USER:PASSWORD [BASE_URL]}
B=${2:-http://127.0.0.1:8080/api/v1}
call() { # method path body
  local out; out=$(curl -s -u "$AUTH" -H Content-Type:application/json -X "$1" "$B$2" ${3:+-d "$3"} -w ' HTTP%{http_code}')
  printf '%-7s %-60s %s\n' "$1" "$2" "${out: -7} ${out:0:90}"
}
q() { python3 -c 'import sys,urllib.parse;print(urllib.parse.quote(sys.argv[1]))' "$1"; }
call GET /info/api
call GET /keynodes
call POST /events/webhook '{"eventWebHook":{"url":"http://127.0.0.1:9/hook","eventFilter":{}}}'
call GET /events/webhook
call POST /events/webhook/test '{"event":{}}'
call DELETE /events/webhook
call POST /events/filter '{"eventFilter":{"limitCount":2}}'
call GET "/access/accessGroups?id=$(q '{"id":1}')"
call POST /access/accessGroups '{"id":{"extId":"smoke-g"},"name":"Smoke","priority":40,"accessRights":[{"doorID":{"id":1},"weekProgramID":{"id":1}}]}'
call PUT "/access/accessGroups" '{"id":{"extId":"smoke-g"},"name":"Smoke 2","priority":41}'
call GET "/access/cards?cardNumber=100001"
call POST /access/cardHolders '{"id":{"extId":"smoke-h"},"firstName":"Sam","lastName":"Smoke"}'
call GET "/access/cardHolders?id=$(q '{"extId":"smoke-h"}')"
call PUT /access/cardHolders '{"id":{"extId":"smoke-h"},"lastName":"Smoke II"}'
call POST /access/cards '{"id":{"extId":"smoke-c"},"number":"777001","cardHolderID":{"extId":"smoke-h"}}'
call PUT /access/cards '{"id":{"extId":"smoke-c"},"number":"777002","cardHolderID":{"extId":"smoke-h"}}'
call POST /access/cards/filter '{"cardFilter":{"limitCount":1}}'
call POST /access/cardHolders/filter '{"cardHolderFilter":{"limitCount":1}}'
call DELETE "/access/cards?id=$(q '{"extId":"smoke-c"}')"
call DELETE "/access/cardHolders?id=$(q '{"extId":"smoke-h"}')"
call DELETE "/access/accessGroups?id=$(q '{"extId":"smoke-g"}')"
call POST /config/doors/filter '{"doorFilter":{"limitCount":1}}'
call POST /management/doors/status '{"doorFilter":{"ids":{"ids":[{"id":1}]}}}'
call POST /management/doors '{"doorCommand":{"doorIDs":{"ids":[{"id":3}]},"newDoorState":2}}'
call POST /management/simulatecardread '{"simulateCardRead":{"doorID":{"id":1},"cardNumber":"100001"}}'
call GET "/config/weekprograms?id=$(q '{"id":1}')"
call POST /config/weekprograms '{"id":{"extId":"smoke-w"},"name":"Smoke","type":10,"periods":[{"dayNo":0,"startSecond":0,"function":101}]}'
call PUT /config/weekprograms '{"id":{"extId":"smoke-w"},"name":"Smoke 2"}'
call DELETE "/config/weekprograms?id=$(q '{"extId":"smoke-w"}')"
call GET "/config/holidays?id=$(q '{"id":1}')"
call POST /config/holidays '{"id":{"extId":"smoke-d"},"name":"Smoke","isRepeated":false,"periods":[]}'
call PUT /config/holidays '{"id":{"extId":"smoke-d"},"name":"Smoke 2"}'
call DELETE "/config/holidays?id=$(q '{"extId":"smoke-d"}')"
