#!/usr/bin/env bash
# The copy benchmark: Setup.exe against the copy floor, Wine's xcopy, an NSIS
# installer and native cp, on three trees, plus the backdrop erase and the
# installer's start-up. Builds what it needs, runs everything in one Wine
# prefix of its own on a private Xvfb screen, and prints a table of medians.
#
#   bench/run.sh [--runs N] [--trees "a b c"] [--contenders "setup silent floor xcopy nsis cp"] [--disk]
#
# Each tree is generated fresh; the contenders then copy it in rounds (one
# run of each per round), every run into an empty destination. Nothing here
# is a test: it only prints figures.
#
# The trees and the destination live in memory (/dev/shm) unless --disk is
# given: on a disk mounted with online discard, deleting one run's 20,000
# files slows the runs after it, whatever copies them.
set -eu -o pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=3
trees="a b c"
contenders="setup silent floor xcopy nsis cp"
on_disk=0
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    --trees) trees=$2; shift 2 ;;
    --contenders) contenders=$2; shift 2 ;;
    --disk) on_disk=1; shift ;;
    *) sed -n '/^#   bench/p' "$0" >&2; exit 1 ;;
  esac
done

"$root/scripts/deps.sh" nsis python3
BUILD_DIR=${BUILD_DIR:-$root/build}
cmake -S "$root" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DKELVRA_WERROR=ON >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)" --target Setup UserSetup KelvraSampleControl copy_floor \
  setup_copy_bench backdrop_bench >/dev/null

. "$root/bench/bench-env.sh" kelvra-bench
dist=$trees_dir/distribution
results=$work/results.tsv
: >"$results"
makensis -V1 -DOUTFILE="$work/NsisCopy.exe" "$root/bench/CopyFolders.nsi"

wanted() { case " $contenders " in *" $1 "*) return 0 ;; esac; return 1; }
winpath() { echo "Z:$1" | tr / '\\'; }
folders=(Support Control Database 线型库 填充图案 材料图案 图框 图例 图库 图件图库 标准断面 Temp)
dest_unix=$trees_dir/bench-dest
dest_win=$(treepath "$dest_unix")
now_ms() { date +%s%3N; }
record() { printf '%s\t%s\t%s\n' "$1" "$2" "$3" >>"$results"; }

fresh_tree() {
  "$root/tools/make-distribution.sh" "$dist" --setup "$BUILD_DIR/Setup.exe" \
    --control "$BUILD_DIR/tools/KelvraSample.ocx" --icon "$root/res/Setup.ico" \
    --files 0 --depth 0 --file-size 1024 >/dev/null
  python3 "$root/bench/make-tree.py" "$dist" "$1" >"$work/tree-$1.txt"
  cp "$work/NsisCopy.exe" "$dist/NsisCopy.exe"
}
empty_destination() { rm -rf "$dest_unix"; }
# Every contender must have copied every file of the twelve folders.
check_copy() {
  local expected copied
  expected=$(cd "$dist" && find "${folders[@]}" -type f | wc -l)
  copied=$(cd "$dest_unix" && find "${folders[@]}" -type f 2>/dev/null | wc -l)
  if [ "$expected" != "$copied" ]; then
    echo "bench: $1 copied $copied of $expected files" >&2
    record "$tree" "incomplete $1" "$copied"
  fi
}

# The cost of starting a Wine process: xcopy and NSIS are timed from outside.
for _ in $(seq 1 "$runs"); do
  t0=$(now_ms); wine cmd /c exit >/dev/null 2>&1; t1=$(now_ms)
  record "-" "wine process start" $((t1 - t0))
done

