#!/usr/bin/env bash
# One assembly of three greyscale 6000 x 4000 JPEG files into an RGB JPEG, by our program and by
# its peers on the same files: wall time, peak memory and the ratios side by side. A peer that is
# not installed is skipped with a line saying so.
#   assembly_peers.sh <folder of the benchmark programs>
set -euo pipefail

bin=$(cd "${1:?usage: assembly_peers.sh <folder of the benchmark programs>}" && pwd)
ours="$bin/bench_assembly"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$ours" --sources "$work"
cd "$work"

# Wall seconds and peak resident kilobytes of one run.
measure() {
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>"$work/err" || {
    cat "$work/err" >&2
    return 1
  }
  cat "$work/time"
}

read -r idle_wall idle_kb < <(measure "$ours" --idle)
read -r our_wall our_kb < <(measure "$ours" --assemble "$work" "$work/ours.jpg")
# Three 8-bit sources and the 24-bit result.
bitmaps_kb=$(( (3 * 6000 * 4000 + 6000 * 4000 * 3) / 1024 ))
added_kb=$(( our_kb - idle_kb ))
printf '%-12s %8s s %10s KiB peak (%s KiB added; bound 1.2 x %s KiB bitmaps = %s KiB, ratio %s)\n' \
  ours "$our_wall" "$our_kb" "$added_kb" "$bitmaps_kb" $(( bitmaps_kb * 12 / 10 )) \
  "$(awk -v a="$added_kb" -v b="$bitmaps_kb" 'BEGIN { printf "%.2f", a / b }')"

peer() {
  local name=$1 tool=$2 goal=$3
  shift 3
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "$name: not installed, skipped"
    return
  fi
  local wall kb
  read -r wall kb < <(measure "$@") || { echo "$name: failed"; return; }
  printf '%-12s %8s s %10s KiB peak; ours / %s wall time = %s (%s)\n' "$name" "$wall" "$kb" "$name" \
    "$(awk -v a="$our_wall" -v b="$wall" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }')" "$goal"
}

peer libvips vips "goal: at most 1.5" vips bandjoin "r.jpg g.jpg b.jpg" "vips.jpg[Q=75]"
peer ImageMagick convert "goal: at most 0.2" convert r.jpg g.jpg b.jpg -combine -quality 75 magick.jpg
