#!/usr/bin/env bash
# One e2e scenario: runs the probe with the scenario's script against the
# program, under the display and Wine prefix of the e2e fixture.
#   run-scenario.sh STATE_DIR PROBE_EXE PROGRAM_EXE SCRIPT
set -uo pipefail
state=$1 probe=$2 program=$3 script=$4
here=$(cd "$(dirname "$0")" && pwd)
[ -f "$state/env" ] || { echo "the e2e fixture is not set up ($state/env missing)"; exit 1; }
# shellcheck disable=SC1091
. "$state/env"
# shellcheck disable=SC1091
. "$here/../../scripts/wine-env.sh"

# Kills the Wine processes of this prefix that run the program or the probe
# and are still there, by their ids.
# shellcheck disable=SC2317  # called by the EXIT trap
leftovers() {
  local pid
  for pid in $(pgrep -f -- "$(basename "$program")|$(basename "$probe")"); do
    [ "$pid" = $$ ] && continue
    if tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qx "WINEPREFIX=$WINEPREFIX"; then
      echo "killing leftover process $pid: $(tr '\0' ' ' <"/proc/$pid/cmdline")"
      kill -9 "$pid" 2>/dev/null
    fi
  done
}
trap leftovers EXIT

# Wine's drive Z: is the Unix root.
winepath_of() { local p; p=$(realpath "$1"); echo "Z:${p//\//\\}"; }

# The probe's output goes through a file: Wine's own processes (the desktop,
# services), started by the first program of the prefix, inherit its output
# and would keep CTest waiting on an open pipe.
log=$state/scenario-$(basename "$script" .probe).log
timeout 80 "$WINE64" "$probe" --exe "$(winepath_of "$program")" "$(winepath_of "$script")" \
  >"$log" 2>&1 </dev/null
status=$?
cat "$log"
[ $status -eq 124 ] && echo "the scenario took longer than 80 s"
exit $status
