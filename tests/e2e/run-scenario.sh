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
leftovers() {
  local pid
  for pid in $(pgrep -f -- "$(basename "$program")|$(basename "$probe")"); do
    if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then
      echo "killing leftover process $pid: $(tr '\0' ' ' <"/proc/$pid/cmdline")"
      kill -9 "$pid" 2>/dev/null
    fi
  done
}
trap leftovers EXIT

# Wine's drive Z: is the Unix root.
winepath_of() { local p; p=$(realpath "$1"); echo "Z:${p//\//\\}"; }

timeout 80 "$WINE64" "$probe" --exe "$(winepath_of "$program")" "$(winepath_of "$script")"
