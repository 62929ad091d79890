#!/usr/bin/env bash
# A distribution share for the end-to-end tests: the sample distribution,
# mounted read-only (a bind mount, which needs root) and reachable in the
# test prefix as \\kelvra-share\soft (Wine maps dosdevices/unc/<server>/<share>
# to a folder). Without root the folder itself is linked, writable, and the
# tests say so. What happened goes to <mount point>.state ("read-only",
# "writable: not root", or why neither) for the tests to read.
#   share.sh mount <mount point> <distribution folder> | unmount <mount point>
set -eu
action=$1
point=$2
state=$point.state
unc=${WINEPREFIX:?the Wine prefix of the test run}/dosdevices/unc/kelvra-share
case $action in
mount)
  distribution=$3
  echo "the share could not be mapped" >"$state"
  mkdir -p "$unc"
  if [ "$(id -u)" = 0 ]; then
    mkdir -p "$point"
    if ! mountpoint -q "$point"; then
      mount --bind -o ro "$distribution" "$point"
      mount -o remount,bind,ro "$point"
    fi
    ln -sfn "$point" "$unc/soft"
    echo "read-only" >"$state"
  else
    echo "not root: the share \\\\kelvra-share\\soft is writable (its tests say so)"
    ln -sfn "$distribution" "$unc/soft"
    echo "writable: not root" >"$state"
  fi
  ;;
unmount)
  rm -f "$unc/soft" "$state"
  rmdir "$unc" 2>/dev/null || true
  if mountpoint -q "$point"; then umount "$point"; fi
  rmdir "$point" 2>/dev/null || true
  ;;
esac
