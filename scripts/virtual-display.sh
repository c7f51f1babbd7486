# shellcheck shell=bash
# Sourced by the scripts that need an X display of their own (the e2e
# fixture, scripts/run.sh without a display, scripts/measure.sh).
#
# halverne_start_xvfb LOG_FILE: starts Xvfb at 1024 x 768 on a display
# number nobody uses, exports DISPLAY and sets XVFB_PID. Returns non-zero
# when no display could be started.
halverne_start_xvfb() {
  local log=$1 n pid
  for n in $(seq 90 190); do
    { [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; } && continue
    # setsid and redirected output: nothing waits on Xvfb's output (CTest
    # would wait for the pipe to close).
    setsid Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$log" 2>&1 </dev/null &
    pid=$!
    for _ in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    # Another Xvfb may have taken the number meanwhile; then ours has ended.
    if kill -0 "$pid" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then
      export DISPLAY=":$n"
      XVFB_PID=$pid  # for the caller
      export XVFB_PID
      return 0
    fi
  done
  echo "no free X display" >&2
  return 1
}

# halverne_stop_pid PID: stops one process we started and waits for it.
halverne_stop_pid() {
  local pid=$1
  kill "$pid" 2>/dev/null || return 0
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.1; done
  kill -9 "$pid" 2>/dev/null || true
}

# halverne_virtual_prefix: chooses the Wine prefix for programs on a virtual
# display (exports HALVERNE_WINEPREFIX, before wine-env.sh is sourced). It is
# kept between runs and made anew when the Wine settings in wine-env.sh
# change; the prefixes of earlier settings are removed.
halverne_virtual_prefix() {
  local scripts key base old
  scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
  key=$(md5sum "$scripts/wine-env.sh" | cut -c1-8)
  base=${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/halverne
  for old in "$base"/wine64-virtual-*; do
    [ -d "$old" ] && [ "$old" != "$base/wine64-virtual-$key" ] && rm -rf "$old"
  done
  export HALVERNE_WINEPREFIX=$base/wine64-virtual-$key
}
