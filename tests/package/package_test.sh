#!/usr/bin/env bash
# The Debian package as it would be installed: built by cpack from this build, unpacked with dpkg-deb
# into a temporary directory; both programs, the desktop entry, the icon and the manual pages are in
# it, it depends on the packages the programs need, and the unpacked konwersja-cli converts a demo.
# Usage: package_test.sh BUILD_DIR gui|nogui
set -euo pipefail
build=$(cd "$1" && pwd)
gui=$2

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log" >&2; fail "cpack did not build the package"; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb=$build/konwersja_${version}_amd64.deb
[ -f "$deb" ] || fail "no $deb"

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
root=$tmp/root
dpkg-deb -x "$deb" "$root"

expected=(usr/bin/konwersja-cli usr/share/man/man1/konwersja-cli.1.gz)
[ "$gui" = gui ] && expected+=(usr/bin/konwersja usr/share/applications/konwersja.desktop
                               usr/share/icons/hicolor/scalable/apps/konwersja.svg usr/share/man/man1/konwersja.1.gz)
for f in "${expected[@]}"; do
  [ -f "$root/$f" ] || fail "the package lacks /$f"
done
[ -x "$root/usr/bin/konwersja-cli" ] || fail "konwersja-cli is not executable"
zcat "$root/usr/share/man/man1/konwersja-cli.1.gz" | grep -q 'compare' || fail "the manual page of konwersja-cli lacks its commands"
if [ "$gui" = gui ]; then
  grep -q '^Name=.*Konwersja' "$root/usr/share/applications/konwersja.desktop" || fail "desktop entry without a name"
  grep -q '^Exec=konwersja$' "$root/usr/share/applications/konwersja.desktop" || fail "desktop entry runs something else"
  zcat "$root/usr/share/man/man1/konwersja.1.gz" | grep -q 'EDYCJA' || fail "the manual page of konwersja lacks its arguments"
  env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/konwersja" --help | grep -q ADVANCED || fail "konwersja --help"
fi

depends=$(dpkg-deb -f "$deb" Depends)
needed=(libfbclient2 firebird3.0-server-core libfmt libstdc++6)
[ "$gui" = gui ] && needed+=(libqt6widgets6 libqt6gui6 libqt6core6)
for p in "${needed[@]}"; do
  grep -q "$p" <<<"$depends" || fail "Depends lacks $p: $depends"
done

cli=$root/usr/bin/konwersja-cli
"$cli" --help >"$tmp/help.txt" || fail "konwersja-cli --help exited $?"
grep -q 'convert' "$tmp/help.txt" || fail "konwersja-cli --help does not list convert"
"$cli" demo "$tmp/demo" --rows 200 >"$tmp/demo.log" 2>&1 || { cat "$tmp/demo.log" >&2; fail "demo exited non-zero"; }
"$cli" convert "$tmp/demo" --edition JB --yes >"$tmp/convert.log" 2>&1 ||
  { tail -60 "$tmp/convert.log" >&2; fail "convert of the demo exited non-zero"; }
echo "package $deb: unpacked, konwersja-cli converted a 200-row demo"
