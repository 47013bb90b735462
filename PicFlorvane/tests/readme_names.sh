#!/usr/bin/env bash
# The README teaches the program by the names it shows: every menu entry, button and list entry
# that the README's "Using PicFlorvane" section sets in bold must still stand, quoted, in the
# program's mark-up or resources, so that a renamed entry cannot leave the README behind.
# Usage: readme_names.sh SOURCE-DIR
set -u
top=${1:?source folder}
readme="$top/README.md"

names=$(sed -n '/^## Using PicFlorvane/,/^## /p' "$readme" | grep -o '\*\*[^*]*\*\*' | sed 's/^\*\*//; s/\*\*$//' | sort -u)
[ -n "$names" ] || { echo "FAILED: no names in bold in the README's \"Using PicFlorvane\" section"; exit 1; }

missing=0
while IFS= read -r name; do
  # As a whole quoted text ('Add a folder', "Save"), or as the start of one ('Copy project ...').
  if ! grep -rqF -e "'$name'" -e "\"$name\"" -e "'$name " -e "\"$name " "$top/PicFlorvane/src" "$top/PicFlorvane/res"; then
    echo "FAILED: the README names \"$name\", which the program no longer shows"
    missing=1
  fi
done <<<"$names"
[ $missing -eq 0 ] && echo "$(wc -l <<<"$names") names of the README found in the program"
exit $missing
