#!/usr/bin/env bash
# Builds the Debian package in build-deb/ (prefix /usr, so the configuration is /etc/keynoded/keynoded.conf
# and the unit /lib/systemd/system/keynoded.service), checks it with lintian and checks its layout
# unpacked into a throwaway root. Prints the package's path last.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --package
build=${KEYNODE_DEB_BUILD:-build-deb}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
    -DKEYNODE_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/keynode_*.deb | head -1)
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'
# Tags that follow from shipping without Debian's own packaging tools (no changelog, copyright file or
# manual pages); everything else fails the check.
lintian --fail-on error,warning --suppress-tags \
    no-copyright-file,no-changelog,no-manual-page,debian-changelog-file-missing,extended-description-is-probably-too-short \
    "$deb"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
tests/packaging/check_layout.sh "$root"
echo "$deb"
