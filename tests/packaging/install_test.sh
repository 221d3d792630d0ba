#!/usr/bin/env bash
# Installs the build into a temporary prefix, as `make install PREFIX=...` does, and checks what
# arrives there: the programs and their options, the desktop entry, the icons, the AppStream
# metadata, the report MIME type as a desktop's MIME database sees it, the manual pages and the
# documents.
# usage: install_test.sh BUILD_DIR SOURCE_DIR VERSION MIME_PROBE PROGRAM,PROGRAM...
set -euo pipefail
build="$1" source="$2" version="$3" probe="$4"
IFS=, read -r -a programs <<< "$5"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_file() { [ -f "$prefix/$1" ] || fail "not installed: $1"; }

cmake --install "$build" --prefix "$prefix" > "$work/install.log" || { cat "$work/install.log"; exit 1; }

# Programs: installed, runnable from the prefix, no run path into the build folder.
for p in "${programs[@]}"; do
  [ -x "$prefix/bin/$p" ] || fail "not installed or not executable: bin/$p"
  if readelf -d "$prefix/bin/$p" | grep -E 'R(UN)?PATH' | grep -q "$build"; then
    fail "bin/$p keeps a run path into the build folder"
  fi
done

# The viewer answers --version and --help without a display, and refuses an unknown option.
viewer="$prefix/bin/dirgauge"
out="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$viewer" --version)" || fail "dirgauge --version failed"
[ "$out" = "dirgauge $version" ] || fail "dirgauge --version printed '$out'"
out="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$viewer" --help)" || fail "dirgauge --help failed"
case "$out" in "usage: dirgauge "*) ;; *) fail "dirgauge --help printed: $out" ;; esac
status=0
err="$(DIRGAUGE_CONFIG_DIR="$work/config" DIRGAUGE_LANG=en QT_QPA_PLATFORM=offscreen "$viewer" --no-such-option 2>&1 >/dev/null)" || status=$?
[ "$status" -eq 2 ] || fail "dirgauge --no-such-option exited with $status"
grep -q '^dirgauge: unknown option --no-such-option' <<< "$err" || fail "dirgauge --no-such-option said: $err"

# Desktop entry.
desktop="$prefix/share/applications/dirgauge.desktop"
expect_file share/applications/dirgauge.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate refuses dirgauge.desktop"
for line in 'Exec=dirgauge %f' 'Icon=dirgauge' 'MimeType=text/x-dirgauge-report;' 'Name=Dirgauge' 'Name[ja]=' \
            'Comment=' 'Comment[ja]='; do
  grep -q "^$(printf '%s' "$line" | sed 's/[][]/\\&/g')" "$desktop" || fail "dirgauge.desktop lacks $line"
done

# Icons: the drawing and each rendered size, as large as its folder says.
expect_file share/icons/hicolor/scalable/apps/dirgauge.svg
for size in 16 32 48 64 128 256; do
  png="$prefix/share/icons/hicolor/${size}x${size}/apps/dirgauge.png"
  if [ ! -f "$png" ]; then fail "not installed: ${size}x${size} icon"; continue; fi
  # PNG signature, then the IHDR chunk: width and height as 32-bit big-endian numbers.
  read -r w h < <(od -An -tu1 -j16 -N8 "$png" | awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
  [ "$w" = "$size" ] && [ "$h" = "$size" ] || fail "${size}x${size} icon is ${w}x${h}"
done

# AppStream metadata, alone and together with the desktop entry and the icons it names.
metainfo=("$prefix"/share/metainfo/*.metainfo.xml)
[ -f "${metainfo[0]}" ] || fail "no AppStream metadata installed"
appstreamcli validate --no-net "${metainfo[@]}" || fail "appstreamcli validate refuses ${metainfo[*]}"
grep -q "<release version=\"$version\"" "${metainfo[0]}" || fail "the metadata's release is not $version"
appstreamcli validate-tree --no-net "$prefix" || fail "appstreamcli validate-tree refuses the installed tree"

# The report MIME type: the database built from the installed package recognises reports by
# their header marker, in Shift-JIS and in UTF-8 with a byte-order mark, and by the .dgr name;
# other text stays plain text.
expect_file share/mime/packages/dirgauge.xml
update-mime-database "$prefix/share/mime" > /dev/null || fail "update-mime-database refuses dirgauge.xml"
mkdir "$work/files"
cp "$source/samples/newer.txt" "$work/files/sjis-report"
printf '\xef\xbb\xbfmyhost CHECK START AT 2026/12/09 10:20:30\n/home:,512110190592,33%%\n/home,1,"2025/01/04 09:12:44","2026/12/09 09:58:41",16\nCHECK END\n' \
  > "$work/files/utf8-report"
printf 'CHECK START AT 2026/12/09 10:20:30\n/:,1,1%%\n/,?,,,\nend\n' > "$work/files/no-host-report"
printf 'nothing to see here\n' > "$work/files/named.dgr"
printf 'a plain letter\nCHECK START is not the marker\n' > "$work/files/letter"
XDG_DATA_HOME="$prefix/share" XDG_DATA_DIRS=/usr/share "$probe" "$work"/files/* > "$work/types" \
  || fail "the MIME probe failed"
while IFS=$'\t' read -r file type; do
  case "$(basename "$file")" in
    letter) want=text/plain ;;
    *) want=text/x-dirgauge-report ;;
  esac
  [ "$type" = "$want" ] || fail "$(basename "$file") is $type, not $want"
done < "$work/types"
[ "$(wc -l < "$work/types")" -eq 5 ] || fail "the MIME probe answered for $(wc -l < "$work/types") of 5 files"

# Manual pages: one per program, roff with the program's title, the version in the footer, and
# the shared sections.
for p in "${programs[@]}"; do
  page="$prefix/share/man/man1/$p.1.gz"
  if [ ! -f "$page" ]; then fail "not installed: man1/$p.1.gz"; continue; fi
  roff="$(gzip -dc "$page")"
  title="$(printf '%s' "$p" | tr '[:lower:]' '[:upper:]')"
  grep -q "^\.TH \"$title\" \"1\" .*\"Dirgauge $version\"" <<< "$roff" || fail "$p.1: no .TH line for $title(1) of $version"
  for section in NAME SYNOPSIS DESCRIPTION OPTIONS 'REPORT FILES' 'SEE ALSO'; do
    grep -q "^\.SH \"\?$section\"\?\$" <<< "$roff" || fail "$p.1 has no $section section"
  done
done
page="$(gzip -dc "$prefix/share/man/man1/dirgauge.1.gz")"
for word in XDG_CONFIG_HOME XDG_STATE_HOME DIRGAUGE_CONFIG_DIR dirgauge.ini; do
  grep -q "$word" <<< "$page" || fail "dirgauge.1 does not mention $word"
done

# Documents.
for f in README.md LICENSE copyright partner-protocol.md; do expect_file "share/doc/dirgauge/$f"; done

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed; installed files:"
  (cd "$prefix" && find . -type f | sort)
  exit 1
fi
echo "install_test: all checks passed (${#programs[@]} programs)"
