# Sourced by the end-to-end scripts: start_x_server starts Xvfb on a display number of its own,
# sets xvfb_pid and exports DISPLAY, or calls the script's own fail.

start_x_server() {
  # Xvfb picks a free number itself and tells it once it accepts clients; a number picked here
  # could be taken by another test's server in between. Without -noreset the server restarts when
  # its last client leaves, and refuses the next one for a moment.
  local number_file
  number_file=$(mktemp)
  Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$number_file" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  local number
  number=$(head -1 "$number_file")
  rm -f "$number_file"
  [ -n "$number" ] || fail "Xvfb did not start"
  export DISPLAY=:$number
  unset QT_QPA_PLATFORM WAYLAND_DISPLAY
  xdotool getdisplaygeometry >/dev/null 2>&1 || fail "Xvfb on $DISPLAY does not answer"
}
