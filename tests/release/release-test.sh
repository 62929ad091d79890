#!/usr/bin/env bash
# Runs tools/make-release.sh without a certificate and checks what it made:
# the loud test-certificate warning, SHA256SUMS, and that every program in
# the zip is the signed one, its signature valid for that certificate. Then
# the round trip of the checked distribution, in a Wine prefix of its own:
# the release installs from the zip as shipped; with a file removed, or one
# changed, it refuses before anything changes; a data file changed at its
# size stops the copy, and the product is not detected as installed.
#   release-test.sh <source tree> <release build tree> <scratch folder>
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
  [ -f "$out/unzipped/$name/Deploy/$script" ] || fail "$script is not in the zip"
done
grep -q "set \"THIS=$version\"" "$out/unzipped/$name/Deploy/Install-Kelvra.cmd" ||
  fail "Install-Kelvra.cmd does not compare with $version"

# The checked distribution.
dist="$out/unzipped/$name"
[ -f "$dist/Distribution.manifest" ] || fail "no Distribution.manifest in the zip"
grep -q "^File	[0-9]*	[0-9a-f]\{64\}	Support\\\\" "$dist/Distribution.manifest" ||
  fail "the manifest lists no file of Support"
grep -qP "\tSetup\.exe\r$" "$dist/Distribution.manifest" && fail "the manifest lists Setup.exe"
export WINEPREFIX="$out/wineprefix"
trap 'wineserver -k 2>/dev/null || true' EXIT
wineboot -i >/dev/null 2>&1 || true
winpath() { echo "Z:$1" | tr / '\\'; }
# run <distribution> <destination name>: Setup.exe /S into C:\<name>; prints the exit code.
run() {
  local status=0
  "$source_dir/cmake/wine-run.sh" "$1/Setup.exe" /S "/LOG=$(winpath "$out/$2.log")" \
    "/D=C:\\$2" >/dev/null 2>&1 || status=$?
  echo "$status"
}
# Wine hands the shell the exit code's low byte: 1603 arrives as 67.
failed=$((1603 % 256))
log() { iconv -f GBK -t UTF-8 "$out/$1.log"; }
# has <run> <pattern>: the run's log holds a line matching it (read whole:
# grep -q would end the pipe early, which pipefail counts as a failure).
has() { log "$1" | grep -- "$2" >/dev/null; }
machine() { wine reg query 'HKLM\Software\Morvane' /s 2>/dev/null; }

# As shipped: checked, then installed. A release build counts no Wine file as
# administrators' alone, so it registers no control here and ends with 1603
# for that alone.
status=$(run "$dist" clean)
has clean "分发文件夹与文件清单相符" || { log clean; fail "the clean distribution was not checked"; }
[ -f "$WINEPREFIX/drive_c/clean/kelvra-64.exe" ] || [ -f "$WINEPREFIX/drive_c/clean/Kelvra-64.exe" ] ||
  { log clean; fail "the clean distribution did not install"; }
[ ! -e "$WINEPREFIX/drive_c/clean/Distribution.manifest" ] || fail "the manifest was installed"
has clean "ERROR  不注册控件 .*kelvrasample.ocx" || { log clean; fail "the control's refusal is not named"; }
others=$(log clean | grep "ERROR" | grep -v "控件" | grep -v "未能完成" || true)
[ -z "$others" ] || { log clean; fail "the clean installation failed otherwise: $others"; }
[ "$status" = $failed ] || { log clean; fail "the clean installation ended with $status, not 1603 (the control)"; }

# refused <name> <how>: a copy of the distribution changed by <how> is
# refused before anything changes.
refused() {
  local copy="$out/$1"
  rm -rf "$copy"
  cp -r "$dist" "$copy"
  (cd "$copy" && eval "$2")
  # The detection value too, which a silent run clears first of all.
  wine reg add 'HKLM\Software\Morvane\Kelvra\V9' /v InstalledVersion /d 9.00 /f >/dev/null 2>&1
  machine >"$out/before.txt"
  grep InstalledVersion "$out/before.txt" >/dev/null || fail "$1: no detection value to keep"
  status=$(run "$copy" "$1")
  [ "$status" = $failed ] || { log "$1"; fail "$1: ended with $status, not 1603"; }
  has "$1" "$3" || { log "$1"; fail "$1: the log does not name it ($3)"; }
  has "$1" "安装没有开始" || fail "$1: the log does not say nothing started"
  [ ! -e "$WINEPREFIX/drive_c/$1" ] || fail "$1: the destination was created"
  machine >"$out/after.txt"
  cmp -s "$out/before.txt" "$out/after.txt" || fail "$1: the product's keys changed"
}
refused removed "rm Support/2010-12/64/ARX/LoadKelvra.arx" "缺少文件 .*LoadKelvra.arx"
refused changed "perl -pi -e 's/sample content/sample CONTENT/' readme.txt" "文件已改动 .*readme.txt"

# A data file changed at its size: only the copy reads its digest. The copy
# stops there (1603), the file is not installed, and the detection value,
# cleared before the copy began, stays cleared.
copy="$out/datachanged"
rm -rf "$copy"
cp -r "$dist" "$copy"
(cd "$copy" && perl -pi -e 's/sample content/sample CONTENT/' Temp/README.TXT)
wine reg add 'HKLM\Software\Morvane\Kelvra\V9' /v InstalledVersion /d 9.00 /f >/dev/null 2>&1
status=$(run "$copy" datachanged)
[ "$status" = $failed ] || { log datachanged; fail "datachanged: ended with $status, not 1603"; }
has datachanged "分发文件夹与文件清单相符" || { log datachanged; fail "datachanged: refused before the copy"; }
has datachanged "文件已改动 .*Temp.README.TXT (复制时核对" ||
  { log datachanged; fail "datachanged: the log does not name Temp\\README.TXT"; }
has datachanged "安装失败: 复制文件没有完成" || { log datachanged; fail "datachanged: the copy did not stop"; }
[ ! -e "$WINEPREFIX/drive_c/datachanged/Temp/readme.txt" ] || fail "datachanged: the changed file was installed"
wine reg query 'HKLM\Software\Morvane\Kelvra\V9' /v InstalledVersion >/dev/null 2>&1 &&
  fail "datachanged: the product is still detected as installed"

# The product goes again.
"$source_dir/cmake/wine-run.sh" "$WINEPREFIX/drive_c/clean/Uninstall-64.exe" /S >/dev/null 2>&1 || true
echo "release $name: signed, verified, checksummed; with its deployment scripts; checked clean installs, a removed and a changed file are refused, a data file changed at its size stops the copy"
