#!/usr/bin/env bash
# Runs a Windows program under Wine with the project's settings: a private
# prefix in the build tree, code page 936 (or KELVRA_LOCALE's), no Mono/Gecko
# prompts, quiet Wine.
# The test and main commands start Xvfb and a persistent wineserver; run on
# its own without a display, this wrapper starts a private Xvfb for the call.
set -u
exe=$1
shift
build_dir=${KELVRA_BUILD_DIR:-}
if [ -z "$build_dir" ]; then
  # The program lives somewhere below the build tree: find its CMakeCache.
  d=$(cd "$(dirname "$exe")" && pwd)
  while [ "$d" != / ] && [ ! -f "$d/CMakeCache.txt" ]; do d=$(dirname "$d"); done
  build_dir=$d
fi
export WINEPREFIX=${WINEPREFIX:-$build_dir/wineprefix}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;winemenubuilder.exe=d"}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=win64
# The program's locale, and with it the system code page it sees: 936
# (zh_CN.UTF-8) unless a test asks for another through KELVRA_LOCALE
# (C.UTF-8 gives 1252, ja_JP.UTF-8 gives 932).
run_locale=${KELVRA_LOCALE:-zh_CN.UTF-8}
# Without the system's locale, the one the scripts compiled into the build
# tree; this shell itself cannot switch to it (it reads LOCPATH only from the
# environment it started with), Wine can.
if [ -z "${LOCPATH:-}" ] && [ -e "$build_dir/locale/$run_locale/LC_CTYPE" ]; then
  export LOCPATH=$build_dir/locale
fi
export LC_ALL=$run_locale 2>/dev/null
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" wine "$exe" "$@" </dev/null 2> >(grep -v 'setlocale' >&2)
fi
# No console input: Wine runs GUI programs much faster without a terminal on stdin.
exec wine "$exe" "$@" </dev/null 2> >(grep -v 'setlocale' >&2)
