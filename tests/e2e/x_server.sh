# Sourced by the end-to-end scripts: start_x_server starts Xvfb on a free display number, sets
# xvfb_pid and exports DISPLAY, or calls the script's own fail.

start_x_server() {
  local display= n
  for n in $(seq 91 150); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
      display=":$n"
      break
    fi
  done
  [ -n "$display" ] || fail "no free X display number"
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=$display
  unset QT_QPA_PLATFORM WAYLAND_DISPLAY
  for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
  xdotool getdisplaygeometry >/dev/null 2>&1 || fail "Xvfb did not start"
}
