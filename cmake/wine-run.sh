#!/usr/bin/env bash
# Runs a Windows program under Wine in the given Wine prefix:
#   wine-run.sh PREFIX PROGRAM.exe [ARGUMENTS...]
# The prefix is created on first use (wineboot takes a few seconds), once,
# even when several tests start together. Wine's own chatter is silenced so
# that standard error holds only what the program writes.
set -euo pipefail
prefix=$1
shift
export WINEPREFIX=$prefix
export WINEDEBUG=-all
# No .NET or HTML engine: their installers would be offered on first use.
export WINEDLLOVERRIDES="mscoree,mshtml="

if [ ! -e "$prefix/.ready" ]; then
  mkdir -p "$(dirname "$prefix")"
  exec 9>"$prefix.lock"
  flock 9
  if [ ! -e "$prefix/.ready" ]; then
    rm -rf "$prefix"
    if ! wineboot -i >"$prefix.log" 2>&1 || ! wineserver -w; then
      echo "wine-run.sh: the Wine prefix $prefix could not be made:" >&2
      cat "$prefix.log" >&2
      exit 1
    fi
    touch "$prefix/.ready"
  fi
  flock -u 9
  exec 9>&-
fi
# Wine's helper processes (its server and services) outlive the program by
# seconds and keep whatever standard error it had: a caller that waits for the
# end of that pipe, as CTest does, would wait for them. So the server is our
# own, started apart from the caller's pipes (it ends by itself after a quiet
# spell; when one already runs this start is refused, and that is fine), and
# the program's standard error passes through a file.
wineserver -p10 </dev/null >/dev/null 2>&1 || true
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
status=0
wine "$@" 2>"$errors" || status=$?
cat "$errors" >&2
exit "$status"
