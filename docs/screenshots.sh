#!/usr/bin/env bash
# Makes the README's pictures from the real program, driven as a person drives it: on an Xvfb
# display and in a fresh home, an RGB assembly project is made of three greyscale pictures (one
# disc each) seen through the simple red, green and blue filters, after a light filter got a curve
# of nine double clicks; the main window is photographed showing the curve editor and then the
# project's result. Closing the window from the window manager must end the program with status 0.
# Usage: docs/screenshots.sh BIN-DIR [OUT-DIR, default: the folder of this script]
# Status 77 (skipped) without Xvfb, xwininfo, xwd, xdotool or ImageMagick's convert.
set -u

bin=$(cd "${1:?folder with PicFlorvane, vntregsvr and Vt05pcST.so}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
out=$(mkdir -p "${2:-$here}" && cd "${2:-$here}" && pwd)
more_tools="xdotool convert"
. "$here/../Platform/tests/desktop_session.sh"
export VANTREL_HOME="$work/home"
mkdir -p "$VANTREL_HOME"
"$bin/vntregsvr" "$bin/Vt05pcST.so" >"$work/register.log" 2>&1 || fail "the picture plug-in was not registered"

# Three sources: the red, green and blue of three overlapping discs, each a greyscale JPEG.
disc() {
  convert -size 480x320 xc:black -fill white -draw "circle $1" -colorspace Gray -quality 92 "$work/$2.jpg" ||
    fail "convert could not make $2.jpg"
}
disc "190,130 190,30" red
disc "290,130 290,30" green
disc "240,210 240,110" blue

"$bin/PicFlorvane" >"$work/program.log" 2>&1 &
app_pid=$!
win=$(find_x_window '"Projects - PicFlorvane..."' || find_x_window '"Projects - PicFlorvane..."') || fail "no main window within 20 s"
xdotool windowsize "$win" 1000 700
xdotool windowmove "$win" 0 0

alive() { kill -0 "$app_pid" 2>/dev/null || fail "the program ended"; }
title() { xdotool getwindowname "$win" 2>/dev/null; }
# Waits (10 s at most) until the main window's title is $1: the shown node's text and the program's.
wait_title() {
  for _ in $(seq 100); do
    [ "$(title)" = "$1 - PicFlorvane..." ] && return 0
    sleep 0.1
  done
  fail "the window's title is \"$(title)\", not \"$1 - PicFlorvane...\""
}
# Waits (10 s at most) until a window titled $1 is on the screen, or with "gone", until it is not.
wait_window() {
  local seen
  for _ in $(seq 100); do
    seen=no
    xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 && seen=yes
    [ "$seen" = "$([ "${2:-}" = gone ] && echo no || echo yes)" ] && return 0
    sleep 0.1
  done
  fail "the window \"$1\" did not ${2:-appear}"
}
# Coordinates are the window's own: it stands at the screen's top left corner, 1000 x 700.
click() { alive; xdotool mousemove --sync "$1" "$2"; sleep 0.2; xdotool click 1; sleep 0.5; }
double_click() { alive; xdotool mousemove --sync "$1" "$2" click --repeat 2 --delay 60 1; sleep 0.3; }
key() { xdotool key "$1"; sleep 0.1; }
screen() { xwd -root -silent | md5sum; }
# Opens the shown node's action menu from the page's Actions button and clicks the row whose icon
# has the colour $1 (RRGGBB), once the menu shows and has stayed put for a second: its icons arrive
# after it shows, so a row's place is read from the screen once they are there.
menu() {
  local before now last="" same=0 y
  before=$(screen)
  click 670 14
  for _ in $(seq 60); do
    now=$(screen)
    if [ "$now" != "$before" ] && [ "$now" = "$last" ]; then
      same=$((same + 1)); [ $same -ge 4 ] && break
    else
      same=0
    fi
    last=$now
    sleep 0.25
  done
  # The icons stand in the column at x 384, from the menu's top at y 25.
  y=$(xwd -root -silent | convert xwd:- -crop 1x200+384+25 txt:- |
    awk -v c="#$1" 'toupper($3) == c { split($1, p, "[,:]"); print p[2] + 25 + 4; exit }')
  [ -n "$y" ] || fail "no menu row with an icon of colour $1"
  click 450 "$y"
}
# Takes entry $3 (0-based) of the combo box at $1,$2: its list opened by the mouse, then the keys.
choose() {
  click "$1" "$2"; key Home
  for _ in $(seq "$3"); do key Down; done
  key Return
}
# Photographs the window as $1.png: with the mouse off it (no tool tip), or resting at $2,$3 with
# the tool tip of what is there.
shoot() {
  if [ $# -eq 3 ]; then xdotool mousemove --sync 700 620; sleep 0.3; xdotool mousemove --sync "$2" "$3"; sleep 1.5
  else xdotool mousemove 1015 760; sleep 1; fi
  xwd -id "$win" -silent | convert xwd:- -strip -colors 256 "PNG8:$out/$1.png" || fail "no picture $1"
}

# A light filter first, while no progress strip takes room from the page: its curve, a green
# band-pass, is placed by double clicks in the plot box (x 381-968 for 400-750 nm, y 482-315 for
# 0-100 %).
click 95 22
wait_title Projects
menu 8040C0                                        # Add a filter (a purple funnel)
wait_title "New RGB filter"
for point in "400 2" "450 5" "490 45" "520 82" "550 88" "580 70" "620 25" "660 6" "750 3"; do
  set -- $point
  double_click $((381 + 587 * ($1 - 400) / 350)) $((482 - 167 * $2 / 100))
done
shoot curve-editor $((381 + 587 * 150 / 350)) $((482 - 167 * 88 / 100))   # over the peak: its values and its tip

click 95 22
wait_title Projects
menu 2040E0                                        # Add an RGB assembly project (a blue disc)
wait_title "New assembly project"
for f in red green blue; do
  click 145 90                                     # the project, under the filter
  wait_title "New assembly project"
  menu 2E8B56                                      # Add image(s) (a green hill)
  wait_window "Choose images to load..."
  click 495 450                                    # File name
  xdotool type --delay 10 "$work/$f.jpg"; key Return
  wait_window "Choose images to load..." gone
  wait_title "$f"
done
# Each image seen through its simple filter (the combo's entries: gray, red, green, blue, ...),
# then the project's red, green and blue channels.
row=124
for entry in 1 2 3; do
  click 135 $row; row=$((row + 34))
  choose 765 76 "$entry"
done
click 145 90
wait_title "New assembly project"
choose 555 76 1; choose 712 76 2; choose 870 76 3
# The result is on the page once the red and green discs meet in yellow.
result=no
for _ in $(seq 100); do
  xwd -id "$win" -silent >"$work/page.xwd" 2>/dev/null
  "$bin/plat_helper_xwd_find" "$work/page.xwd" ffff00 10 && { result=yes; break; }
  sleep 0.1
done
[ $result = yes ] || fail "the project's result did not appear"
shoot main-window

"$bin/plat_helper_x11_close" "$win" || fail "x11_close"
for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "the program did not end within 10 s of its close"
wait "$app_pid"; status=$?
app_pid=
[ $status -eq 0 ] || fail "closing ended with status $status"
grep -q "Sanitizer" "$work/program.log" && fail "sanitizer report"
echo "pictures written: $out/main-window.png $out/curve-editor.png"
