#!/usr/bin/env bash
# Registers a SIMULATED AutoCAD in the current Wine prefix (WINEPREFIX), so
# the installer finds hosts to configure: AutoCAD 2010 (R18.0) and AutoCAD
# 2014 (R19.1), as the registry keys that the installer reads, with a
# default profile each. No AutoCAD is installed: the host folders hold only a
# note saying so, and every key carries "Simulated" = "yes".
#
#   register-simulated-acad.sh            register (idempotent)
#   register-simulated-acad.sh --remove   take the simulated keys away again
set -eu
: "${WINEPREFIX:?set WINEPREFIX to the Wine prefix to register in}"

drive_c=$WINEPREFIX/drive_c
hosts="R18.0|ACAD-8001:804|AutoCAD 2010|<<未命名配置>>
R19.1|ACAD-D001:804|AutoCAD 2014|<<初始设置配置>>"

reg_file=$(mktemp --suffix=.reg)
trap 'rm -f "$reg_file" "$reg_file.utf16"' EXIT

if [ "${1:-}" = "--remove" ]; then
  {
    echo "Windows Registry Editor Version 5.00"
    echo
    while IFS='|' read -r release product _name _profile; do
      echo "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Autodesk\\AutoCAD\\$release]"
      echo "[-HKEY_CURRENT_USER\\Software\\Autodesk\\AutoCAD\\$release]"
    done <<<"$hosts"
  } >"$reg_file"
else
  {
    echo "Windows Registry Editor Version 5.00"
    echo
    while IFS='|' read -r release product name profile; do
      folder="C:\\\\Program Files\\\\Autodesk\\\\$name (simulated)\\\\"
      mkdir -p "$drive_c/Program Files/Autodesk/$name (simulated)"
      printf 'SIMULATED %s (%s): registry keys only, for trying Kelvra V9 Setup.\r\nThere is no acad.exe here.\r\n' \
        "$name" "$release" >"$drive_c/Program Files/Autodesk/$name (simulated)/SIMULATED.txt"
      echo "[HKEY_CURRENT_USER\\Software\\Autodesk\\AutoCAD\\$release]"
      echo "\"CurVer\"=\"$product\""
      echo "\"Simulated\"=\"yes\""
      echo
      echo "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Autodesk\\AutoCAD\\$release\\$product]"
      echo "\"AcadLocation\"=\"$folder\""
      echo "\"ProductName\"=\"$name (simulated)\""
      echo "\"Simulated\"=\"yes\""
      echo
      echo "[HKEY_CURRENT_USER\\Software\\Autodesk\\AutoCAD\\$release\\$product\\Profiles\\$profile\\General]"
      echo "\"ACAD\"=\"${folder}support;${folder}fonts;\""
      echo
    done <<<"$hosts"
  } >"$reg_file"
fi
# Version 5 registry files are UTF-16 with a byte-order mark.
{ printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$reg_file"; } >"$reg_file.utf16"
wine reg import "$(winepath -w "$reg_file.utf16" 2>/dev/null)" >/dev/null 2>&1
