# What the desktop tests of the program's keys share, sourced after desktop_session.sh: its title,
# its action menus and where its main window ($win) stands.

# The main window's title names the selected node.
titled() { xwininfo -root -tree | grep -qF "\"$1 - PicFlorvane...\""; }

# A window of the program other than the main window, shown with its top left corner at
# ($menu_x, $menu_y).
menu_x= menu_y=
menu_shown() {
  local id
  for id in $(xdotool search --onlyvisible --class PicFlorvane 2>/dev/null); do
    [ "$id" -eq "$((win))" ] && continue
    xwininfo -id "$id" 2>/dev/null | tr -s ' ' | grep -qx " Absolute upper-left X: $menu_x" || continue
    xwininfo -id "$id" 2>/dev/null | tr -s ' ' | grep -qx " Absolute upper-left Y: $menu_y" && return 0
  done
  return 1
}
menu_gone() { ! menu_shown; }

origin() { xwininfo -id "$win" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}'; }

# Right-clicks a point of the main window and waits for the action menu, which shows 5 pixels left
# of the click at its height (a tool tip shows below the pointer).
menu_at() {
  local at
  at=$(origin)
  menu_x=$((${at% *} + $1 - 5)) menu_y=$((${at#* } + $2))
  xdotool mousemove --window "$win" "$1" "$2" click 3
  wait_for menu_shown || fail "no action menu at $1,$2"
}
