#!/usr/bin/env bash
# Installs the build into a temporary prefix and runs the installed viewer on a virtual X display
# (Xvfb), once under an English and once under a Japanese locale, each with empty XDG folders of
# its own: the window's title must be in the locale's language, Ctrl+Q must end the viewer as it
# would for a user, and the settings must then be in $XDG_CONFIG_HOME/dirgauge/dirgauge.ini and
# nothing beside the installed program. Exit 77 (skipped) without Xvfb or xdotool.
# usage: installed_viewer_test.sh BUILD_DIR
set -euo pipefail
# The whole check ends within three minutes, well before CTest's own limit: the script runs again
# under timeout, whose TERM ends it through its traps below.
if [ -z "${DG_INSTALLED_VIEWER_TIMED:-}" ]; then
  DG_INSTALLED_VIEWER_TIMED=1 exec timeout -k 10 180 "$0" "$@"
fi
build="$1"

for tool in Xvfb xdotool; do
  command -v "$tool" > /dev/null || { echo "SKIP: $tool is not installed (scripts/setup-deps installs it)"; exit 77; }
done

work="$(mktemp -d)"
xvfb_pid=""
viewer_pid=""
cleanup() {
  # Whatever happened: no viewer and no X server stays behind.
  if [ -n "$viewer_pid" ]; then kill "$viewer_pid" 2> /dev/null || true; wait "$viewer_pid" 2> /dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2> /dev/null || true; wait "$xvfb_pid" 2> /dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'echo "FAIL: interrupted"; exit 1' INT TERM
# The X server and the viewers run under timeout too, so that they end by themselves even if this
# script is killed outright.
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

prefix="$work/prefix"
timeout 120 cmake --install "$build" --prefix "$prefix" > "$work/install.log" || { cat "$work/install.log"; exit 1; }
installed_bin="$(ls "$prefix/bin" | sort)"

# A display number of the server's own choosing (-displayfd), so parallel tests do not collide.
timeout 200 Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3> "$work/display" 2> "$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  kill -0 "$xvfb_pid" 2> /dev/null || break
  sleep 0.1
done
[ -s "$work/display" ] || { cat "$work/xvfb.log"; echo "FAIL: Xvfb did not start"; exit 1; }
display=":$(head -n1 "$work/display")"

# run_viewer NAME LANG EXPECTED_TITLE
run_viewer() {
  local name="$1" lang="$2" expected="$3"
  local home="$work/$name"
  mkdir -p "$home/config" "$home/state" "$home/run"
  chmod 700 "$home/run"
  # Only what a desktop session gives: no DIRGAUGE_CONFIG_DIR, no DIRGAUGE_LANG, no LC_* or LANGUAGE.
  env -i PATH=/usr/bin:/bin HOME="$home" DISPLAY="$display" LANG="$lang" \
      XDG_CONFIG_HOME="$home/config" XDG_STATE_HOME="$home/state" XDG_RUNTIME_DIR="$home/run" \
      /usr/bin/timeout 60 "$prefix/bin/dirgauge" > "$home/out.log" 2>&1 &
  viewer_pid=$!

  local window="" title=""
  for _ in $(seq 150); do
    # The display is this test's own: the viewer's is the only window there.
    window="$(DISPLAY="$display" timeout 5 xdotool search --onlyvisible --name '^Dirgauge' 2> /dev/null | head -n1)" || true
    [ -n "$window" ] && break
    kill -0 "$viewer_pid" 2> /dev/null || break
    sleep 0.2
  done
  if [ -z "$window" ]; then
    fail "$name: no viewer window appeared"; cat "$home/out.log"
    kill "$viewer_pid" 2> /dev/null || true; wait "$viewer_pid" 2> /dev/null || true; viewer_pid=""
    return
  fi
  title="$(DISPLAY="$display" timeout 5 xdotool getwindowname "$window")" || true
  [ "$title" = "$expected" ] || fail "$name: the window's title is '$title', expected '$expected'"

  # Ctrl+Q as a user types it: the window takes the focus, the keys go through the X server.
  DISPLAY="$display" timeout 5 xdotool windowfocus --sync "$window" 2> /dev/null || true
  local ended=""
  for _ in $(seq 3); do
    DISPLAY="$display" timeout 5 xdotool key --clearmodifiers ctrl+q 2> /dev/null || true
    for _ in $(seq 50); do
      kill -0 "$viewer_pid" 2> /dev/null || { ended=yes; break; }
      sleep 0.1
    done
    [ -n "$ended" ] && break
  done
  if [ -z "$ended" ]; then
    fail "$name: Ctrl+Q did not end the viewer"
    kill "$viewer_pid" 2> /dev/null || true
  fi
  local status=0
  wait "$viewer_pid" 2> /dev/null || status=$?
  viewer_pid=""
  [ -z "$ended" ] || [ "$status" -eq 0 ] || fail "$name: the viewer ended with status $status"

  [ -s "$home/config/dirgauge/dirgauge.ini" ] || fail "$name: no settings in \$XDG_CONFIG_HOME/dirgauge/dirgauge.ini"
  grep -q '^\[Form\]' "$home/config/dirgauge/dirgauge.ini" 2> /dev/null || fail "$name: the settings file has no [Form] section"
  [ "$(ls "$prefix/bin" | sort)" = "$installed_bin" ] || fail "$name: files appeared beside the installed program: $(ls "$prefix/bin")"
  if [ "$failures" -ne 0 ]; then cat "$home/out.log"; fi
}

run_viewer english C.UTF-8 "Dirgauge - Offline Folder Report Viewer"
# The language follows LANG, also where that locale is not generated.
run_viewer japanese ja_JP.UTF-8 "Dirgauge - フォルダ情報のオフライン表示"

[ "$failures" -eq 0 ] || exit 1
echo "the installed viewer speaks English and Japanese and keeps its settings in the XDG folder"
