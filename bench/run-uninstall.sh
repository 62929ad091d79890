#!/usr/bin/env bash
# The removal benchmark: Uninstall-64.exe /S against a bare delete walk (the
# floor) and the uninstaller NSIS generates (RMDir /r), on tree (a) of the
# copy benchmark: 20,000 files of 1 to 16 KB in nested folders.
#
#   bench/run-uninstall.sh [--runs N] [--disk]
#
# Each round removes the same tree three times: installed by Setup.exe /S and
# removed by its uninstaller; copied in and removed by the floor; copied in
# with NSIS's uninstaller beside it and removed by that. Every contender is
# timed by remove_bench.exe from the start of its process to the end of the
# last process it started, so each pays for starting Wine processes alike;
# after every run the script checks what is left. Nothing here is a test: it
# only prints figures.
set -eu -o pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=3
. "$root/bench/bench-options.sh"

"$root/scripts/deps.sh" nsis python3
BUILD_DIR=${BUILD_DIR:-$root/build}
cmake -S "$root" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DKELVRA_WERROR=ON >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)" --target Setup Uninstall KelvraSampleControl \
  remove_bench >/dev/null

. "$root/bench/bench-env.sh" kelvra-remove
dist=$trees_dir/distribution
results=$work/remove-results.tsv
: >"$results"
makensis -V1 -DOUTFILE="$work/NsisRemove.exe" "$root/bench/RemoveFolders.nsi"
folders=(Support Control Database 线型库 填充图案 材料图案 图框 图例 图库 图件图库 标准断面 Temp)
dest_unix=$trees_dir/bench-dest
dest_win=$(treepath "$dest_unix")
timer=$BUILD_DIR/bench/remove_bench.exe
record() { printf '%s\t%s\n' "$1" "$2" >>"$results"; }

"$root/tools/make-distribution.sh" "$dist" --setup "$BUILD_DIR/Setup.exe" \
  --control "$BUILD_DIR/tools/KelvraSample.ocx" --uninstall "$BUILD_DIR/Uninstall-64.exe" \
  --icon "$root/res/Setup.ico" --files 0 --depth 0 --file-size 1024 --no-pictures >/dev/null
python3 "$root/bench/make-tree.py" "$dist" a >"$work/tree-a.txt"
expected=$(cd "$dist" && find "${folders[@]}" | wc -l)
echo "tree (a): $(cat "$work/tree-a.txt"); $expected files and folders in the content folders" >&2

# NSIS's uninstaller, written once by its installer; each run gets a copy.
wine "$work/NsisRemove.exe" /S "/D=$(treepath "$trees_dir/nsis")" >/dev/null 2>&1
[ -f "$trees_dir/nsis/uninst.exe" ] || { echo "bench: NSIS wrote no uninstaller" >&2; exit 1; }

copy_tree_in() {
  rm -rf "$dest_unix"
  mkdir -p "$dest_unix"
  for f in "${folders[@]}"; do cp -r "$dist/$f" "$dest_unix/"; done
}
# Times one contender; prints and records its figures, then what is left.
timed() {
  local name=$1 line left
  shift
  line=$("$root/cmake/wine-run.sh" "$timer" run "$@" | tr -d '\r' | tail -n 1)
  left=$( (cd "$dest_unix" 2>/dev/null && find . -mindepth 1 | wc -l) || echo 0)
  echo "  $name $line left=$left" >&2
  for key in run_ms peak_ws_kb exit; do
    record "$name $key" "$(echo "$line" | tr ' ' '\n' | sed -n "s/^$key=//p")"
  done
  record "$name left" "$left"
  last_ms=$(echo "$line" | tr ' ' '\n' | sed -n "s/^run_ms=//p")
}
# The three contenders of one round met the same machine: their ratios.
ratio() { if [ -n "$1" ] && [ -n "$2" ]; then python3 -c "print($1 / $2)"; fi; }

for round in $(seq 1 "$runs"); do
  echo "round $round" >&2
  # Uninstall-64.exe: a real installation first (a first one each time).
  rm -rf "$dest_unix"
  forget_installation
  "$root/cmake/wine-run.sh" "$dist/Setup.exe" /S "/D=$dest_win\\" || {
    echo "bench: Setup.exe /S failed with $?" >&2
    exit 1
  }
  timed uninstaller "$dest_win\\Uninstall-64.exe" /S
  uninstaller_ms=$last_ms
  copy_tree_in
  timed floor "$timer" floor "$dest_win"
  floor_ms=$last_ms
  copy_tree_in
  cp "$trees_dir/nsis/uninst.exe" "$dest_unix/uninst.exe"
  timed nsis "$dest_win\\uninst.exe" /S "_?=$dest_win"
  record "round uninstaller/floor" "$(ratio "$uninstaller_ms" "$floor_ms")"
  record "round uninstaller/nsis" "$(ratio "$uninstaller_ms" "$last_ms")"
done
rm -rf "$dest_unix"

echo
echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg), $(wine --version), $runs runs, tree in $([ "$trees_dir" = "$work" ] && echo "$work (disk)" || echo "memory (/dev/shm)")"
python3 - "$results" <<'EOF'
import statistics
import sys

runs = {}
for line in open(sys.argv[1], encoding="utf-8"):
    key, value = line.rstrip("\n").split("\t")
    if value:
        runs.setdefault(key, []).append(float(value))
floor = statistics.median(runs["floor run_ms"])
best_floor = min(runs["floor run_ms"])
print(f"  {'contender':<34}{'median ms':>11}{'x floor':>9}{'best ms':>9}{'x floor':>9}"
      f"{'peak WS MB':>12}{'exit':>6}{'left':>6}")
for name, label in (("floor", "floor (FindFirstFile/Delete walk)"),
                    ("uninstaller", "Uninstall-64.exe /S"),
                    ("nsis", "NSIS uninstaller (RMDir /r)")):
    times = runs.get(f"{name} run_ms")
    if not times:
        continue
    median = statistics.median(times)
    peak = max(runs.get(f"{name} peak_ws_kb", [0])) / 1024
    exits = ",".join(sorted({f"{code:.0f}" for code in runs.get(f"{name} exit", [])}))
    left = max(runs.get(f"{name} left", [0]))
    print(f"  {label:<34}{median:>11.0f}{median / floor:>9.2f}{min(times):>9.0f}"
          f"{min(times) / best_floor:>9.2f}{peak:>12.1f}{exits:>6}{left:>6.0f}")
for key, label in (("round uninstaller/floor", "the delete floor"),
                   ("round uninstaller/nsis", "NSIS's RMDir /r")):
    ratios = runs.get(key)
    if ratios:
        print(f"  Uninstall-64.exe /S against {label}, round by round: "
              f"{', '.join(f'{r:.2f}' for r in ratios)}, median {statistics.median(ratios):.2f} x")
EOF
