#!/bin/sh
# The README's main job without a display (scripts/main-job BUILD --batch): a listing, a DXF and
# an IGES file of every example job in the output folder, nothing else there, exit code 0.
set -eu
root=$1
build=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
QOR_OUTPUT_DIR="$out" "$root/scripts/main-job" "$build" --batch
for job in helical internal spur; do
  for file in "${job}_sheet.txt" "$job.dxf" "$job.igs"; do
    [ -s "$out/$file" ] || { echo "missing: $file" >&2; exit 1; }
  done
done
[ "$(ls -A "$out" | wc -l)" -eq 9 ] || { echo "more than the nine files:" >&2; ls -A "$out" >&2; exit 1; }
