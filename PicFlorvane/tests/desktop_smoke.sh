#!/usr/bin/env bash
# The program on a real desktop, as a user starts it: on an Xvfb display, in a fresh home where the
# picture plug-in was registered, its main window must show the project tree within 10 s, and
# closing it from the window manager must end it cleanly with the tree stored. Then one instance
# at a time: later starts hand their files over to the running one and end. Started without a
# display, it says so and ends with status 1.
# Usage: desktop_smoke.sh BIN-DIR. Status 77 (skipped) without Xvfb, xwininfo or xwd.
set -u

bin=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../Platform/tests/desktop_session.sh"
export VANTREL_HOME="$work/home"
mkdir -p "$VANTREL_HOME"

"$bin/vntregsvr" "$bin/Vt05pcST.so" >"$work/register.log" 2>&1 || fail "the picture plug-in was not registered"

# The first window whose title begins with $1, as find_x_window answers.
find_window() {
  find_x_window " \"$1"
}

# Runs a later instance, which must end by itself with status 0 within 10 s.
run_later() {
  timeout 10 "$bin/PicFlorvane" "$@" >>"$work/later.log" 2>&1 || fail "a later start $* ended with status $?"
}

( unset DISPLAY; timeout 10 "$bin/PicFlorvane" >"$work/nodisplay.log" 2>&1 ); status=$?
[ $status -eq 1 ] || fail "a start without a display ended with status $status"
grep -q "cannot open a window" "$work/nodisplay.log" || fail "a start without a display did not say why it ended"

"$bin/PicFlorvane" >"$work/program.log" 2>&1 &
app_pid=$!
id=$(find_window "Projects - PicFlorvane...\"") || fail "no window titled \"Projects - PicFlorvane...\" within 10 s"
xwininfo -id "$id" | grep -q "Map State: IsViewable" || fail "the main window is not viewable"
# The tree's background gradient starts at #006699.
wait_colour "$id" 006699 50 || fail "the tree's background is not on the screen"

"$bin/plat_helper_x11_close" "$id" || fail "x11_close"
for _ in $(seq 100); do
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$app_pid" 2>/dev/null && fail "the program did not end within 10 s of its close"
wait "$app_pid"; status=$?
app_pid=
[ $status -eq 0 ] || fail "closing ended with status $status"
grep -q "Sanitizer" "$work/program.log" && fail "sanitizer report"
grep -rqs "Root-1" "$VANTREL_HOME" || fail "the tree was not stored"

# One instance: a later start brings the first to the front, hands files over and ends; the first
# asks whether to import them. Registering while it runs hands over too and registers nothing; an
# automation start cannot be served by the running instance, says so and ends with status 1.
"$bin/PicFlorvane" >"$work/first.log" 2>&1 &
app_pid=$!
find_window "Projects - PicFlorvane..." >/dev/null || fail "the first instance did not appear"
run_later
run_later -Register
grep -rqs "PicFlorvaneFile" "$VANTREL_HOME" && fail "a start handing over registered the file type"
timeout 10 "$bin/PicFlorvane" -Embedding >"$work/refused.log" 2>&1; status=$?
[ $status -eq 1 ] || fail "an automation start beside a running instance ended with status $status"
grep -qF "PICf already launched and com need to instanciate a new application" "$work/refused.log" \
  || fail "an automation start beside a running instance did not say why it ended"
touch "$work/a.picf" "$work/b.picf" "$work/c.picf"
run_later "$work/a.picf" "$work/b.picf" "$work/c.picf"
find_window "Question" >/dev/null || fail "the first instance did not ask about the handed-over files"

# An instance that died leaves the next start free to run.
{ kill -9 "$app_pid"; wait "$app_pid"; } 2>/dev/null
for _ in $(seq 50); do
  xwininfo -root -tree 2>/dev/null | grep -qF '"Projects - PicFlorvane..."' || break
  sleep 0.1
done
"$bin/PicFlorvane" >"$work/after.log" 2>&1 &
app_pid=$!
find_window "Projects - PicFlorvane..." >/dev/null || fail "no start after the first instance died"

echo "program desktop smoke test passed"
