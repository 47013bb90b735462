#!/usr/bin/env bash
# A real window on a desktop: starts Xvfb, runs desktop_window on it and checks, as a user would
# see it, that the window is mapped, titled, painted and repainted after another thread's post,
# that its caret blinks on the screen, that its owned window is its transient, that it closes
# from the window manager and from SIGTERM, that a missing or dead display is told, and that a
# display lost while the window shows ends the program with status 1, and that a key pressed
# after a popup showed and hid reaches the window.
# Usage: desktop_smoke.sh BIN-DIR. Status 77 (skipped) without Xvfb, xwininfo, xwd, xprop or xdotool.
set -u

bin=$1
here=$(cd "$(dirname "$0")" && pwd)
more_tools="xprop xdotool"
. "$here/desktop_session.sh"

# The window with this title (default: the main window's), as find_x_window answers.
find_window() {
  find_x_window "\"${1:-Vantrel desktop check}\""
}

start_window() {
  VANTREL_HOME=$(mktemp -d -p "$work") "$bin/plat_helper_desktop_window" "$@" >"$work/$run.log" 2>&1 &
  app_pid=$!
}

# 1. Shown, painted, and repainted after the other thread's post; closed by the window manager.
run=first
start_window
id=$(find_window) || fail "the window did not appear"
info=$(xwininfo -id "$id")
grep -q "Map State: IsViewable" <<<"$info" || fail "the window is not viewable"
grep -q "Width: 320" <<<"$info" && grep -q "Height: 200" <<<"$info" || fail "the window is not 320x200: $info"
painted=no
caret=no
for _ in $(seq 100); do
  xwd -id "$id" -silent >"$work/shot.xwd" 2>/dev/null
  # The caret inverts the background: #006699 becomes #FF9966 for 2 x 20 pixels, half the time.
  "$bin/plat_helper_xwd_find" "$work/shot.xwd" FF9966 40 && caret=yes
  if "$bin/plat_helper_xwd_find" "$work/shot.xwd" 006699 1000 && "$bin/plat_helper_xwd_find" "$work/shot.xwd" 00C800 4000; then
    painted=yes
    [ $caret = yes ] && break
  fi
  sleep 0.1
done
[ $painted = yes ] || fail "the window does not show its background and the green rectangle"
[ $caret = yes ] || fail "the caret was never seen"
view=$(find_window "Vantrel desktop check view") || fail "the owned window did not appear"
xwininfo -id "$view" | grep -q "Map State: IsViewable" || fail "the owned window, made visible, is not viewable"
xprop -id "$view" WM_TRANSIENT_FOR | grep -q "$id\$" || fail "the owned window is not transient for the main one"
"$bin/plat_helper_x11_close" "$id" || fail "x11_close"
wait_status $app_pid; status=$?
app_pid=
[ $status -eq 0 ] || fail "closing ended with status $status"
grep -q "Sanitizer" "$work/$run.log" && fail "sanitizer report"

# 2. SIGTERM closes the window as its user would.
run=term
start_window
find_window >/dev/null || fail "the window did not appear for SIGTERM"
kill -TERM $app_pid
wait_status $app_pid; status=$?
app_pid=
[ $status -eq 0 ] || fail "SIGTERM ended with status $status"

# 3. A display nobody serves: a clear failure. The number is held with a lock file, as an X server
# holds its own, so that no server started on this machine meanwhile takes it.
dead=$((number + 57))
until [ ! -e "/tmp/.X11-unix/X$dead" ] && (set -C; printf '%10d\n' $$ >"/tmp/.X$dead-lock") 2>/dev/null; do
  dead=$((dead + 1))
done
run=dead
DISPLAY=":$dead" start_window
wait_status $app_pid; status=$?
app_pid=
rm -f "/tmp/.X$dead-lock"
[ $status -ne 0 ] && [ $status -ne 124 ] || fail "a dead display gave status $status"
grep -q "cannot open the display" "$work/$run.log" || fail "no notice of the dead display"

# 4. No display at all: no window, and a notice that says why.
run=none
( unset DISPLAY; start_window; wait_status $app_pid ); status=$?
[ $status -eq 1 ] || fail "a run without display ended with status $status"
grep -q "cannot open a window: no display (DISPLAY is not set)" "$work/$run.log" || fail "no notice of the missing display"

# 5. A key pressed after a popup (a tool tip, a menu) showed and hid still reaches the program:
# without a window manager X gives the input focus the popup had to no window as it hides.
run=keys
start_window --tip
id=$(find_window) || fail "the window did not appear for the key"
tip=$(find_window "Vantrel desktop check tip (hidden)") || fail "the popup did not show and hide"
for _ in $(seq 100); do
  xwininfo -id "$tip" | grep -q "IsViewable" || break
  sleep 0.1
done
# The main window becomes the active one by a click, as a user makes it.
xdotool mousemove --window "$id" 200 150 click 1
xdotool key space
wait_colour "$id" 0000C8 4000 || fail "the key pressed after the popup hid did not reach the window"
"$bin/plat_helper_x11_close" "$id" || fail "x11_close after the key"
wait_status $app_pid; status=$?
app_pid=
[ $status -eq 0 ] || fail "closing after the key ended with status $status"

# 6. The display goes away under the window (last: it is the session's display): one line, status 1.
run=lost
start_window
find_window >/dev/null || fail "the window did not appear before its display went"
kill "$xvfb_pid"
wait "$xvfb_pid" 2>/dev/null
xvfb_pid=
wait_status $app_pid; status=$?
app_pid=
[ $status -eq 1 ] || fail "a lost display gave status $status"
[ "$(grep -c . "$work/$run.log")" -eq 1 ] && grep -q "the connection to the display \"$DISPLAY\" was lost" "$work/$run.log" \
  || fail "the lost display was not told in one line"

echo "desktop smoke test passed"
