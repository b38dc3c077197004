#!/usr/bin/env bash
# Installs the Debian packages the build, tests and benchmarks need; skips what is already there.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  libboost-dev libboost-program-options-dev libssl-dev rapidjson-dev libcurl4-openssl-dev
  libsqlite3-dev libsodium-dev libhowardhinnant-date-dev libutfcpp-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  curl openssl
  libsystemd-dev python3-jsonschema
)
[ "${1:-}" = "--bench" ] && packages+=(wrk sqlite3 clang libclang-rt-14-dev)
[ "${1:-}" = "--package" ] && packages+=(lintian fakeroot)
[ "${1:-}" = "--coverage" ] && packages+=(gcovr)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
