#!/usr/bin/env bash
# scripts/setup-deps run by a user who is neither root nor has sudo: it names the missing
# packages and the apt-get command to run as root, and fails, instead of failing on a missing
# sudo. (Run as root, this test becomes the unprivileged user "nobody" with a PATH without sudo.)
# usage: setup_deps_test.sh SOURCE_DIR
set -euo pipefail
source_dir="$1"
if [ "$(id -u)" -ne 0 ]; then
  echo "setup_deps_test: needs root to become another user; skipped"
  exit 77
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
cp "$source_dir/scripts/setup-deps" "$work/setup-deps"
# A PATH holding only the tools the script uses, so that no sudo can be found.
mkdir "$work/bin"
for tool in bash env id dpkg-query grep cat; do ln -s "$(command -v "$tool")" "$work/bin/$tool"; done

status=0
out="$(setpriv --reuid=65534 --regid=65534 --clear-groups env -i PATH="$work/bin" HOME="$work" \
       bash "$work/setup-deps" dg-no-such-package-x 2>&1)" || status=$?
echo "$out"
[ "$status" -eq 1 ] || { echo "FAIL: exit status $status, expected 1"; exit 1; }
grep -q 'apt-get install -y --no-install-recommends .*dg-no-such-package-x' <<< "$out" \
  || { echo "FAIL: no apt-get command line naming the missing package"; exit 1; }
if grep -qi 'command not found' <<< "$out"; then echo "FAIL: a command was not found"; exit 1; fi
echo "setup_deps_test: passed"
