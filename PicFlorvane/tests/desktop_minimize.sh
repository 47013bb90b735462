#!/usr/bin/env bash
# Minimize and Maximize of the system menu leave a window a person can use. Without a window
# manager nothing would carry them out: both entries show greyed, their keys only highlight them,
# and a click on Actions after Escape opens the action menu. With openbox (when it is installed)
# Minimize iconifies the window, which comes back usable.
# Usage: desktop_minimize.sh BIN-DIR. Status 77 (skipped) without Xvfb, xwininfo, xwd, xdotool or
# ImageMagick's convert.
set -u

bin=$1
here=$(cd "$(dirname "$0")" && pwd)
more_tools="xdotool convert"
. "$here/desktop_program.sh"

root=$(xwininfo -root | awk '/Window id/ {print $4}')
folder_yellow=E8B830 # the folder icon of the root's action menu

# The system menu's highlighted entry, seen on the screen: the first row of the highlight below
# the menu's top and the colour of the text within it, "grey", "white" or "none".
lit_entry() {
  xwd -root -silent | convert xwd:- -crop "200x160+$menu_x+$menu_y" +repage txt:- | awk -F'[,: ]+' '
    /^#/ { next }
    {
      colour = $0; sub(/.*#/, "", colour); at[$1, $2] = substr(colour, 1, 6)
      if (at[$1, $2] == "000080") { navy[$2]++; if (!($2 in left)) left[$2] = $1; right[$2] = $1 }
    }
    END {
      for (y = 0; y < 160; y++) if (navy[y] > 100) {
        if (first == "") first = y
        for (x = left[y]; x <= right[y]; x++) { grey += at[x, y] == "808080"; white += at[x, y] == "FFFFFF" }
      }
      print (first == "" ? -1 : first), (white ? "white" : grey ? "grey" : "none")
    }'
}
lit_grey_below() { set -- "$1" $(lit_entry); [ "$2" -gt "$1" ] && [ "$3" = grey ]; }

# Whether the root's action menu is on the screen, by the yellow of its folder icon.
action_menu_seen() {
  xwd -id "$root" -silent >"$work/shot.xwd" 2>/dev/null
  "$bin/plat_helper_xwd_find" "$work/shot.xwd" "$folder_yellow" 40
}
action_menu_unseen() { ! action_menu_seen; }

# Clicks Actions at the page's top and waits for its menu on the screen; Escape closes it.
actions_open() {
  xdotool mousemove --window "$win" 674 14 click 1
  wait_for action_menu_seen || fail "$1: a click on Actions showed no action menu"
  xdotool key Escape
  wait_for action_menu_unseen || fail "$1: Escape left the action menu"
}

# Opens the main window's system menu by Alt+Space, at the client area's top left.
system_menu() {
  local at
  at=$(origin)
  menu_x=${at% *} menu_y=${at#* }
  xdotool mousemove --window "$win" 130 300
  xdotool key alt+space
  wait_for menu_shown || fail "$1: Alt+Space showed no system menu"
}

start_program
action_menu_seen && fail "the action menu's colour is on the screen before the menu"

# Without a window manager: n and x find their entries greyed, and the menu stays up.
system_menu "without a window manager"
xdotool key n
wait_for lit_grey_below -1 || fail "Minimize was not shown greyed: $(lit_entry)"
minimize_row=$(lit_entry | cut -d' ' -f1)
xdotool key x
wait_for lit_grey_below "$minimize_row" || fail "Maximize was not shown greyed: $(lit_entry)"
xdotool key Escape
wait_for menu_gone || fail "Escape did not close the system menu"
xwininfo -id "$win" | grep -q "Width: 1000" || fail "the window changed its size"
actions_open "without a window manager"

if command -v openbox >/dev/null 2>&1; then
  # No key bindings of its own, so that Alt+Space is the program's, and no animation of the
  # iconify, while which the window stands elsewhere.
  printf '<?xml version="1.0"?>\n<openbox_config xmlns="http://openbox.org/3.4/rc"><theme>%s</theme></openbox_config>\n' \
    '<animateIconify>no</animateIconify>' >"$work/rc.xml"
  openbox --config-file "$work/rc.xml" >"$work/openbox.log" 2>&1 &
  wm_pid=$!
  framed() { ! xwininfo -id "$win" -children | grep -q "Parent window id: .*(the root window)"; }
  wait_for framed || fail "openbox did not take the window"
  xdotool mousemove --window "$win" 130 300 click 1
  viewable() { xwininfo -id "$win" | grep -q "Map State: IsViewable"; }
  system_menu "with openbox"
  xdotool key n
  wait_for eval '! viewable' || fail "Minimize did not iconify the window under openbox"
  xdotool windowactivate "$win" 2>/dev/null
  wait_for viewable || fail "the iconified window did not come back"
  actions_open "restored under openbox"
  kill "$wm_pid"
  wait "$wm_pid" 2>/dev/null
fi

end_program
echo "program desktop minimize test passed"
