#!/usr/bin/env bash
# The whole test suite: installs what it needs, builds with warnings as
# errors, and runs every test program under Wine through CTest.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
BUILD_DIR=${BUILD_DIR:-$root/build}
cmake -S "$root" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DKELVRA_WERROR=ON >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
. "$root/scripts/wine-env.sh"
wine_env_start
trap wine_env_stop EXIT
cd "$BUILD_DIR"
# One test program at a time: they share one Wine prefix, and with it the
# machine-wide state an installation leaves (the product keys, the
# administrators' installation record), which a program running beside
# another would read as its own.
ctest --output-on-failure --timeout 300 "$@"
