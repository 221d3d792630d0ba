#!/usr/bin/env bash
# Builds the Debian package from the finished build, as `make package` does, and checks it with
# dpkg-deb: its name, version and dependencies (found by dpkg-shlibdeps plus the run-time plugins
# and the font), every file a desktop needs under /usr and nothing elsewhere, and an unpacked
# viewer that answers --version.
# usage: deb_package_test.sh BUILD_DIR VERSION PROGRAM,PROGRAM...
set -euo pipefail
build="$1" version="$2"
IFS=, read -r -a programs <<< "$3"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" > "$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log"; exit 1; }
debs=("$work"/out/dirgauge_"$version"_*.deb)
[ -f "${debs[0]}" ] || { cat "$work/cpack.log"; echo "FAIL: no dirgauge_${version}_*.deb"; exit 1; }
deb="${debs[0]}"

info="$(dpkg-deb --info "$deb")"
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = dirgauge ] || fail "Package is $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version is $(field Version)"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture is $(field Architecture)"
depends="$(field Depends)"
for dep in libc6 'libstdc\+\+6' libqt6core6 libqt6widgets6 libqt6network6 'libicu[0-9]' libqt6svg6 qt6-qpa-plugins qt6-translations-l10n \
           fonts-ipafont-gothic; do
  grep -Eq "(^|, )$dep" <<< "$depends" || fail "Depends lacks $dep: $depends"
done
grep -q '^ Description: ' <<< "$info" || fail "no Description"

contents="$(dpkg-deb --contents "$deb" | awk '{print $6}')"
want=(
  ./usr/share/applications/dirgauge.desktop
  ./usr/share/icons/hicolor/scalable/apps/dirgauge.svg
  ./usr/share/mime/packages/dirgauge.xml
  ./usr/share/doc/dirgauge/copyright
)
for p in "${programs[@]}"; do want+=("./usr/bin/$p" "./usr/share/man/man1/$p.1.gz"); done
for size in 16 32 48 64 128 256; do want+=("./usr/share/icons/hicolor/${size}x${size}/apps/dirgauge.png"); done
for f in "${want[@]}"; do
  grep -qxF "$f" <<< "$contents" || fail "the package lacks $f"
done
grep -Eq '^\./usr/share/metainfo/[^/]+\.metainfo\.xml$' <<< "$contents" || fail "the package lacks the AppStream metadata"
outside="$(grep -v -e '^\./$' -e '^\./usr/' <<< "$contents" || true)"
[ -z "$outside" ] || fail "files outside /usr: $outside"

# The unpacked viewer runs (the libraries it needs are installed here) and knows its version.
dpkg-deb -x "$deb" "$work/root"
out="$(env -u DISPLAY -u WAYLAND_DISPLAY "$work/root/usr/bin/dirgauge" --version)" || fail "the packaged dirgauge --version failed"
[ "$out" = "dirgauge $version" ] || fail "the packaged dirgauge --version printed '$out'"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  echo "$info"
  dpkg-deb --contents "$deb"
  exit 1
fi
echo "deb_package_test: all checks passed ($(basename "$deb"), $(stat -c %s "$deb") bytes)"
