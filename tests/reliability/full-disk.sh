#!/usr/bin/env bash
# A small, full-able disk for the copy tests: a 2 MB tmpfs mapped as the
# Wine drive K:. Mounting needs root; otherwise nothing is mapped and the
# tests that need the drive say why they skip.
#   full-disk.sh mount|unmount <mount point>
set -eu
action=$1
point=$2
link=${WINEPREFIX:?the Wine prefix of the test run}/dosdevices/k:
case $action in
mount)
  if [ "$(id -u)" != 0 ]; then
    echo "not root: no full-disk drive K: (its tests skip)"
    exit 0
  fi
  mkdir -p "$point"
  mountpoint -q "$point" || mount -t tmpfs -o size=2m kelvra-full "$point"
  ln -sfn "$point" "$link"
  ;;
unmount)
  rm -f "$link"
  if mountpoint -q "$point"; then umount "$point"; fi
  rmdir "$point" 2>/dev/null || true
  ;;
esac
