#!/usr/bin/env bash
# The figures of Halverne.exe, each beside the same figure of a minimal Win32
# window program (tests/e2e/minimal_window.cpp, built with the same toolchain
# and flags) measured in the same run, on a virtual 1024 x 768 display under
# 64-bit Wine:
#   - start-up: from process creation to a visible window, median of 5 starts
#   - memory: working set of the running process (VmRSS of its Wine process)
#   - handles: kernel handles and windows of the process, before and after
#     10,000 program writes of the weight (each one change, one calculation)
#   - processor time used by the process over 10 s (the banner running), and
#     by the wineserver, which carries every timer expiry and message
#   scripts/measure.sh            prints a Markdown table
# Not a test: the figures depend on the machine. Uses the win64 build.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 1
bash scripts/install-deps.sh || exit 1
# HALVERNE_BUILD_DIR: another build folder of the win64 preset.
build=${HALVERNE_BUILD_DIR:-$root/build/win64}
if ! { cmake --preset win64 -B "$build" >/dev/null &&
        cmake --build "$build" --target halverne halverne_probe minimal_window >/dev/null; }; then
  echo "the build failed; see: cmake --build $build" >&2
  exit 1
fi
probe=$build/tests/e2e/halverne_probe.exe

# shellcheck disable=SC1091
. scripts/virtual-display.sh
work=$(mktemp -d)
xvfb_pid="" server_pid=""
cleanup() {
  [ -n "$server_pid" ] && { "$WINESERVER64" -k 2>/dev/null; halverne_stop_pid "$server_pid"; }
  [ -n "$xvfb_pid" ] && halverne_stop_pid "$xvfb_pid"
  rm -rf "$work"
}
trap cleanup EXIT
halverne_start_xvfb "$work/xvfb.log" || exit 1
xvfb_pid=$XVFB_PID
halverne_virtual_prefix
# shellcheck disable=SC1091
. scripts/wine-env.sh
halverne_wine_prefix
"$WINESERVER64" -f -p >"$work/wineserver.log" 2>&1 </dev/null &
server_pid=$!
sleep 0.5

winepath_of() { local p; p=$(realpath -m "$1"); echo "Z:${p//\//\\}"; }
# The same with forward slashes, for paths inside a probe script (where a
# backslash starts an escape); Windows takes either.
probe_path() { echo "Z:$(realpath -m "$1")"; }
# probe_run EXE TITLE SCRIPT_TEXT: runs the probe, prints its output
probe_run() {
  printf '%s\n' "$3" >"$work/s.probe"
  "$WINE64" "$probe" --exe "$(winepath_of "$1")" --title "$2" "$(winepath_of "$work/s.probe")" >"$work/out" 2>&1
  local status=$?
  cat "$work/out"
  if [ $status -ne 0 ]; then echo "probe failed on $1:" >&2; grep FAIL "$work/out" >&2; exit 1; fi
}
value() { sed -n "s/.*\\b$1=\\([0-9.]*\\).*/\\1/p" | head -n 1; }
# The Unix process that runs a Windows program of this prefix.
unix_pid_of() {
  local pid
  for pid in $(pgrep -f -- "$1"); do
    if tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qx "WINEPREFIX=$WINEPREFIX" &&
      ! tr '\0' ' ' <"/proc/$pid/cmdline" | grep -q halverne_probe; then
      echo "$pid"
      return
    fi
  done
}
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }

declare -A fig
# measure KEY EXE TITLE WITH_WEIGHTS
measure() {
  local key=$1 exe=$2 title=$3 weights=$4

  local changes=""
  # the height first, so that each weight change computes (no notice box);
  # the last of the alternating weights is 71
  [ "$weights" = yes ] &&
    changes=$'set-text 编辑框1 "1.75"\nset-weights 10000\ntext 编辑框3 "23.18367346939"\nresources'
  rm -f "$work/cpu-start" "$work/cpu-end"
  printf '%s\n' "start" "sleep 1500" "memory" "resources" "$changes" \
    "signal \"$(probe_path "$work/cpu-start")\"" "sleep 10000" \
    "signal \"$(probe_path "$work/cpu-end")\"" "memory" "close" "exit-code 0" >"$work/m.probe"
  "$WINE64" "$probe" --exe "$(winepath_of "$exe")" --title "$title" "$(winepath_of "$work/m.probe")" >"$work/m.out" 2>&1 &
  local pid=$! s0 s1
  while [ ! -e "$work/cpu-start" ] && kill -0 "$pid" 2>/dev/null; do sleep 0.01; done
  # Wine answers GetProcessTimes for another process without its processor
  # time, so it is read from /proc of the program's own Wine process.
  local unix_pid p0 p1
  unix_pid=$(unix_pid_of "$(basename "$exe")")
  s0=$(cpu_ticks "$server_pid") p0=$(cpu_ticks "$unix_pid")
  while [ ! -e "$work/cpu-end" ] && kill -0 "$pid" 2>/dev/null; do sleep 0.01; done
  s1=$(cpu_ticks "$server_pid") p1=$(cpu_ticks "$unix_pid")
  wait "$pid" || { echo "probe failed on $exe:" >&2; cat "$work/m.out" >&2; exit 1; }
  local ticks_per_s
  ticks_per_s=$(getconf CLK_TCK)
  fig[$key.server_cpu]=$(awk -v a="$s0" -v b="$s1" -v t="$ticks_per_s" 'BEGIN{printf "%.0f", (b-a)*1000/t}')
  fig[$key.cpu]=$(awk -v a="$p0" -v b="$p1" -v t="$ticks_per_s" 'BEGIN{printf "%.0f", (b-a)*1000/t}')
  local sets
  sets=$(sed -n 's/^working_set=\([0-9]*\).*/\1/p' "$work/m.out")
  fig[$key.memory]=$(echo "$sets" | sed -n 1p | awk '{printf "%.1f", $1/1048576}')
  fig[$key.memory_end]=$(echo "$sets" | tail -n 1 | awk '{printf "%.1f", $1/1048576}')
  local res
  res=$(grep '^handles=' "$work/m.out")
  fig[$key.handles0]=$(echo "$res" | sed -n 1p | value system_handles)
  fig[$key.windows0]=$(echo "$res" | sed -n 1p | value windows)
  fig[$key.handles1]=$(echo "$res" | sed -n 2p | value system_handles)
  fig[$key.windows1]=$(echo "$res" | sed -n 2p | value windows)
}

