#!/bin/sh
# The Qt-free layers stay free of Qt: they include nothing of the GUI layer (platform/gui, data,
# office) nor of the user-interface parts above them, and the batch calculator loads no Qt
# library. Usage: check_layers.sh SOURCE_DIR GEARCALC CFGWRITE
root="$1"
status=0
hits=$(grep -rnE '#\s*include\s*"(platform/(gui|data|office)|framework/ui|dbf/ui|cad/|drawings/)' \
  "$root/framework/core" "$root/calc" "$root/dbf/base" "$root/dbf/table" "$root/dbf/expr" \
  "$root/dbf/index" "$root/dbf/memo" "$root/shell/job" "$root/tools/gearcalc.cpp" \
  "$root/tools/cfgwrite.cpp" 2>/dev/null)
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
