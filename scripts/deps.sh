#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the main job need.
# Idempotent: does nothing when every package is already there. Extra
# packages (the benchmark's) may be named as arguments.
set -eu
# fonts-wine: Marlett, with which Wine draws the caption's close box.
# osslsigncode, openssl and zip: the signed release (tools/make-release.sh).
packages="cmake make mingw-w64 g++-mingw-w64-x86-64 wine wine64 xvfb xauth
  fonts-wqy-microhei fonts-wine fontconfig locales imagemagick x11-apps googletest
  osslsigncode openssl zip unzip $*"
missing=""
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "installing:$missing"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
