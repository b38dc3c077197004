#!/usr/bin/env bash
# Builds keynoded, fills a demo data directory on first use and serves it on 127.0.0.1.
# Environment: KEYNODE_DATA (default ./demo-data), KEYNODE_ADMIN_USER / KEYNODE_ADMIN_PASSWORD
# (default admin / a random password printed once), KEYNODE_HTTP_PORT (8080), KEYNODE_HTTPS_PORT (8443).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
build=build
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target keynoded keynodectl
data="${KEYNODE_DATA:-$PWD/demo-data}"
ctl="$build/apps/keynodectl/keynodectl --data-dir $data"
if [ ! -f "$data/keynode.db" ]; then
  user="${KEYNODE_ADMIN_USER:-admin}"
  password="${KEYNODE_ADMIN_PASSWORD:-$(head -c 12 /dev/urandom | base64 | tr -d '/+=')}"
  $ctl init
  $ctl demo
  $ctl user add "$user" --password "$password" --all-methods
  # The mail road checks cloud rights: a cloud account with every right lets the same user call it.
  $ctl cloud-user add "$user-cloud" --web-user "$user" --rights 4
  # A door keeper: the four door endpoints only, may change the main entrance and see the lobby.
  $ctl user add doorkeeper --password "$password" --claim 11049 --claim 11050 --claim 11051 --claim 11052
  $ctl user grant doorkeeper AccessDoors 1 2
  $ctl user grant doorkeeper AccessDoors 2 1
  $ctl property set GeneralWebApiSettings_Enabled 1
  echo "demo data in $data; API users: $user and doorkeeper, password: $password"
fi
exec "$build/apps/keynoded/keynoded" --data-dir "$data" \
  --http-port "${KEYNODE_HTTP_PORT:-8080}" --https-port "${KEYNODE_HTTPS_PORT:-8443}"
