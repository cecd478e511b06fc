#!/bin/sh
# The layers keep their order: the Qt-free layers include nothing of the GUI layer (platform/gui,
# data/qt, office) nor of the user-interface parts above them, the data-access layer outside
# data/qt includes no Qt header, every folder of the table engine includes only the folders it
# builds on (docs/dbf-engine.md, docs/layers.md), and the batch calculator loads no Qt library.
# Usage: check_layers.sh SOURCE_DIR GEARCALC CFGWRITE
root="$1"
status=0
hits=$(grep -rnE '#\s*include\s*"(platform/(gui|office|data/qt)|framework/ui|dbf/(ui|browse)|cad/|drawings/)' \
  "$root/framework/core" "$root/calc" "$root/dbf/base" "$root/dbf/table" "$root/dbf/expr" \
  "$root/dbf/index" "$root/dbf/memo" "$root/dbf/vfile" "$root/dbf/dataset" "$root/shell/job" \
  "$root/tools/gearcalc.cpp" "$root/tools/cfgwrite.cpp" 2>/dev/null)
hits="$hits$(grep -rnE --exclude-dir=qt '#\s*include\s*("platform/(gui|office)|[<"](Q[A-Za-z]+|Qt[A-Za-z]*/))' \
  "$root/platform/data" 2>/dev/null)"
if [ -n "$hits" ]; then
  echo "user-interface headers in a Qt-free layer:"
  echo "$hits"
  status=1
fi

# The engine's folders, each with what it may include ("folder/" prefixes of project headers).
engine="dbf/base"
check_folder() {
  folder="$1"
  allowed="$2"
  bad=$(grep -rnoE '#\s*include\s*"[^"]+/[^"]+"' "$root/$folder" 2>/dev/null |
    sed -E 's/^([^:]*:[0-9]+):#\s*include\s*"([^"]*)"/\1 \2/' |
    while read -r where header; do
      ok=0
      for prefix in $allowed; do
        case "$header" in "$prefix"/*) ok=1 ;; esac
      done
      [ $ok -eq 0 ] && echo "$where includes $header"
    done)
  if [ -n "$bad" ]; then
    echo "$folder reaches past its layer (it may include: $allowed):"
    echo "$bad"
    status=1
  fi
}
check_folder dbf/base "dbf/base platform/os"
for layer in table expr index memo vfile; do
  engine="$engine dbf/$layer"
  check_folder "dbf/$layer" "$engine platform/os"
done
check_folder dbf/dataset "$engine dbf/dataset platform/os platform/data framework/core"
check_folder dbf/ui "$engine dbf/ui platform/os platform/gui"
check_folder dbf/browse \
  "$engine dbf/dataset dbf/browse platform/os platform/data platform/gui framework/core framework/ui"

for prog in "$2" "$3"; do
  libs=$(ldd "$prog" | grep -i 'libQt')
  if [ -n "$libs" ]; then
    echo "$prog loads Qt:"
    echo "$libs"
    status=1
  fi
done
[ $status -eq 0 ] && echo "Qt-free layers hold"
exit $status
