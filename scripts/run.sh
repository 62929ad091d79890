#!/usr/bin/env bash
# The main command: builds Setup.exe, lays out the sample distribution,
# registers a simulated AutoCAD (R18.0 and R19.1) in its own Wine
# prefix and runs the installer: interactively when a display is present,
# otherwise (or with --auto) under Xvfb, walked by the UI driver, which saves
# a screenshot of every page. Ends with a report of what the installation
# put on the machine. It runs in its own Wine prefix, build/wineprefix-run.
# With --uninstall it then walks the uninstaller too (started as Programs and
# Features starts it; the driver unattended, you on a display) and prints what
# is left on the machine.
#
#   scripts/run.sh [--auto] [--uninstall]
set -eu -o pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
auto=0
uninstall=0
for arg in "$@"; do
  case "$arg" in
    --auto) auto=1 ;;
    --uninstall) uninstall=1 ;;
    *) echo "usage: scripts/run.sh [--auto] [--uninstall]" >&2; exit 1 ;;
  esac
done
[ -z "${DISPLAY:-}" ] && auto=1

"$root/scripts/deps.sh"
BUILD_DIR=${BUILD_DIR:-$root/build}
cmake -S "$root" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DKELVRA_WERROR=ON >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)" --target Setup Uninstall UserSetup KelvraDriver KelvraReport KelvraSampleControl

dist=$BUILD_DIR/distribution
shots=$BUILD_DIR/screenshots
"$root/tools/make-distribution.sh" "$dist" --setup "$BUILD_DIR/Setup.exe" \
  --control "$BUILD_DIR/tools/KelvraSample.ocx" --uninstall "$BUILD_DIR/Uninstall-64.exe" \
  --icon "$root/res/Setup.ico"

# With --auto and a display, still use a private virtual screen.
[ "$auto" = 1 ] && unset DISPLAY
. "$root/scripts/wine-env.sh"
# The main command's own prefix: what it installs (and the simulated
# AutoCAD) never meets the test programs, which share build/wineprefix.
export WINEPREFIX=$BUILD_DIR/wineprefix-run
wine_env_start
trap wine_env_stop EXIT

# Keep the installer's shortcuts inside the prefix: a fresh prefix links its
# Desktop folder to the user's own desktop.
desktop=$WINEPREFIX/drive_c/users/$(whoami)/Desktop
if [ -L "$desktop" ]; then
  rm "$desktop"
  mkdir -p "$desktop"
fi
"$root/tools/register-simulated-acad.sh"
echo "registered a simulated AutoCAD 2010 (R18.0) and AutoCAD 2014 (R19.1) in $WINEPREFIX"

winpath() { echo "Z:$1" | tr / '\\'; }
# The driver saves bitmaps; the README shows PNG.
shots_to_png() {
  for bmp in "$shots"/*.bmp; do
    [ -e "$bmp" ] || continue
    convert "$bmp" "${bmp%.bmp}.png" && rm "$bmp"
  done
}
destination='C:\Program Files\Morvane\Kelvra\'
status=0
if [ "$auto" = 1 ]; then
  rm -rf "$shots"
  mkdir -p "$shots"
  echo "walking the installer on the virtual display $DISPLAY"
  "$root/cmake/wine-run.sh" "$BUILD_DIR/tools/KelvraDriver.exe" "$(winpath "$dist/Setup.exe")" \
    --shots "$(winpath "$shots")" | iconv -f GBK -t UTF-8 || status=$?
  shots_to_png
else
  # A real desktop has a window manager: let it manage the installer's
  # windows (the tests' virtual screen has none; the test command sets this
  # back for its runs).
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d Y /f >/dev/null 2>&1 || true
  echo "starting the installer on $DISPLAY"
  "$root/cmake/wine-run.sh" "$dist/Setup.exe" || status=$?
fi

echo
echo "=== What the installation put on the machine ==="
"$root/cmake/wine-run.sh" "$BUILD_DIR/tools/KelvraReport.exe" "$destination" | iconv -f GBK -t UTF-8
echo "(the destination is $WINEPREFIX/drive_c/Program Files/Morvane/Kelvra)"

if [ "$uninstall" = 1 ] && [ "$status" -eq 0 ]; then
  echo
  if [ "$auto" = 1 ]; then
    echo "walking the uninstaller (as Programs and Features starts it) on $DISPLAY"
    "$root/cmake/wine-run.sh" "$BUILD_DIR/tools/KelvraDriver.exe" --uninstall \
      --shots "$(winpath "$shots")" | iconv -f GBK -t UTF-8 || status=$?
    shots_to_png
  else
    echo "starting the uninstaller on $DISPLAY"
    "$root/cmake/wine-run.sh" "$WINEPREFIX/drive_c/Program Files/Morvane/Kelvra/Uninstall-64.exe" ||
      echo "the uninstaller's exit code: $?"
  fi
  echo
  echo "=== What is left on the machine after the uninstaller ==="
  "$root/cmake/wine-run.sh" "$BUILD_DIR/tools/KelvraReport.exe" "$destination" | iconv -f GBK -t UTF-8
fi
if [ "$auto" = 1 ]; then
  echo
  echo "Screenshots of every page: $shots"
  ls "$shots"
fi
if [ "$status" -ne 0 ]; then
  echo "the walk through the installer or the uninstaller did not complete (exit code $status); see above" >&2
fi
exit "$status"
