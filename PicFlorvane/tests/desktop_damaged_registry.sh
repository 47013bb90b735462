#!/usr/bin/env bash
# A start on a damaged registry file, as a person meets it on a desktop without a window manager:
# before the main window a box of the program's own, on the screen and wrapped, names the file
# and the copy kept of it; Return answers it and the main window follows; the copy holds the
# damaged bytes.
# Usage: desktop_damaged_registry.sh BIN-DIR. Status 77 (skipped) without Xvfb, xwininfo, xwd or xdotool.
set -u

bin=$1
here=$(cd "$(dirname "$0")" && pwd)
more_tools="xdotool"
. "$here/desktop_program.sh"
mkdir -p "$VANTREL_HOME/config"
head -c 8192 /dev/urandom >"$work/damaged.db"
cp "$work/damaged.db" "$VANTREL_HOME/config/registry-machine.db"

"$bin/PicFlorvane" >"$work/program.log" 2>&1 &
app_pid=$!
box=$(find_x_window '"PicFlorvane"') || fail "no box about the damaged file within 10 s"
width=$(xwininfo -id "$box" | awk '/Width:/ {print $2}')
left=$(xwininfo -id "$box" | awk '/Absolute upper-left X/ {print $4}')
[ "$left" -ge 0 ] && [ $((left + width)) -le 1024 ] || fail "the box ($width wide at $left) passes the screen's edge"
grep -q "registry-machine.db is damaged. It is kept as" "$work/program.log" || fail "stderr names no damaged file"
xdotool key Return
find_x_window '"Projects - PicFlorvane..."' >/dev/null || fail "no main window after the box"
copy=$(ls "$VANTREL_HOME"/config/registry-machine.db.damaged-* 2>/dev/null | head -n1)
[ -n "$copy" ] || fail "no copy of the damaged file"
cmp -s "$copy" "$work/damaged.db" || fail "the copy differs from the damaged file"

end_program
echo "program desktop damaged registry test passed"
