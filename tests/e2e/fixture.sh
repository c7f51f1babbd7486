#!/usr/bin/env bash
# The e2e fixture: a virtual X display of 1024 x 768 and a fresh 64-bit Wine
# prefix with a running wineserver, made once per test run (setup) and always
# removed (cleanup). STATE_DIR/env tells the scenarios where they are.
#   fixture.sh setup STATE_DIR
#   fixture.sh cleanup STATE_DIR
set -euo pipefail
action=$1
state=$2
here=$(cd "$(dirname "$0")" && pwd)

# Stops one process we started, by its id, and waits for it to go.
stop_pid() {
  local pid=$1
  kill "$pid" 2>/dev/null || return 0
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.1; done
  kill -9 "$pid" 2>/dev/null || true
}

cleanup() {
  [ -f "$state/env" ] || { rm -rf "$state"; return 0; }
  # shellcheck disable=SC1091
  . "$state/env"
  if [ -d "${HALVERNE_WINEPREFIX:-}" ]; then
    # Ends every process of this run's prefix (only ours live there).
    WINEPREFIX=$HALVERNE_WINEPREFIX /usr/lib/wine/wineserver64 -k 2>/dev/null || true
    WINEPREFIX=$HALVERNE_WINEPREFIX /usr/lib/wine/wineserver64 -w 2>/dev/null || true
  fi
  [ -n "${XVFB_PID:-}" ] && stop_pid "$XVFB_PID"
  rm -rf "$state"
}

setup() {
  cleanup  # whatever an interrupted run left behind
  mkdir -p "$state"
  # A display number nobody uses; Xvfb refuses one that is taken meanwhile.
  local display="" pid=""
  for n in $(seq 90 190); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    setsid Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$state/xvfb.log" 2>&1 </dev/null &
    pid=$!
    for _ in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
    pid=""
  done
  [ -n "$display" ] || { echo "no free X display" >&2; exit 1; }
  cat >"$state/env" <<ENV
export DISPLAY=$display
XVFB_PID=$pid
export HALVERNE_WINEPREFIX=$state/wineprefix
ENV
  echo "display $display (Xvfb pid $pid)"

  export DISPLAY=$display HALVERNE_WINEPREFIX=$state/wineprefix
  # shellcheck disable=SC1091
  . "$here/../../scripts/wine-env.sh"
  halverne_wine_prefix
  # A persistent wineserver keeps each scenario's start-up short; its output
  # goes to a file so that CTest does not wait on it.
  setsid "$WINESERVER64" -p >"$state/wineserver.log" 2>&1 </dev/null &
  echo "wine prefix $WINEPREFIX"
}

case "$action" in
  setup) setup ;;
  cleanup) cleanup ;;
  *) echo "usage: fixture.sh setup|cleanup STATE_DIR" >&2; exit 2 ;;
esac
