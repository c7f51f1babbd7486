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

# shellcheck disable=SC1091
. "$here/../../scripts/virtual-display.sh"

cleanup() {
  [ -f "$state/env" ] || { rm -rf "$state"; return 0; }
  # shellcheck disable=SC1091
  . "$state/env"
  if [ -d "${HALVERNE_WINEPREFIX:-}" ]; then
    # Ends every process of this run's prefix (only ours live there).
    WINEPREFIX=$HALVERNE_WINEPREFIX /usr/lib/wine/wineserver64 -k 2>/dev/null || true
    WINEPREFIX=$HALVERNE_WINEPREFIX /usr/lib/wine/wineserver64 -w 2>/dev/null || true
  fi
  # Only if that id is still our Xvfb (an interrupted run's id may be reused).
  if [ -n "${XVFB_PID:-}" ] && tr '\0' ' ' 2>/dev/null <"/proc/$XVFB_PID/cmdline" | grep -q "^Xvfb $DISPLAY "; then
    halverne_stop_pid "$XVFB_PID"
  fi
  rm -rf "$state"
}

setup() {
  cleanup  # whatever an interrupted run left behind
  mkdir -p "$state"
  halverne_start_xvfb "$state/xvfb.log" || exit 1
  local display=$DISPLAY pid=$XVFB_PID
  cat >"$state/env" <<ENV
export DISPLAY=$display
XVFB_PID=$pid
export HALVERNE_WINEPREFIX=$state/wineprefix
ENV
  echo "display $display (Xvfb pid $pid)"

  export HALVERNE_WINEPREFIX=$state/wineprefix
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
