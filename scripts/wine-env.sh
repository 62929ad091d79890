# Sourced by the test and main commands: a display, the project's Wine prefix
# and one persistent wineserver for the whole run. wine_env_stop undoes it.
# Needs BUILD_DIR.
export KELVRA_BUILD_DIR=$BUILD_DIR
export WINEPREFIX=$BUILD_DIR/wineprefix
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEDEBUG=-all
export WINEARCH=win64
# Wine names Unix files in the C library's character set of that locale: when
# zh_CN.UTF-8 is not installed, Chinese file names (the picture folder
# 安装界面) reach the program garbled. Compile the locale into the build tree then,
# and ja_JP.UTF-8 beside it: the runs under another system code page (932)
# take it through KELVRA_LOCALE (cmake/wine-run.sh).
if command -v localedef >/dev/null 2>&1; then
  for kelvra_locale in zh_CN ja_JP; do
    if ! locale -a 2>/dev/null | grep -qi "^$kelvra_locale\.utf-\?8$" &&
      [ ! -e "$BUILD_DIR/locale/$kelvra_locale.UTF-8/LC_CTYPE" ]; then
      mkdir -p "$BUILD_DIR/locale"
      localedef -i "$kelvra_locale" -f UTF-8 "$BUILD_DIR/locale/$kelvra_locale.UTF-8" >/dev/null 2>&1 || true
    fi
  done
  unset kelvra_locale
fi
if [ -e "$BUILD_DIR/locale/zh_CN.UTF-8/LC_CTYPE" ] || [ -e "$BUILD_DIR/locale/ja_JP.UTF-8/LC_CTYPE" ]; then
  export LOCPATH="$BUILD_DIR/locale"
fi
# A shell reads LOCPATH only from the environment it started with, so this
# shell cannot switch to the private locale and would say so; the programs it
# starts inherit LOCPATH and use it.
if [ -n "${LOCPATH:-}" ]; then
  export LC_ALL=zh_CN.UTF-8 2>/dev/null
else
  export LC_ALL=zh_CN.UTF-8
fi
KELVRA_XVFB_PID=""

wine_env_start() {
  if [ -z "${DISPLAY:-}" ]; then
    local n=97
    while [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    KELVRA_XVFB_PID=$!
    export DISPLAY=":$n"
    # Wait for the display socket (bounded).
    for _ in $(seq 1 100); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      sleep 0.1
    done
  fi
  mkdir -p "$WINEPREFIX"
  # One server for the whole run (a second -p while one runs is harmless).
  wineserver -p 2>/dev/null || true
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "creating the Wine prefix $WINEPREFIX"
  fi
  wineboot -i >/dev/null 2>&1 || true
  # Wine draws the caption buttons with Marlett (package fonts-wine); without
  # it the close box shows the letter "r". Debian's Wine does not find the
  # fonts in its own data folder, so the prefix gets a copy.
  local marlett=/usr/share/wine/fonts/marlett.ttf
  if [ -e "$marlett" ] && [ -d "$WINEPREFIX/drive_c/windows/Fonts" ] &&
    [ ! -e "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ]; then
    cp "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/"
  fi
  # Start the desktop process now, detached from our output: started on demand
  # by the first test that shows a window, it would inherit that test's
  # output pipe and keep CTest waiting until it exits.
  wine rundll32.exe user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1 || true
  # Keep one program of ours running until wine_env_stop: when the last one
  # ends, Wine shuts its desktop and services down, and every program after
  # that waited 10 to 20 s while they came back (RpcSs among them). A console
  # reading a pipe nobody writes to waits without a window.
  if [ -z "${KELVRA_WINE_KEEPER:-}" ]; then
    mkfifo "$WINEPREFIX/.keeper.$$" 2>/dev/null || true
    (wine cmd.exe /q <"$WINEPREFIX/.keeper.$$" >/dev/null 2>&1 &)
    exec {KELVRA_WINE_KEEPER}>"$WINEPREFIX/.keeper.$$"
    rm -f "$WINEPREFIX/.keeper.$$"
  fi
  # No window manager runs on the virtual display: unmanaged windows keep
  # Wine from waiting two seconds for one whenever a window is hidden.
  if ! grep -q '"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
  fi
}

wine_env_stop() {
  if [ -n "${KELVRA_WINE_KEEPER:-}" ]; then
    exec {KELVRA_WINE_KEEPER}>&-
    KELVRA_WINE_KEEPER=""
  fi
  wineserver -k 2>/dev/null || true
  if [ -n "$KELVRA_XVFB_PID" ]; then
    kill "$KELVRA_XVFB_PID" 2>/dev/null || true
  fi
}
