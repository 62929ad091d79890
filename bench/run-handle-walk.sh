#!/usr/bin/env bash
# The handle walk against the removal floor on tree (a): the same 20,000
# files in about a thousand folders removed by remove_bench.exe's two self-
# timed modes, "floor" (FindFirstFile/DeleteFileA/RemoveDirectoryA) and
# "handles" (the uninstaller's walk through open handles), taking turns
# within each round (which goes first alternates), so that a noisy machine
# weighs on both alike. Prints each run and the per-round ratios.
#
#   bench/run-handle-walk.sh [--runs N] [--disk]
set -eu -o pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=5
. "$root/bench/bench-options.sh"
BUILD_DIR=${BUILD_DIR:-$root/build}
cmake --build "$BUILD_DIR" -j2 --target remove_bench >/dev/null

. "$root/bench/bench-env.sh" kelvra-handles
folders=(Support Control Database 线型库 填充图案 材料图案 图框 图例 图库 图件图库 标准断面 Temp)
source_dir=$trees_dir/source
dest_unix=$trees_dir/dest
mkdir -p "$source_dir"
for f in "${folders[@]}"; do mkdir -p "$source_dir/$f"; done
python3 "$root/bench/make-tree.py" "$source_dir" a >/dev/null
echo "tree (a): $(find "$source_dir" -type f | wc -l) files, $(find "$source_dir" -type d | wc -l) folders" >&2
timer=$BUILD_DIR/bench/remove_bench.exe

one() {
  rm -rf "$dest_unix"
  cp -r "$source_dir" "$dest_unix"
  local line
  line=$("$root/cmake/wine-run.sh" "$timer" "$1" "$(treepath "$dest_unix")" | tr -d '\r' | tail -n 1)
  [ -e "$dest_unix" ] && echo "bench: $1 left $(find "$dest_unix" | wc -l) entries" >&2
  echo "$line" | sed -n 's/.*remove_ms=\([0-9.]*\).*/\1/p'
  echo "  $1 $line" >&2
}

printf 'round\tfloor_ms\thandles_ms\tratio\n'
for round in $(seq 1 "$runs"); do
  if [ $((round % 2)) = 1 ]; then
    f=$(one floor); h=$(one handles)
  else
    h=$(one handles); f=$(one floor)
  fi
  printf '%s\t%s\t%s\t%s\n' "$round" "$f" "$h" "$(python3 -c "print(f'{$h/$f:.2f}')")"
done
