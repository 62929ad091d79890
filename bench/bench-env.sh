# Sourced by the benchmark scripts after they have built what they need:
# the work folder, the trees' folder (in memory unless on_disk=1), the
# benchmark's own Wine prefix on a private Xvfb screen, the shortcuts kept
# inside the prefix, and the trees as drive T:. Needs root, BUILD_DIR,
# on_disk and the trees' folder name ($1). Sets work, trees_dir and treepath.
work=$BUILD_DIR/bench-work
trees_dir=$work
if [ "$on_disk" = 0 ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then trees_dir=/dev/shm/$1-$$; fi
mkdir -p "$trees_dir" "$work"

unset DISPLAY
. "$root/scripts/wine-env.sh"
export WINEPREFIX=$BUILD_DIR/wineprefix-bench
wine_env_start
bench_cleanup() {
  wine_env_stop
  if [ "$trees_dir" != "$work" ]; then rm -rf "$trees_dir"; fi
}
trap bench_cleanup EXIT
desktop=$WINEPREFIX/drive_c/users/$(whoami)/Desktop
if [ -L "$desktop" ]; then rm "$desktop"; mkdir -p "$desktop"; fi
# The trees as drive T: (through Z: Wine warns about the volume of /dev/shm).
ln -sfn "$trees_dir" "$WINEPREFIX/dosdevices/t:"
treepath() { echo "T:${1#"$trees_dir"}" | tr / '\\'; }
# A first installation each run: the product key goes (no reinstall
# question) and so does the administrators' copy of the installation record
# in Common Files, which every run after the first would otherwise take in
# as an earlier installation's (20,000 more files read and merged).
forget_installation() {
  wine reg delete 'HKLM\SOFTWARE\Morvane' /f >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX/drive_c/Program Files/Common Files/Morvane"
}
