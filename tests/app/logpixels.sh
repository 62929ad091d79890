#!/usr/bin/env bash
# Sets the screen DPI Wine gives the programs started after it (LogPixels in
# HKCU\Control Panel\Desktop of the test prefix), and puts the earlier
# setting back. CTest runs "set" before the high-DPI tests and "restore" as
# their clean-up, which runs however they end.
#   logpixels.sh set <dpi> <state file> | restore <state file>
set -eu
here=$(cd "$(dirname "$0")" && pwd)
wine_reg() { "$here/../../cmake/wine-run.sh" reg "$@" 2>/dev/null; }
key='HKCU\Control Panel\Desktop'
case $1 in
set)
  dpi=$2
  state=$3
  # The earlier value, or "none", unless an interrupted run already saved it.
  if [ ! -e "$state" ]; then
    earlier=$(wine_reg query "$key" /v LogPixels | tr -d '\r' | awk '$1 == "LogPixels" { print $3 }')
    echo "${earlier:-none}" >"$state"
  fi
  wine_reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
  echo "LogPixels set to $dpi (earlier: $(cat "$state"))"
  ;;
restore)
  state=$2
  [ -e "$state" ] || exit 0
  earlier=$(cat "$state")
  if [ "$earlier" = none ]; then
    wine_reg delete "$key" /v LogPixels /f >/dev/null || true
  else
    wine_reg add "$key" /v LogPixels /t REG_DWORD /d "$((earlier))" /f >/dev/null
  fi
  rm -f "$state"
  echo "LogPixels back to $earlier"
  ;;
*)
  echo "usage: logpixels.sh set <dpi> <state file> | restore <state file>" >&2
  exit 1
  ;;
esac
