#!/usr/bin/env bash
# The Debian package as a user gets it: built with CPack from this build, unpacked into a scratch
# root, its command-line tool runs the demonstration from there (finding its help and station
# files beside itself), and lintian finds no error in it.
# usage: package_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/out/tellur32_*.deb)
echo "package: $(basename "$deb")"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libqt6core6 libqt6widgets6 libqt6multimedia6 libsndfile1 qt6-qpa-plugins; do
  grep -q "$lib" <<<"$depends" || fail "$lib missing from Depends"
done

root=$work/root
dpkg -x "$deb" "$root"
for f in usr/bin/tellur32 usr/bin/tellur32-cli usr/share/tellur32/help/TLEng.html usr/share/tellur32/defaults/ports.conf \
         usr/share/applications/tellur32.desktop usr/share/icons/hicolor/scalable/apps/tellur32.svg \
         usr/share/icons/hicolor/48x48/apps/tellur32.png usr/share/man/man1/tellur32.1.gz \
         usr/share/man/man1/tellur32-cli.1.gz usr/share/doc/tellur32/copyright; do
  [ -e "$root/$f" ] || fail "$f is not in the package"
done
# Every picture and page a help page names is installed with it.
( cd "$root/usr/share/tellur32/help"
  for page in TLEng.html TLEng/*.html; do
    for ref in $(grep -o 'src="[^"]*"\|href="[^"#:]*"' "$page" | sed 's/^[a-z]*="//; s/"$//'); do
      [ -e "$(dirname "$page")/$ref" ] || { echo "FAIL: $page names $ref, which is not installed" >&2; exit 1; }
    done
  done )
zcat "$root/usr/share/man/man1/tellur32-cli.1.gz" | grep -q 'decode fax' || fail "tellur32-cli(1) lacks the decode fax command"

"$root/usr/bin/tellur32-cli" --help | grep -q '^Usage: tellur32-cli' || fail "tellur32-cli --help"
"$root/usr/bin/tellur32" --help | grep -q '^Usage: tellur32' || fail "tellur32 --help"
home=$work/station
QT_QPA_PLATFORM=offscreen "$root/usr/bin/tellur32-cli" --home "$home" demo >"$work/demo.out" 2>"$work/demo.err" \
  || { cat "$work/demo.err"; fail "demo"; }
received=$(sed -n 's/^received picture: *//p' "$work/demo.out")
[ -s "$received" ] || fail "demo printed no received picture"
cmp -s "$home/ports.conf" "$root/usr/share/tellur32/defaults/ports.conf" || fail "the new station was not seeded"

if command -v lintian >/dev/null; then
  lintian --fail-on error --tag-display-limit 0 "$deb" | tee "$work/lintian.log" || fail "lintian reports errors"
fi
echo "package test passed"
