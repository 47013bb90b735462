#!/usr/bin/env bash
# The program's keys on a desktop without a window manager, as a person presses them: the action
# menu a right click opened takes Down and Return (a folder is added) and Escape (the menu goes,
# the program stays); a question box takes Escape as No (the folder stays), Tab moves its focus,
# and no key pressed meanwhile reaches the main window; Escape with nothing open ends the program
# cleanly with the tree stored. A drop-down list read on a page stays open while a row of the
# progress strip goes and the page is laid out again, and its Escape closes only the list; this
# case runs again under openbox when it is installed.
# Usage: desktop_keys.sh BIN-DIR. Status 77 (skipped) without Xvfb, xwininfo, xwd, xdotool or
# ImageMagick's convert.
set -u

bin=$1
here=$(cd "$(dirname "$0")" && pwd)
more_tools="xdotool convert"
. "$here/desktop_program.sh"

# The box's title begins with its caption.
box_shown() { xwininfo -root -tree | grep -qF ' "Question'; }
box_gone() { ! box_shown; }

# The picture of the window $1 into the file $2, taken again until two in a row agree (it is
# painted).
settled_picture() {
  local last=
  for _ in $(seq 50); do
    xwd -id "$1" -silent >"$2" 2>/dev/null
    [ -n "$last" ] && cmp -s "$2" "$last" && return 0
    cp "$2" "$work/settled-last.xwd"
    last="$work/settled-last.xwd"
    sleep 0.1
  done
  return 1
}
settled_box() {
  local box
  box=$(find_x_window ' "Question') || return 1
  settled_picture "$box" "$work/box.xwd"
}
box_changed() {
  xwd -id "$(find_x_window ' "Question')" -silent >"$work/box-now.xwd" 2>/dev/null
  ! cmp -s "$work/box-now.xwd" "$work/box-before.xwd"
}

# Escape with nothing open is the main window's cancel: the program ends cleanly. $1 says what
# Escape the failure is about.
escape_ends_program() {
  xdotool key Escape
  wait_status "$app_pid" 30; status=$?
  [ $status -eq 124 ] && fail "$1 did not end the program"
  app_pid=
  [ $status -eq 0 ] || fail "the program ended with status $status after $1"
  grep -q "Sanitizer\|X Error" "$work/program.log" && fail "sanitizer report or X error after $1"
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
escape_ends_program "Escape with nothing open"
grep -rqas "New Folder" "$VANTREL_HOME/config" || fail "the tree was not stored"

# A list opened while the strip shows an image's "Loaded and ready." row, on its green, which goes
# by itself 20 s later: the page takes the room back, and the list stays on the screen as it was.
# Escape closes the list and leaves the program; a second Escape ends it.
dialog_shown() { xwininfo -root -tree | grep -qF '"Choose images to load..."'; }
# The program's window under the filter-type field, at the page's left and the field's bottom.
list_window() {
  local id x y at
  at=$(origin)
  for id in $(xdotool search --onlyvisible --class PicFlorvane 2>/dev/null); do
    [ "$id" -eq "$((win))" ] && continue
    x=$(xwininfo -id "$id" 2>/dev/null | awk '/Absolute upper-left X/ {print $4}')
    y=$(xwininfo -id "$id" 2>/dev/null | awk '/Absolute upper-left Y/ {print $4}')
    [ -n "$x" ] && [ -n "$y" ] || continue
    x=$((x - ${at% *})) y=$((y - ${at#* }))
    [ "$x" -ge 350 ] && [ "$x" -le 360 ] && [ "$y" -ge 80 ] && [ "$y" -le 100 ] && { echo "$id"; return 0; }
  done
  return 1
}
framed() { ! xwininfo -id "$win" -children | grep -q "Parent window id: .*(the root window)"; }
green_row() {
  xwd -id "$win" -silent >"$work/main.xwd" 2>/dev/null
  "$bin/plat_helper_xwd_find" "$work/main.xwd" 00FF00 5
}
list_outlives_row() {
  export VANTREL_HOME="$work/home-$2"
  mkdir -p "$VANTREL_HOME"
  "$bin/vntregsvr" "$bin/Vt05pcST.so" >"$work/register.log" 2>&1 || fail "$1: the picture plug-in was not registered"
  start_program
  [ "$2" = openbox ] && { wait_for framed || fail "$1: openbox did not take the window"; }
  menu_at 90 22
  xdotool key Down KP_Enter
  wait_for titled "New assembly project" || fail "$1: no project was added"
  menu_at 130 56
  xdotool key Down KP_Enter
  wait_for dialog_shown || fail "$1: no open dialog"
  xdotool type "$work/pic.jpg"
  xdotool key Return
  wait_for titled "pic" || fail "$1: no image was added"
  wait_for green_row || fail "$1: no row of the image's load"
  # The pointer leaves for the tree, so that no tool tip comes over the list.
  xdotool mousemove --window "$win" 380 75 click 1 mousemove --window "$win" 130 300
  wait_for eval 'list=$(list_window)' || fail "$1: a click on the filter type opened no list"
  settled_picture "$list" "$work/list-before.xwd" || fail "$1: the list was never painted"
  green_row || fail "$1: the image's row went before the list was read"
  for _ in $(seq 300); do
    green_row || break
    alive || fail "$1: the program ended while the row stood"
    sleep 0.1
  done
  green_row && fail "$1: the image's row stayed more than 30 s"
  [ "$(list_window)" = "$list" ] || fail "$1: the list went when the strip's row did"
  settled_picture "$list" "$work/list-after.xwd" || fail "$1: the list was never painted again"
  cmp -s "$work/list-before.xwd" "$work/list-after.xwd" || fail "$1: the list changed when the strip's row went"
  xdotool key Escape
  wait_for eval '! list_window >/dev/null' || fail "$1: Escape did not close the list"
  alive || fail "$1: Escape in the list ended the program"
  escape_ends_program "$1: the second Escape"
}
convert -size 40x30 xc:'#FF00FF' "$work/pic.jpg"
list_outlives_row "without a window manager" bare
if command -v openbox >/dev/null 2>&1; then
  openbox >"$work/openbox.log" 2>&1 &
  wm_pid=$!
  list_outlives_row "under openbox" openbox
  kill "$wm_pid"
  wait "$wm_pid" 2>/dev/null
fi
echo "program desktop keys test passed"
