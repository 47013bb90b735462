#!/usr/bin/env bash
# One assembly of three greyscale 6000 x 4000 JPEG files into an RGB JPEG, by our program and by
# its peers on the same files: wall time, peak memory, the ratios side by side and the goals they
# are held to. A peer that is not installed is skipped with a line saying so. The program's home
# is made once beside the sources, as an installation leaves it, so that no run registers the
# plug-in again.
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

# a / b with two decimals, and whether it is at most the goal.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
verdict() { awk -v r="$1" -v g="$2" 'BEGIN { print (r <= g ? "met" : "MISSED") }'; }

read -r idle_wall idle_kb < <(measure "$ours" --idle "$work")
read -r our_wall our_kb < <(measure "$ours" --assemble "$work" "$work/ours.jpg")
# Three 8-bit sources and the 24-bit result.
bitmaps_kb=$(( (3 * 6000 * 4000 + 6000 * 4000 * 3) / 1024 ))
added_kb=$(( our_kb - idle_kb ))
memory=$(ratio "$added_kb" "$bitmaps_kb")
printf '%-12s %8s s %10s KiB peak (%s KiB added over an idle start of %s s; bitmaps %s KiB)\n' \
  ours "$our_wall" "$our_kb" "$added_kb" "$idle_wall" "$bitmaps_kb"
printf '%-12s memory added / bitmaps held = %s (goal: at most 1.2, %s)\n' ours "$memory" "$(verdict "$memory" 1.2)"

peer() {
  local name=$1 tool=$2 goal=$3
  shift 3
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "$name: not installed, skipped"
    return
  fi
  local wall kb r
  read -r wall kb < <(measure "$@") || { echo "$name: failed"; return; }
  r=$(ratio "$our_wall" "$wall")
  printf '%-12s %8s s %10s KiB peak; ours / %s wall time = %s' "$name" "$wall" "$kb" "$name" "$r"
  if [[ $goal == - ]]; then echo; else echo " (goal: at most $goal, $(verdict "$r" "$goal"))"; fi
}

# The goals: 1.2 x libvips and 0.15 x ImageMagick; when the run is restricted to two cores
# (taskset -c 0,1 assembly_peers.sh ...), where the rows have fewer threads to share, 1.5 x
# libvips alone.
cores=$(nproc)
vips_goal=1.2
magick_goal=0.15
if (( cores <= 2 )); then vips_goal=1.5 magick_goal=-; fi
echo "on $cores cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
peer libvips vips "$vips_goal" vips bandjoin "r.jpg g.jpg b.jpg" "vips.jpg[Q=75]"
peer ImageMagick convert "$magick_goal" convert r.jpg g.jpg b.jpg -combine -quality 75 magick.jpg
