#!/usr/bin/env bash
# The checked distribution's benchmark: on tree (a) of the copy benchmark
# (20,000 files of 1 to 16 KB), the check Setup.exe makes of a bound
# distribution before it changes anything, against the installation itself.
#
#   bench/run-distribution-check.sh [--runs N] [--disk]
#
# The manifest is written as the release writes it (tools/bind-distribution.pl);
# distribution_check_bench.exe times the check and the unattended
# installation in turns. Nothing here is a test: it only prints figures.
set -eu -o pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=3
. "$root/bench/bench-options.sh"

"$root/scripts/deps.sh" python3
BUILD_DIR=${BUILD_DIR:-$root/build}
cmake -S "$root" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DKELVRA_WERROR=ON >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)" --target Setup Uninstall KelvraSampleControl \
  distribution_check_bench >/dev/null

. "$root/bench/bench-env.sh" kelvra-check
dist=$trees_dir/distribution
"$root/tools/make-distribution.sh" "$dist" --setup "$BUILD_DIR/Setup.exe" \
  --control "$BUILD_DIR/tools/KelvraSample.ocx" --uninstall "$BUILD_DIR/Uninstall-64.exe" \
  --icon "$root/res/Setup.ico" --files 0 --depth 0 --file-size 1024 --no-pictures >/dev/null
python3 "$root/bench/make-tree.py" "$dist" a >&2
digest=$(perl "$root/tools/bind-distribution.pl" "$dist" "$BUILD_DIR/Setup.exe" "$work/Setup-bound.exe")
echo "manifest: $(($(wc -l <"$dist/Distribution.manifest") - 1)) files, SHA-256 $digest" >&2
mkdir -p "$trees_dir/destinations"
"$root/cmake/wine-run.sh" "$BUILD_DIR/bench/distribution_check_bench.exe" "$(treepath "$dist")" \
  "$digest" "$(treepath "$trees_dir/destinations")" "$runs" | tr -d '\r'
