# What the desktop tests of the program share, sourced with $bin, $here and $more_tools set: the
# desktop session with a home of the test's own, the main window's ($win) title, its action menus
# and where it stands, the program's start and its end.
. "$here/../../Platform/tests/desktop_session.sh"
export VANTREL_HOME="$work/home"
mkdir -p "$VANTREL_HOME"

# The main window's title names the selected node.
titled() { xwininfo -root -tree | grep -qF "\"$1 - PicFlorvane...\""; }

# Answers the X id of a window of the program other than the main window, shown with its top
# left corner at ($menu_x, $menu_y).
menu_x= menu_y=
menu_window() {
  local id
  for id in $(xdotool search --onlyvisible --class PicFlorvane 2>/dev/null); do
    [ "$id" -eq "$((win))" ] && continue
    xwininfo -id "$id" 2>/dev/null | tr -s ' ' | grep -qx " Absolute upper-left X: $menu_x" || continue
    xwininfo -id "$id" 2>/dev/null | tr -s ' ' | grep -qx " Absolute upper-left Y: $menu_y" && { echo "$id"; return 0; }
  done
  return 1
}
menu_shown() { menu_window >/dev/null; }
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

# Ends the program in $app_pid as the session's end does, and checks that it ended cleanly.
end_program() {
  kill "$app_pid"
  wait_status "$app_pid" 30; status=$?
  [ $status -eq 124 ] && fail "the program did not end"
  app_pid=
  grep -q "Sanitizer\|X Error" "$work/program.log" && fail "sanitizer report or X error"
}

# Starts the program and waits for its main window ($win), made 1000 x 700.
start_program() {
  "$bin/PicFlorvane" >"$work/program.log" 2>&1 &
  app_pid=$!
  win=$(find_x_window '"Projects - PicFlorvane..."') || fail "no main window within 10 s"
  xdotool windowsize "$win" 1000 700
  wait_for eval 'xwininfo -id "$win" | grep -q "Width: 1000"' || fail "the main window was not resized"
}
