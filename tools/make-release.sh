#!/usr/bin/env bash
# Builds a signed, checksummed release of Kelvra V9 Setup:
#
#   make-release.sh [--build-dir <dir>] [--out <dir>] [--cert <cert.pem> --key <key.pem>]
#                   [--ca <ca.pem>] [--timestamp <url>]
#
# 1. builds Setup.exe, Uninstall-64.exe and KelvraUserSetup.exe in release
#    mode (--build-dir, default build-release; an existing build tree must
#    be a Release one);
# 2. signs the three with Authenticode, SHA-256, through osslsigncode: with
#    the certificate and key given, or, when none is given, with a test
#    certificate generated here (openssl), which no Windows trusts: it says
#    so loudly, and such a release is for testing only;
# 3. lays out the distribution Kelvra-V9-<version> with the signed programs
#    (tools/make-distribution.sh: its content folders are sample content)
#    and, in its folder Deploy, the deployment scripts tools/deploy/*.cmd as
#    the build wrote them, with its version (not beside Setup.exe: every file
#    there is installed as a program file); lists every file with its size
#    and SHA-256 in Distribution.manifest and binds that list to Setup.exe
#    before signing it (tools/bind-distribution.pl): the signed Setup.exe
#    checks its folder against the list before it changes anything;
# 4. verifies each signature in the distribution (osslsigncode verify,
#    against --ca, the generated certificate, or the system's trusted roots);
# 5. zips the distribution and writes SHA256SUMS (the zip and the three
#    programs).
#
# --timestamp <url> has each signature countersigned by that RFC 3161
# time-stamping service (it needs the network): the signature then stays
# valid after the certificate expires.
# The version is the CMake project's, read from the build's generated header.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-release"
out="$root/release"
cert=""
key=""
ca=""
timestamp=""
usage() {
  sed -n '/^#   make-release/,/^#  *\[--ca/p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 1
}
while [ $# -gt 0 ]; do
  case "$1" in
    --build-dir) build=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --cert) cert=$2; shift 2 ;;
    --key) key=$2; shift 2 ;;
    --ca) ca=$2; shift 2 ;;
    --timestamp) timestamp=$2; shift 2 ;;
    *) usage ;;
  esac
done
if { [ -n "$cert" ] && [ -z "$key" ]; } || { [ -z "$cert" ] && [ -n "$key" ]; }; then
  echo "make-release: --cert and --key go together" >&2
  exit 1
fi
"$root/scripts/deps.sh" osslsigncode zip openssl

# 1. Release build, without the tests: a tree that builds them gives its
#    programs a test's view of Wine (framework/FileSecurity.cpp).
if [ -f "$build/CMakeCache.txt" ]; then
  type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")
  if [ "$type" != Release ]; then
    echo "make-release: $build is a '$type' build, not Release" >&2
    exit 1
  fi
  tests=$(sed -n 's/^KELVRA_TESTS:[A-Z]*=//p' "$build/CMakeCache.txt")
  if [ "$tests" != OFF ]; then
    echo "make-release: $build builds the tests (KELVRA_TESTS=$tests); a release needs a tree of its own" >&2
    exit 1
  fi
else
  cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DKELVRA_WERROR=ON -DKELVRA_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j2 --target Setup Uninstall UserSetup KelvraSampleControl >/dev/null
version=$(sed -n 's/^#define KELVRA_VERSION_FULL "\(.*\)"$/\1/p' "$build/generated/res/ProductVersion.h")
[ -n "$version" ] || { echo "make-release: no version in $build" >&2; exit 1; }
name="Kelvra-V9-$version"
echo "make-release: $name"

mkdir -p "$out"
out=$(cd "$out" && pwd)
work="$out/.work"
rm -rf "$work" "$out/$name" "$out/$name.zip" "$out/SHA256SUMS"
mkdir -p "$work/signed"

# 2. The certificate.
if [ -z "$cert" ]; then
  cert="$work/test-certificate.pem"
  key="$work/test-key.pem"
  openssl req -x509 -newkey rsa:3072 -nodes -days 30 -sha256 \
    -subj "/CN=Kelvra V9 TEST SIGNING - NOT TRUSTED/O=Morvane" \
    -keyout "$key" -out "$cert" 2>/dev/null
  cp "$cert" "$out/test-certificate.pem"
  [ -n "$ca" ] || ca="$cert"
  cat >&2 <<'WARN'
**********************************************************************
*  NO CERTIFICATE GIVEN: signing with a generated TEST certificate.  *
*  No Windows trusts it. Do NOT distribute this release.             *
**********************************************************************
WARN
fi

programs="Setup.exe Uninstall-64.exe KelvraUserSetup.exe"
sign() {
  local args=(-certs "$cert" -key "$key" -h sha256 -n "土地整理规划设计软件 Kelvra V9.0"
    -i "http://www.morvane.example/")
  [ -z "$timestamp" ] || args+=(-ts "$timestamp")
  osslsigncode sign "${args[@]}" -in "$1" -out "$2" >/dev/null
}
# The distribution holds these two as signed.
for program in Uninstall-64.exe KelvraUserSetup.exe; do
  sign "$build/$program" "$work/signed/$program"
done

# 3. The distribution, around the signed programs; then its list, bound to
#    Setup.exe, which is signed last.
cp "$build/Setup.exe" "$work/signed/Setup-unbound.exe"
"$root/tools/make-distribution.sh" "$out/$name" --setup "$work/signed/Setup-unbound.exe" \
  --uninstall "$work/signed/Uninstall-64.exe" --control "$build/tools/KelvraSample.ocx" \
  --icon "$root/res/Setup.ico" >/dev/null
mkdir -p "$out/$name/Deploy"
cp "$build/deploy/"*.cmd "$out/$name/Deploy/"
manifest=$(perl "$root/tools/bind-distribution.pl" "$out/$name" "$build/Setup.exe" "$work/Setup-bound.exe")
sign "$work/Setup-bound.exe" "$work/signed/Setup.exe"
cp "$work/signed/Setup.exe" "$out/$name/Setup.exe"
echo "make-release: Distribution.manifest ($(($(wc -l <"$out/$name/Distribution.manifest") - 1)) files, SHA-256 $manifest) bound to Setup.exe"

# 4. Every program as shipped carries a valid signature.
for program in $programs; do
  verify=(-in "$out/$name/$program")
  [ -z "$ca" ] || verify=(-CAfile "$ca" "${verify[@]}")
  if ! osslsigncode verify "${verify[@]}" >"$work/verify.txt" 2>&1; then
    cat "$work/verify.txt" >&2
    echo "make-release: the signature of $program does not verify" >&2
    exit 1
  fi
  echo "make-release: $program signed and verified"
done

# 5. The zip and its checksums.
(cd "$out" && zip -qrX "$name.zip" "$name")
(cd "$out" && sha256sum "$name.zip" $(for p in $programs; do echo "$name/$p"; done) >SHA256SUMS)
rm -rf "$work"
echo "make-release: $out/$name.zip and $out/SHA256SUMS"
