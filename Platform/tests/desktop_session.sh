# Sourced by the desktop tests: skips (status 77) without Xvfb, xwininfo, xwd or the tools the
# caller lists in $more_tools; makes a scratch folder ($work) and an Xvfb display of 1024 x 768 ($DISPLAY); fail()
# prints the scratch folder's logs; at exit the process in $app_pid, then Xvfb, are stopped;
# find_x_window finds a window by its title; wait_for waits for a condition while the program
# runs; wait_status waits for a process to end.

for tool in Xvfb xwininfo xwd ${more_tools:-}; do
  command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
  [ -n "$app_pid" ] && { kill -9 "$app_pid"; wait "$app_pid"; } 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAILED: $*"
  for log in "$work"/*.log; do [ -f "$log" ] && { echo "--- $log"; cat "$log"; }; done
  exit 1
}

# The desktop's own libraries keep some memory until the process ends.
export LSAN_OPTIONS="suppressions=$(dirname "${BASH_SOURCE[0]}")/desktop_lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
unset VANTREL_HEADLESS SDL_VIDEODRIVER

exec 3> "$work/displayfd"
# Without -noreset the server starts over when its last client leaves, and refuses the next
# program that connects meanwhile, as the next run of a test's window.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do
  [ -s "$work/displayfd" ] && break
  sleep 0.1
done
number=$(head -n1 "$work/displayfd")
[ -n "$number" ] || fail "Xvfb did not start"
export DISPLAY=":$number"

# Answers the X id of the first window whose line in the window tree holds $1 (the title in its
# quotes, or the start of it) once it is on the screen (10 s at most).
find_x_window() {
  local id
  for _ in $(seq 100); do
    id=$(xwininfo -root -tree 2>/dev/null | grep -F "$1" | awk '{print $1}' | head -n1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# Waits (5 s at most) until the window $1 shows at least $3 pixels of the colour $2 (RRGGBB), as
# plat_helper_xwd_find in $bin counts them on its picture.
wait_colour() {
  for _ in $(seq 50); do
    xwd -id "$1" -silent >"$work/shot.xwd" 2>/dev/null
    "$bin/plat_helper_xwd_find" "$work/shot.xwd" "$2" "$3" && return 0
    sleep 0.1
  done
  return 1
}

# Whether the program in $app_pid still runs.
alive() { kill -0 "$app_pid" 2>/dev/null; }

# Waits up to 10 s for a condition (a command) to hold; the program in $app_pid ending meanwhile
# is a failure.
wait_for() {
  for _ in $(seq 100); do
    "$@" && return 0
    alive || fail "the program ended while waiting for: $*"
    sleep 0.1
  done
  return 1
}

# Waits up to $2 seconds (default 10) for the process $1 to end and answers its status (124 when
# it did not end).
wait_status() {
  local pid=$1
  for _ in $(seq $((${2:-10} * 10))); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && return 124
  wait "$pid"
}
