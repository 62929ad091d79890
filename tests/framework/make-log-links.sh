#!/usr/bin/env bash
# Lays out the log link case, anew each run: a file of someone else's and,
# where a log might be asked for, a hard link and a symbolic link to it, plus
# a plain earlier log. Made on the host side: Wine reports the host's links
# as Windows would report its own.
#   make-log-links.sh <folder>
set -eu
dir=$1
rm -rf "$dir"
mkdir -p "$dir"
printf 'not a log\r\n' >"$dir/target.txt"
ln "$dir/target.txt" "$dir/hard.log"
ln -s "$dir/target.txt" "$dir/sym.log"
printf 'earlier run\r\n' >"$dir/own.log"
