#!/usr/bin/env bash
# The program's keys on a desktop without a window manager, as a person presses them: the action
# menu a right click opened takes Down and Return (a folder is added) and Escape (the menu goes,
# the program stays); a question box takes Escape as No (the folder stays), Tab moves its focus,
# and no key pressed meanwhile reaches the main window; Escape with nothing open ends the program
# cleanly with the tree stored.
# Usage: desktop_keys.sh BIN-DIR. Status 77 (skipped) without Xvfb, xwininfo, xwd or xdotool.
set -u

bin=$1
here=$(cd "$(dirname "$0")" && pwd)
more_tools="xdotool"
. "$here/desktop_program.sh"

# The box's title begins with its caption.
box_shown() { xwininfo -root -tree | grep -qF ' "Question'; }
box_gone() { ! box_shown; }

# The question box's picture, taken again until two in a row agree (it is painted).
settled_box() {
  local box last=
  box=$(find_x_window ' "Question') || return 1
  for _ in $(seq 50); do
    xwd -id "$box" -silent >"$work/box.xwd" 2>/dev/null
    [ -n "$last" ] && cmp -s "$work/box.xwd" "$last" && return 0
    cp "$work/box.xwd" "$work/box-last.xwd"
    last="$work/box-last.xwd"
    sleep 0.1
  done
  return 1
}
box_changed() {
  xwd -id "$(find_x_window ' "Question')" -silent >"$work/box-now.xwd" 2>/dev/null
  ! cmp -s "$work/box-now.xwd" "$work/box-before.xwd"
}

# Asks to delete the selected folder through its menu, by keys: End is its last item.
ask_delete() {
  menu_at 130 56
  xdotool key End Return
  wait_for box_shown || fail "no question box"
  settled_box || fail "the question box was never painted"
}

start_program

# Down twice is "Add a folder"; keypad Enter clicks it.
menu_at 90 22
xdotool key Down Down KP_Enter
wait_for titled "New Folder" || fail "keypad Enter in the action menu added no folder"
wait_for menu_gone || fail "the action menu stayed after its command"

# Escape closes the menu and leaves the program.
menu_at 130 56
xdotool key Escape
wait_for menu_gone || fail "Escape did not close the action menu"
alive || fail "Escape in the action menu ended the program"

# The question box answers Escape with No; its Escape never reaches the main window, which a
# click on the page and a menu opened after it show.
ask_delete
xdotool key Escape
wait_for box_gone || fail "Escape did not answer the question box"
titled "New Folder" || fail "the folder went although the box was answered No"
xdotool mousemove --window "$win" 700 400 click 1
menu_at 130 56
xdotool key Escape
wait_for menu_gone || fail "Escape did not close the action menu after the box"
titled "New Folder" || fail "the folder went after the box"

# Tab moves the box's focus to its other button, which Return then presses: No.
ask_delete
cp "$work/box.xwd" "$work/box-before.xwd"
xdotool key Tab
wait_for box_changed || fail "Tab showed no focus change in the question box"
xdotool key Return
wait_for box_gone || fail "Return did not answer the question box"
titled "New Folder" || fail "Return on the focused No deleted the folder"

# With nothing open, Escape is the main window's cancel: the program ends and keeps the tree.
xdotool mousemove --window "$win" 700 400 click 1
xdotool key Escape
wait_status "$app_pid" 30; status=$?
[ $status -eq 124 ] && fail "Escape with nothing open did not end the program"
app_pid=
[ $status -eq 0 ] || fail "the program ended with status $status"
grep -q "Sanitizer\|X Error" "$work/program.log" && fail "sanitizer report or X error"
grep -rqas "New Folder" "$VANTREL_HOME/config" || fail "the tree was not stored"
echo "program desktop keys test passed"
