#!/usr/bin/env bash
# The build that ./build.sh run makes holds the program, its libraries, the JPEG module and the
# registration tool, and no test, benchmark or fuzz program: configured as that command does, its
# targets are listed and checked.
set -euo pipefail
top=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$top"
cmake --preset run -B "$dir" >"$dir/configure.log" 2>&1 || { cat "$dir/configure.log"; exit 1; }
programs=$(ninja -C "$dir" -t targets all | sed -n 's|^bin/\([^:]*\):.*|\1|p' | sort)
status=0
for wanted in PicFlorvane vntregsvr Vt05pcST.so libVntPlatform.so libVnt05bas.so libVnt05pic.so libVnt05sui.so; do
  grep -qx "$wanted" <<<"$programs" || { echo "missing from the run build: $wanted"; status=1; }
done
unwanted=$(grep -E '^(fuzz_|bench_)|Tests$|_helper_|_testmod_' <<<"$programs" || true)
if [ -n "$unwanted" ]; then
  echo "the run build would build:"
  echo "$unwanted"
  status=1
fi
exit $status
