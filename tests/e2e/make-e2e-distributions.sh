#!/usr/bin/env bash
# The distributions the end-to-end scenarios start the installer from:
#   full             the sample distribution
#   no-fifth-folder  the same without its fifth content folder, 填充图案
#   large            many more files, so that a cancel lands during the copy
#   make-e2e-distributions.sh <folder> <Setup.exe> <KelvraSample.ocx> <icon> <Uninstall-64.exe>
set -eu
out=$1
tools=$(cd "$(dirname "$0")/../../tools" && pwd)
common=(--setup "$2" --control "$3" --icon "$4" --uninstall "$5")
# Without the real per-user program the layout would ship a placeholder, and
# the deployment scenarios would fail far from the cause.
if [ ! -f "$(dirname "$2")/KelvraUserSetup.exe" ]; then
  echo "make-e2e-distributions: no KelvraUserSetup.exe beside $2: build the UserSetup target" >&2
  exit 1
fi
mkdir -p "$out"
"$tools/make-distribution.sh" "$out/full" "${common[@]}" --no-pictures
rm -rf "$out/no-fifth-folder"
cp -a "$out/full" "$out/no-fifth-folder"
rm -rf "$out/no-fifth-folder/填充图案"
"$tools/make-distribution.sh" "$out/large" "${common[@]}" --no-pictures --files 40 --depth 2
