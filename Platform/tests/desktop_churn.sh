#!/usr/bin/env bash
# Windows that come and go on a real desktop while other threads wake the window thread and the
# pointer moves and clicks over them (from another X connection): desktop_churn makes, shows and
# destroys 3000 popups at a post each; it must end by itself with status 0 and no X error.
# Usage: desktop_churn.sh BIN-DIR. Status 77 (skipped) without Xvfb, xwininfo, xwd or xdotool.
set -u

bin=$1
here=$(cd "$(dirname "$0")" && pwd)
more_tools=xdotool
. "$here/desktop_session.sh"

VANTREL_HOME="$work/home" "$bin/plat_helper_desktop_churn" 3000 >"$work/churn.log" 2>&1 &
app_pid=$!
find_x_window '"Vantrel churn check"' >/dev/null || fail "the window did not appear"
for i in $(seq 2000); do
  echo "mousemove $((300 + i * 7 % 600)) $((300 + i * 13 % 350))"
  echo "click 1"
done | xdotool - >"$work/xdotool.log" 2>&1 &
input_pid=$!
wait_status "$app_pid" 120; status=$?
[ $status -eq 124 ] && fail "the windows did not all come and go within 120 s"
app_pid=
kill "$input_pid" 2>/dev/null
wait "$input_pid" 2>/dev/null
[ $status -eq 0 ] || fail "the program ended with status $status"
grep -q "X Error" "$work/churn.log" && fail "X error"
grep -q "^3000 rounds" "$work/churn.log" || fail "not every round ran"
echo "desktop churn test passed"
