#!/usr/bin/env bash
# Runs tools/make-release.sh without a certificate and checks what it made:
# the loud test-certificate warning, SHA256SUMS, and that every program in
# the zip is the signed one, its signature valid for that certificate.
#   release-test.sh <source tree> <build tree> <scratch folder>
set -euo pipefail
source_dir=$1
build=$2
out=$3
rm -rf "$out"
mkdir -p "$out"
fail() { echo "FAIL: $*" >&2; exit 1; }

"$source_dir/tools/make-release.sh" --build-dir "$build" --out "$out" >"$out/output.txt" 2>&1 ||
  { cat "$out/output.txt"; fail "make-release.sh failed"; }
grep -q "TEST certificate" "$out/output.txt" || fail "no warning about the test certificate"

version=$(sed -n 's/^#define KELVRA_VERSION_FULL "\(.*\)"$/\1/p' "$build/generated/res/ProductVersion.h")
name="Kelvra-V9-$version"
[ -f "$out/$name.zip" ] || fail "no $name.zip"
(cd "$out" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS does not match"
grep -q " $name.zip\$" "$out/SHA256SUMS" || fail "the zip is not in SHA256SUMS"

mkdir "$out/unzipped"
(cd "$out/unzipped" && unzip -q "../$name.zip")
# The installer's three programs (the product's own, Kelvra-64.exe, is content).
for program in Setup.exe Uninstall-64.exe KelvraUserSetup.exe; do
  shipped="$out/unzipped/$name/$program"
  [ -f "$shipped" ] || fail "$program is not in the zip"
  # The signed file, byte for byte: listed in SHA256SUMS, not the build's.
  grep -q "^$(sha256sum <"$shipped" | cut -d' ' -f1)  $name/$program\$" "$out/SHA256SUMS" ||
    fail "$program in the zip is not the one checksummed"
  cmp -s "$shipped" "$build/$program" && fail "$program in the zip is unsigned"
  osslsigncode verify -CAfile "$out/test-certificate.pem" -in "$shipped" >"$out/verify.txt" 2>&1 ||
    { cat "$out/verify.txt"; fail "$program: the signature does not verify"; }
  grep -q "Kelvra V9 TEST SIGNING" "$out/verify.txt" || fail "$program: signed by someone else"
  grep -qi "sha256" "$out/verify.txt" || fail "$program: not a SHA-256 signature"
done
# The deployment scripts, the version of the build inside.
for script in Install-Kelvra.cmd Uninstall-Kelvra.cmd; do
  [ -f "$out/unzipped/$name/$script" ] || fail "$script is not in the zip"
done
grep -q "set \"THIS=$version\"" "$out/unzipped/$name/Install-Kelvra.cmd" ||
  fail "Install-Kelvra.cmd does not compare with $version"
echo "release $name: signed, verified and checksummed, with its deployment scripts"
