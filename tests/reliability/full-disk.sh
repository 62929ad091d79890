#!/usr/bin/env bash
# A small, full-able disk for the copy tests: a 2 MB tmpfs mapped as the
# Wine drive K:. Mounting needs root; otherwise nothing is mapped and the
# tests that need the drive say why they skip. What happened is written to
# <mount point>.state ("mounted", or why not) for the tests to read: run as
# root, a drive that could not be mapped fails them instead of skipping.
#   full-disk.sh mount|unmount <mount point>
set -eu
action=$1
point=$2
state=$point.state
link=${WINEPREFIX:?the Wine prefix of the test run}/dosdevices/k:
case $action in
mount)
  if [ "$(id -u)" != 0 ]; then
    echo "not root: no full-disk drive K: (its tests skip)"
    echo "not root" >"$state"
    exit 0
  fi
  echo "root, but the drive could not be mapped" >"$state"
  mkdir -p "$point"
  mountpoint -q "$point" || mount -t tmpfs -o size=2m kelvra-full "$point"
  ln -sfn "$point" "$link"
  echo "mounted" >"$state"
  ;;
unmount)
  rm -f "$link" "$state"
  if mountpoint -q "$point"; then umount "$point"; fi
  rmdir "$point" 2>/dev/null || true
  ;;
esac
