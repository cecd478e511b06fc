#!/bin/sh
# The Qt-free layers stay free of Qt: they include nothing of the GUI layer (platform/gui, data/qt,
# office) nor of the user-interface parts above them, the data-access layer outside data/qt
# includes no Qt header, and the batch calculator loads no Qt library.
# Usage: check_layers.sh SOURCE_DIR GEARCALC CFGWRITE
root="$1"
status=0
hits=$(grep -rnE '#\s*include\s*"(platform/(gui|office|data/qt)|framework/ui|dbf/ui|cad/|drawings/)' \
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
