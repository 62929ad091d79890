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
# With --locale NAME the installer, the driver and the report run under that
# locale and so under its system code page (C.UTF-8: 1252, ja_JP.UTF-8: 932;
# the default is zh_CN.UTF-8, 936); the installer shows its Chinese pages
# all the same. The screenshots then go to build/screenshots/NAME.
#
#   scripts/run.sh [--auto] [--uninstall] [--locale NAME]
set -eu -o pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
auto=0
uninstall=0
run_locale=""
usage() { echo "usage: scripts/run.sh [--auto] [--uninstall] [--locale NAME]" >&2; exit 1; }
while [ $# -gt 0 ]; do
  case "$1" in
    --auto) auto=1 ;;
    --uninstall) uninstall=1 ;;
    --locale)
      [ $# -ge 2 ] && [ -n "$2" ] || usage
      run_locale=$2
      shift
      ;;
    --locale=?*) run_locale=${1#--locale=} ;;
    *) usage ;;
  esac
  shift
done
case "$run_locale" in
  */* | .*) echo "scripts/run.sh: not a locale name: $run_locale" >&2; exit 1 ;;
esac
[ -z "${DISPLAY:-}" ] && auto=1

"$root/scripts/deps.sh"
BUILD_DIR=${BUILD_DIR:-$root/build}
cmake -S "$root" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DKELVRA_WERROR=ON >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)" --target Setup Uninstall UserSetup KelvraDriver KelvraReport KelvraSampleControl

dist=$BUILD_DIR/distribution
shots=$BUILD_DIR/screenshots
[ -n "$run_locale" ] && shots=$shots/$run_locale
"$root/tools/make-distribution.sh" "$dist" --setup "$BUILD_DIR/Setup.exe" \
  --control "$BUILD_DIR/tools/KelvraSample.ocx" --uninstall "$BUILD_DIR/Uninstall-64.exe" \
  --icon "$root/res/Setup.ico"

# With --auto and a display, still use a private virtual screen.
[ "$auto" = 1 ] && unset DISPLAY
. "$root/scripts/wine-env.sh"
# The main command's own prefix: what it installs (and the simulated
# AutoCAD) never meets the test programs, which share build/wineprefix.
export WINEPREFIX=$BUILD_DIR/wineprefix-run
if [ -n "$run_locale" ]; then
  # The locale must exist for Wine to take its code page: the system's, or
  # one compiled into the build tree (as the environment does for zh_CN and
  # ja_JP).
  # (locale(1) falls back to ASCII, with exit code 0, for a missing one.)
  charmap=$(LC_ALL=$run_locale locale charmap 2>/dev/null || true)
  if [ "$charmap" = ANSI_X3.4-1968 ] && [ "$run_locale" != C ] && [ "$run_locale" != POSIX ] &&
    [ ! -e "$BUILD_DIR/locale/$run_locale/LC_CTYPE" ]; then
    base=${run_locale%%.*}
    charmap=UTF-8
    [ "$base" != "$run_locale" ] && charmap=${run_locale#*.}
    mkdir -p "$BUILD_DIR/locale"
    localedef -i "$base" -f "$charmap" "$BUILD_DIR/locale/$run_locale" >/dev/null 2>&1 || true
    if [ ! -e "$BUILD_DIR/locale/$run_locale/LC_CTYPE" ]; then
      echo "scripts/run.sh: the locale $run_locale is neither installed nor can be compiled" >&2
      exit 1
    fi
    export LOCPATH=$BUILD_DIR/locale
  fi
  # cmake/wine-run.sh runs every program of this command under it.
  export KELVRA_LOCALE=$run_locale
  echo "running under the locale $run_locale"
fi
wine_env_start
trap wine_env_stop EXIT

# Keep the installer's shortcuts inside the prefix: a fresh prefix links its
# Desktop folder to the user's own desktop.
desktop=$WINEPREFIX/drive_c/users/$(whoami)/Desktop
if [ -L "$desktop" ]; then
  rm "$desktop"
  mkdir -p "$desktop"
fi
# The dialogs' font, 宋体 (SimSun), is not on the machine: Wine puts a font
# with Chinese glyphs in its place only under a Chinese code page, so under
# any other the pages' texts would be drawn as boxes. Name the Chinese font
# the scripts install as its replacement (the one Wine picks under 936 too).
# A UTF-16 file, so the face's name does not depend on this shell's locale.
fonts_reg=$BUILD_DIR/wine-font-replacements.reg
printf 'Windows Registry Editor Version 5.00\r\n\r\n%s\r\n"宋体"="%s"\r\n"SimSun"="%s"\r\n' \
  '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' 'WenQuanYi Micro Hei' 'WenQuanYi Micro Hei' |
  { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; } >"$fonts_reg"
wine reg import "$(echo "Z:$fonts_reg" | tr / '\\')" >/dev/null 2>&1 ||
  echo "scripts/run.sh: the replacement of the font 宋体 could not be set; Chinese texts may show as boxes" >&2
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
