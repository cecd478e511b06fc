#!/bin/sh
# Fails when a library outside platform/ includes a Qt header.
root="$1"
hits=$(grep -rnE '#\s*include\s*[<"](Q[A-Za-z]+|Qt[A-Za-z]*/)' \
  "$root/framework" "$root/calc" "$root/cad" "$root/drawings" "$root/dbf" "$root/shell" "$root/app" 2>/dev/null)
if [ -n "$hits" ]; then
  echo "Qt headers outside platform/:"
  echo "$hits"
  exit 1
fi
echo "no Qt headers outside platform/"
