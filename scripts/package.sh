#!/usr/bin/env bash
# Builds the Debian package from build/ (scripts/build.sh makes it), lays it out in a scratch
# root as dpkg would install it, and checks it as a technician would: pinoractl's --version,
# --help and manual page agree with the package, the menu entry and the software centre's
# description are valid, and lintian finds no error. Prints the package's name and size.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --build build --target package >/dev/null
deb=$(ls -t build/pinora2_*_amd64.deb | head -1)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
version=$(dpkg-deb -f "$deb" Version)
fail() {
  echo "package: $*" >&2
  exit 1
}

for f in usr/bin/pinora2 usr/bin/pinoractl usr/share/pinora2/help/main.htm \
  usr/share/applications/pinora2.desktop usr/share/metainfo/pinora2.metainfo.xml \
  usr/share/icons/hicolor/scalable/apps/pinora2.svg usr/share/icons/hicolor/48x48/apps/pinora2.png \
  usr/share/man/man1/pinora2.1.gz usr/share/man/man1/pinoractl.1.gz \
  usr/share/doc/pinora2/copyright; do
  [ -e "$root/$f" ] || fail "$f is missing"
done

ctl="$root/usr/bin/pinoractl"
[ "$("$ctl" --version)" = "pinoractl $version" ] || fail "pinoractl --version says $("$ctl" --version), the package $version"
[ "$("$root/usr/bin/pinora2" --version)" = "pinora2 $version" ] || fail "pinora2 --version does not say $version"
help=$("$ctl" --help)
manual=$(MANWIDTH=300 man -l "$root/usr/share/man/man1/pinoractl.1.gz" 2>/dev/null)
grep -q "Pinora 2 $version" <<<"$manual" || fail "the manual page is not of version $version"
# Every command --help lists is in the manual page, and the other way round.
commands() { sed -n 's/^  \([a-z][a-z-]*\)\( .*\)\?$/\1/p' | sort -u; }
fromHelp=$(sed -n '/^Commands:/,/^$/p' <<<"$help" | commands | grep -vx help)
fromManual=$(sed -n '/^COMMANDS/,/^[A-Z]/p' <<<"$manual" | sed 's/^     //' | commands)
[ "$fromHelp" = "$fromManual" ] || fail "--help lists $(echo $fromHelp), the manual page $(echo $fromManual)"
grep -q "Pinora 2 $version" < <(MANWIDTH=300 man -l "$root/usr/share/man/man1/pinora2.1.gz" 2>/dev/null) ||
  fail "pinora2(1) is not of version $version"
grep -q "release version=\"$version\"" "$root/usr/share/metainfo/pinora2.metainfo.xml" ||
  fail "the software centre's description is not of version $version"

desktop-file-validate "$root/usr/share/applications/pinora2.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/pinora2.metainfo.xml" >/dev/null
lintian --fail-on error "$deb" 2>/dev/null
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes: its files, --version, --help and manual pages agree; lintian finds no error"
