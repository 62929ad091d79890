#!/usr/bin/env bash
# Lays out the link case of the removal tests, anew each run: a product
# folder whose Support\Menu holds "elsewhere", a symbolic link to a folder
# outside it with a file of the user's, and "kelvra.cfg", one to that file;
# its Temp holds one to the other file. Made on the host side: Wine cannot
# make a junction or symbolic link itself, but reports a host link to a
# folder as a reparse point, as Windows reports a junction (a link to a file
# it shows as the file).
#   make-link-case.sh <folder>
set -eu
case_dir=$1
rm -rf "$case_dir"
mkdir -p "$case_dir/dest/Support/Menu" "$case_dir/dest/Temp" "$case_dir/outside/sub"
printf 'the user'"'"'s\r\n' >"$case_dir/outside/keep.txt"
printf 'the user'"'"'s too\r\n' >"$case_dir/outside/sub/deeper.txt"
printf 'product\r\n' >"$case_dir/dest/Support/Menu/kelvra.mnu"
ln -s "$case_dir/outside" "$case_dir/dest/Support/Menu/elsewhere"
ln -s "$case_dir/outside/keep.txt" "$case_dir/dest/Support/Menu/kelvra.cfg"
ln -s "$case_dir/outside/sub/deeper.txt" "$case_dir/dest/Temp/scratch.dat"
