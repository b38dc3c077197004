#!/usr/bin/env bash
# Checks an installed tree (a DESTDIR install or an unpacked .deb) against its own systemd unit: the program,
# configuration file and libraries the unit needs are where it expects them, and they run. Usage: check_layout.sh ROOT
set -euo pipefail
root=$1
fail() { echo "FAIL: $*" >&2; exit 1; }

unit=$(find "$root" -name keynoded.service -path '*/systemd/system/*' | head -1)
[ -n "$unit" ] || fail "no systemd unit below $root"
exec_start=$(sed -n 's/^ExecStart=//p' "$unit")
program=$(echo "$exec_start" | awk '{print $1}')
config=$(echo "$exec_start" | sed -n 's/.*--config \([^ ]*\).*/\1/p')
state=$(sed -n 's/^StateDirectory=//p' "$unit")
[ -x "$root$program" ] || fail "ExecStart program $program is not in the tree"
[ -n "$config" ] && [ -f "$root$config" ] || fail "configuration file '$config' is not in the tree"
[ -x "$root$(dirname "$program")/../bin/keynodectl" ] || fail "keynodectl is not beside keynoded"
grep -Eq "^data-dir = /var/lib/$state\$" "$root$config" ||
    fail "the configuration's data-dir is not the unit's StateDirectory ($state)"
grep -q '^User=keynoded$' "$unit" || fail "the unit does not run as its own user"

# The libraries are found through the RUNPATH; here below the root.
runpath=$(readelf -d "$root$program" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
[ -n "$runpath" ] && [ -f "$root$runpath/libKeynodeApi.so" ] || fail "libraries not in the RUNPATH '$runpath'"
# Captured first: `grep -q` stops at the first match, and under pipefail the writer's SIGPIPE would fail.
known=$(ldconfig -p)
for needed in $(readelf -d "$root$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
    [ -f "$root$runpath/$needed" ] || grep -q "^\s*$needed " <<<"$known" || fail "$needed is nowhere"
done
help=$(LD_LIBRARY_PATH="$root$runpath" "$root$program" --help) || true
grep -q -- '--config' <<<"$help" || fail "keynoded does not run"

include=$(find "$root" -path '*/include/keynode' -type d | head -1)
[ -f "$include/KeynodeApi/KnaMain.h" ] && [ -f "$include/host/Web/Resource.h" ] || fail "public headers missing"
find "$root" -name keynodeapi.pc | grep -q . || fail "no pkg-config file"

if command -v systemd-analyze >/dev/null; then
    # The unit's syntax, with ExecStart pointing into the root so that its program is checked too.
    copy=$(mktemp -d)
    sed "s|^ExecStart=|ExecStart=$root|" "$unit" >"$copy/keynoded.service"
    out=$(systemd-analyze verify "$copy/keynoded.service" 2>&1) && rm -rf "$copy" && [ -z "$out" ] ||
        fail "systemd-analyze verify: $out"
fi
echo "layout of $root: ok"
