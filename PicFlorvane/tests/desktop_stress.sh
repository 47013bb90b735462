#!/usr/bin/env bash
# The program under a person's fast mouse: on an Xvfb display it makes a project of two JPEG
# sources through the Actions menu and the file dialog, then for 300 rounds selects each source in
# turn and opens and closes the Actions popup meanwhile, 0.04 s after each click (the pictures load
# on worker threads while the page's combo boxes, the popup menu and the tool tips come and go).
# The program must still run at the end and end with status 0 when its window is closed.
# Usage: desktop_stress.sh BIN-DIR [ROUNDS]. Status 77 (skipped) without Xvfb, xwininfo, xwd,
# xdotool or ImageMagick's convert.
set -u

bin=$1
rounds=${2:-300}
here=$(cd "$(dirname "$0")" && pwd)
more_tools="xdotool convert"
. "$here/../../Platform/tests/desktop_session.sh"
export VANTREL_HOME="$work/home"
mkdir -p "$VANTREL_HOME"

convert -size 900x1200 gradient:white-black -quality 90 "$work/one.jpg" || fail "no first source"
convert -size 900x1200 gradient:black-white -quality 90 "$work/two.jpg" || fail "no second source"
"$bin/vntregsvr" "$bin/Vt05pcST.so" >"$work/register.log" 2>&1 || fail "the picture plug-in was not registered"

resized() { xwininfo -id "$win" | grep -q "Width: 1000"; }
# The main window's title names the selected node.
titled() { xwininfo -root -tree | grep -qF "\"$1 - PicFlorvane...\""; }
# A window of the program besides the main one is on the screen (the popup menu).
popup_shown() { [ "$(xdotool search --onlyvisible --class PicFlorvane 2>/dev/null | wc -l)" -ge 2 ]; }
dialog_shown() { xwininfo -root -tree | grep -qF '"Choose images to load..."'; }
dialog_gone() { ! dialog_shown; }

# Clicks at a point of the main window (a popup over it takes the click).
click() { xdotool mousemove --window "$win" "$1" "$2" click 1; }

# The Actions popup's item at x (the caller waits for what it does).
choose_action() {
  click 670 14
  wait_for popup_shown || fail "the Actions popup did not open"
  click "$1" 38
}

"$bin/PicFlorvane" >"$work/program.log" 2>&1 &
app_pid=$!
win=$(find_x_window '"Projects - PicFlorvane..."') || fail "no main window within 10 s"
xdotool windowsize "$win" 1000 700
wait_for resized || fail "the main window was not resized"

click 90 22
choose_action 470 # Add an RGB assembly project
wait_for titled "New assembly project" || fail "no project was made"
for source in one two; do
  click 130 56 # the project
  wait_for titled "New assembly project" || fail "the project was not selected"
  choose_action 430 # Add image(s)
  wait_for dialog_shown || fail "the file dialog did not open for $source"
  click 495 450 # its file name
  xdotool type --delay 10 "$work/$source.jpg"
  xdotool key Return
  wait_for dialog_gone || fail "the file dialog did not take $source.jpg"
  wait_for titled "$source" || fail "the source $source was not added"
done

# A person's pace: 0.04 s after a click, 0.02 s after the click that closes the popup.
at() { echo mousemove --window "$win" "$1" "$2" mousedown 1 mouseup 1 sleep "$3"; }
round=$(echo $(at 130 91 0.04) $(at 670 14 0.04) $(at 700 400 0.02) $(at 130 125 0.04) $(at 670 14 0.04) $(at 700 400 0.02))
for r in $(seq "$rounds"); do
  xdotool $round
  alive || fail "the program ended in round $r of $rounds"
done

wait_for titled two || fail "the last round's selection did not arrive"

"$bin/plat_helper_x11_close" "$win" || fail "x11_close"
wait_status "$app_pid" 30; status=$?
[ $status -eq 124 ] && fail "the program did not end within 30 s of its close"
app_pid=
[ $status -eq 0 ] || fail "closing after $rounds rounds ended with status $status"
grep -q "Sanitizer\|X Error" "$work/program.log" && fail "sanitizer report or X error"
echo "program desktop stress test passed: $rounds rounds"