# Start-up: the two programs in turn, after one start of each that is not
# counted, so that neither pays alone for a cold cache or a busy moment.
startup_once() { probe_run "$1" "$2" $'start\nclose\nexit-code 0' | value window_ms; }
echo "measuring start-up..." >&2
startup_once "$build/tests/e2e/minimal_window.exe" "Minimal window" >/dev/null
startup_once "$build/bin/Halverne.exe" "Halverne" >/dev/null
for _ in 1 2 3 4 5; do
  startup_once "$build/tests/e2e/minimal_window.exe" "Minimal window" >>"$work/startup.minimal"
  startup_once "$build/bin/Halverne.exe" "Halverne" >>"$work/startup.halverne"
done
fig[minimal.startup]=$(median <"$work/startup.minimal")
fig[halverne.startup]=$(median <"$work/startup.halverne")
echo "start-up samples (ms): minimal $(tr '\n' ' ' <"$work/startup.minimal")/ Halverne $(tr '\n' ' ' <"$work/startup.halverne")" >&2

echo "measuring the minimal window program..." >&2
measure minimal "$build/tests/e2e/minimal_window.exe" "Minimal window" no
echo "measuring Halverne.exe..." >&2
measure halverne "$build/bin/Halverne.exe" "Halverne" yes

ratio() { awk -v a="$1" -v b="$2" 'BEGIN{ if (b > 0) printf "%.2f", a/b; else print "n/a" }'; }
row() {  # label unit key
  printf '| %s | %s %s | %s %s | %s |\n' "$1" "${fig[halverne.$3]}" "$2" "${fig[minimal.$3]}" "$2" \
    "$(ratio "${fig[halverne.$3]}" "${fig[minimal.$3]}")"
}
echo
echo "| figure | Halverne.exe | minimal window | ratio |"
echo "|---|---|---|---|"
row "start-up to a visible window (median of 5)" ms startup
row "working set of the running process, 1.5 s after start" MiB memory
row "working set at the end (after the weight changes and 10 s of banner)" MiB memory_end
row "kernel handles of the process at start" "" handles0
row "windows of the process at start" "" windows0
printf '| kernel handles after 10,000 weight changes | %s (before: %s) | | |\n' "${fig[halverne.handles1]}" "${fig[halverne.handles0]}"
printf '| windows after 10,000 weight changes | %s (before: %s) | | |\n' "${fig[halverne.windows1]}" "${fig[halverne.windows0]}"
# An idle window uses no measurable processor time, so the ratio of the two
# processor times may be undefined; the share of one core says more.
cpu_row() {  # label key
  printf '| %s | %s ms (%s %% of a core) | %s ms (%s %%) | %s |\n' "$1" \
    "${fig[halverne.$2]}" "$(awk -v a="${fig[halverne.$2]}" 'BEGIN{printf "%.1f", a/100}')" \
    "${fig[minimal.$2]}" "$(awk -v a="${fig[minimal.$2]}" 'BEGIN{printf "%.1f", a/100}')" \
    "$(ratio "${fig[halverne.$2]}" "${fig[minimal.$2]}")"
}
cpu_row "processor time of the process over 10 s, banner running" cpu
cpu_row "processor time of the wineserver over the same 10 s" server_cpu
echo
echo "Processor times are counted in clock ticks of $((1000 / $(getconf CLK_TCK))) ms: a figure of one or two ticks (the idle"
echo "minimal program) makes its ratio coarse. Wine does not count GDI objects (GetGuiResources answers 0);"
echo "kernel handles come from the system handle table, windows from enumerating the process's windows."