# One run of each contender: a fresh empty destination, the copy, the check.
run_setup() {
  empty_destination
  # A first installation each time: no reinstall question before the welcome page.
  forget_installation
  # Its log gives the copy phase as the silent run's log gives that run's.
  local log=$work/wizard-setup.log phase
  rm -f "$log"
  line=$("$root/cmake/wine-run.sh" "$BUILD_DIR/bench/setup_copy_bench.exe" \
    "$(treepath "$dist/Setup.exe")" "$dest_win\\" --recheck 5 --log "$(winpath "$log")") ||
    echo "bench: the walk failed: $line" >&2
  echo "  Setup.exe $line" >&2
  for key in welcome_ms counting_ms copy_ms done_ms peak_ws_kb; do
    value=$(echo "$line" | tr ' ' '\n' | sed -n "s/^$key=//p" | tr -d '\r')
    record "$tree" "setup $key" "$value"
  done
  wizard_phase=""
  if phase=$(python3 "$root/bench/log_phase.py" "$log"); then
    record "$tree" "setup log_copy_ms" "$phase"
    wizard_phase=$phase
  fi
  check_copy Setup.exe
}
# Setup.exe /S: the whole run timed from outside (process start included),
# its copy phase from the time stamps of its log.
run_silent() {
  local log=$work/silent-setup.log
  forget_installation
  rm -f "$log"
  run_timed silent wine "$(treepath "$dist/Setup.exe")" /S "/LOG=$(winpath "$log")" "/D=$dest_win\\"
  local phase
  silent_phase=""
  if phase=$(python3 "$root/bench/log_phase.py" "$log"); then
    record "$tree" "silent copy_ms" "$phase"
    silent_phase=$phase
  fi
}
# The floor, alone or with one of the installer's per-entry costs (--attributes, --notify).
run_floor() {
  empty_destination
  line=$("$root/cmake/wine-run.sh" "$BUILD_DIR/bench/copy_floor.exe" "$(treepath "$dist")" \
    "$dest_win" "$@") || echo "bench: the floor $* failed: $line" >&2
  echo "  floor $* $line" >&2
  record "$tree" "floor ${1:-copy_ms}" "$(echo "$line" | sed -n 's/^copy_ms=\([0-9.]*\).*/\1/p')"
  check_copy "floor $*"
}
# Times a Wine command from outside; a run that exits with an error is
# reported and left out of the figures.
run_timed() {
  local name=$1 status=0
  shift
  empty_destination
  t0=$(now_ms)
  "$@" >/dev/null 2>&1 || status=$?
  t1=$(now_ms)
  echo "  $name $((t1 - t0)) (exit $status)" >&2
  if [ "$status" != 0 ]; then
    record "$tree" "failed $name" "$status"
    return
  fi
  record "$tree" "$name" $((t1 - t0))
  check_copy "$name"
}
run_xcopy() { run_timed xcopy wine cmd /c "$(winpath "$work/xcopy.bat")"; }
run_nsis() { run_timed nsis wine "$dist/NsisCopy.exe" /S "/D=$dest_win"; }
run_cp() {
  empty_destination
  mkdir -p "$dest_unix"
  t0=$(now_ms)
  for f in "${folders[@]}"; do cp -r "$dist/$f" "$dest_unix/"; done
  t1=$(now_ms)
  echo "  cp -r $((t1 - t0))" >&2
  record "$tree" "cp -r" $((t1 - t0))
  check_copy "cp -r"
}

# Runs interleave the contenders (one run of each, then the next round), so a
# machine that slows down or speeds up during the benchmark weighs on all.
for tree in $trees; do
  echo "tree $tree" >&2
  fresh_tree "$tree"
  # One batch of twelve xcopy commands, in code page 936 as cmd reads it.
  for f in "${folders[@]}"; do
    printf 'xcopy "%s" "%s\\%s" /E /I /Q >nul\r\n' "$(treepath "$dist/$f")" "$dest_win" "$f"
  done | iconv -f UTF-8 -t GBK >"$work/xcopy.bat"
  for _ in $(seq 1 "$runs"); do
    wizard_phase="" silent_phase=""
    if wanted setup; then run_setup; fi
    if wanted silent; then run_silent; fi
    # The two copy phases of one round met the same machine.
    if [ -n "$wizard_phase" ] && [ -n "$silent_phase" ]; then
      record "$tree" "wizard/silent copy" "$(python3 -c "print($wizard_phase / $silent_phase)")"
    fi
    if wanted floor; then run_floor; run_floor --attributes; run_floor --notify; fi
    if wanted xcopy; then run_xcopy; fi
    if wanted nsis; then run_nsis; fi
    if wanted cp; then run_cp; fi
  done
done
empty_destination

# One backdrop erase over the screen, for two picture sizes.
pictures=$work/pictures
mkdir -p "$pictures"
for size in 1920x1080 4000x3000; do
  [ -f "$pictures/$size.jpg" ] ||
    convert -seed 1 -size "$size" plasma:fractal -blur 0x1 -quality 90 "$pictures/$size.jpg"
  line=$("$root/cmake/wine-run.sh" "$BUILD_DIR/bench/backdrop_bench.exe" "$(winpath "$pictures/$size.jpg")" | tr -d '\r')
  echo "$line" >&2
  record "$size" "backdrop build_ms" "$(echo "$line" | grep '^BuildBackdropBitmap' | sed -n 's/.*median \([0-9.]*\) ms.*/\1/p' | head -1)"
  record "$size" "backdrop erase_ms" "$(echo "$line" | grep '^whole erase' | sed -n 's/.*median \([0-9.]*\) ms.*/\1/p' | head -1)"
done

echo
echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg), $(wine --version), $runs runs per case, trees in $([ "$trees_dir" = "$work" ] && echo "$work (disk)" || echo "memory (/dev/shm)")"
python3 "$root/bench/table.py" "$results" "$work"
