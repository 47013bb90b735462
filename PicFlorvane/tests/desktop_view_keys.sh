#!/usr/bin/env bash
# The image view and the system menu take the keys on a desktop without a window manager, as a
# person presses them: "View image in new window" opens the view, which says why it has no
# picture, and whose Escape closes it and leaves the program; the same menu opened again shows
# that entry highlighted, for Enter alone; Alt+Space opens the main window's
# system menu, which is still up half a second later and goes on Escape.
# A project whose assembly fails, with a result file of before, says so in its view too; so does
# an image whose picture is still loading, held part-way by the test plug-in.
# Usage: desktop_view_keys.sh BIN-DIR. Status 77 (skipped) without Xvfb, xwininfo, xwd, xdotool or
# sqlite3.
set -u

bin=$1
here=$(cd "$(dirname "$0")" && pwd)
more_tools="xdotool sqlite3"
. "$here/desktop_program.sh"
printf 'not a picture' >"$work/pic.jpg"
# The test plug-in's files hold their load at two fifths until the gate file exists.
"$bin/vntregsvr" "$bin/pic_hold_plugin.so" >"$work/register.log" 2>&1 || fail "the test plug-in was not registered"
export PIC_HOLD_GATE="$work/gate"
# "HOLD", the file's length (163840) in four little-endian bytes, and the rest.
{ printf 'HOLD\x00\x80\x02\x00'; head -c $((163840 - 8)) /dev/zero | tr '\0' h; } >"$work/held.hold"

view_shown() { xwininfo -root -tree | grep -qF "\"image 'pic'\""; }
view_gone() { ! view_shown; }
dialog_shown() { xwininfo -root -tree | grep -qF '"Choose images to load..."'; }

start_program

# A project (the first item of the root's menu), then an image of it from the open dialog.
menu_at 90 22
xdotool key Down KP_Enter
wait_for titled "New assembly project" || fail "no project was added"
menu_at 130 56
xdotool key Down KP_Enter
wait_for dialog_shown || fail "no open dialog"
xdotool type "$work/pic.jpg"
xdotool key Return
wait_for titled "pic" || fail "no image was added"

# "View image in new window", the image's first item: the view says on the screen why it has no
# picture, in black on its grey; Escape closes the view and only the view.
menu_at 130 90
menu=$(menu_window) || fail "no action menu window"
xwd -id "$menu" -silent >"$work/shot.xwd" 2>/dev/null
"$bin/plat_helper_xwd_find" "$work/shot.xwd" 000080 1 && fail "an entry was highlighted under the still pointer"
xdotool key Down KP_Enter
wait_for view_shown || fail "no image view"
wait_for menu_gone || fail "the action menu stayed after its command"
view=$(find_x_window "\"image 'pic'\"") || fail "no image view window"
wait_colour "$view" 000000 100 || fail "the image view shows no words"
xdotool key Escape
wait_for view_gone || fail "Escape did not close the image view"
alive || fail "Escape in the image view ended the program"
titled "pic" || fail "the main window changed under the view's Escape"

# The same menu again, the pointer not moved: it shows the entry chosen last highlighted, so that
# KP_Enter alone opens the view again.
xdotool click 3
wait_for menu_shown || fail "no action menu for the second right-click"
menu=$(menu_window) || fail "no action menu window"
wait_colour "$menu" 000080 100 || fail "the menu did not highlight the entry chosen last"
xdotool key KP_Enter
wait_for view_shown || fail "KP_Enter did not open the image view again"
wait_for menu_gone || fail "the action menu stayed after its command"
xdotool key Escape
wait_for view_gone || fail "Escape did not close the second image view"

# Alt+Space with the mouse on the tree: the system menu opens at the client area's top left and
# stays; Escape closes it.
at=$(origin)
menu_x=${at% *} menu_y=${at#* }
xdotool mousemove --window "$win" 130 300
xdotool key alt+space
wait_for menu_shown || fail "Alt+Space showed no system menu"
sleep 0.5
menu_shown || fail "the system menu went by itself"
xdotool key Escape
wait_for menu_gone || fail "Escape did not close the system menu"
alive || fail "Escape in the system menu ended the program"

end_program

# The project is given a result file of before, as its Save button leaves it: its menu has a view
# then. Its image still cannot be read, so the assembly its page starts fails.
printf 'saved before' >"$work/saved.jpg"
# The registry keeps a text as its bytes and a terminating zero.
reg_text() { printf "x'%s'" "$(printf '%s\0' "$1" | od -An -tx1 | tr -d ' \n')"; }
sqlite3 "$VANTREL_HOME/config/registry-user.db" "UPDATE vals SET data = $(reg_text "$work/saved.jpg") WHERE name = 'Path'
  AND key IN (SELECT key FROM vals WHERE name = 'Type' AND data = $(reg_text project)); SELECT changes()" | grep -qx 1 \
  || fail "the saved tree has no project"
project_view_shown() { xwininfo -root -tree | grep -qF "\"project 'New assembly project'\""; }
start_program
xdotool mousemove --window "$win" 130 56 click 1
wait_for titled "New assembly project" || fail "the project was not selected"
menu_at 130 56
xdotool key Down Down KP_Enter
wait_for project_view_shown || fail "no project view"
view=$(find_x_window "\"project 'New assembly project'\"") || fail "no project view window"
wait_colour "$view" 000000 100 || fail "the project's view shows no words"
end_program

# An image whose picture is held while it loads, added last (its row under the first image's) and
# so shown: its view says so in words. A new start, whose project menu has no entry chosen yet.
start_program
menu_at 130 56
xdotool key Down KP_Enter
wait_for dialog_shown || fail "no open dialog for the held image"
xdotool type "$work/held.hold"
xdotool key Return
wait_for titled "held" || fail "the held image was not added"
held_view_shown() { xwininfo -root -tree | grep -qF "\"image 'held'\""; }
menu_at 130 124
xdotool key Down KP_Enter
wait_for held_view_shown || fail "no view of the held image"
view=$(find_x_window "\"image 'held'\"") || fail "no view window of the held image"
# "Loading image..." is short: a few dozen pixels of its letters are wholly black, none of the grey.
wait_colour "$view" 000000 20 || fail "the view of an image that is loading shows no words"
touch "$work/gate"
end_program
echo "program desktop view keys test passed"
