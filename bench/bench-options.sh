# Sourced by the removal benchmarks before anything else: reads "--runs N"
# and "--disk" into runs (the caller sets its default first) and on_disk;
# anything else prints the caller's usage line and ends it.
on_disk=0
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    --disk) on_disk=1; shift ;;
    *) sed -n '/^#   bench/p' "$0" >&2; exit 1 ;;
  esac
done
