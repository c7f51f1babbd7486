#!/usr/bin/env bash
# The run command: builds what it needs and opens the calculator.
#   scripts/run.sh [SCREENSHOT.png]
# - On Windows the built executable is simply run.
# - On Linux with a display, the 64-bit build opens under 64-bit Wine.
# - With DISPLAY unset, it starts a virtual display, opens the calculator,
#   types the height 1.75 and the weight 70 with real key presses, saves a
#   screenshot of the window (build/win64/screenshot.png unless a path is
#   given), closes the program and prints where the picture is.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 1

case "$(uname -s)" in
  MINGW* | MSYS* | CYGWIN*)
    for exe in build/win64/bin/Halverne.exe build/win32/bin/Halverne.exe; do
      [ -f "$exe" ] && exec "$exe"
    done
    echo "no Halverne.exe built yet: build the win64 or win32 preset first" >&2
    exit 1 ;;
esac

bash scripts/install-deps.sh || { echo "installing the dependencies failed" >&2; exit 1; }
# HALVERNE_BUILD_DIR: another build folder of the win64 preset.
build=${HALVERNE_BUILD_DIR:-$root/build/win64}
echo "building the 64-bit Windows executable (preset win64) in $build..."
if ! { cmake --preset win64 -B "$build" >/dev/null && cmake --build "$build" --target halverne halverne_probe >/dev/null; }; then
  echo "the build failed; see: cmake --build $build" >&2
  exit 1
fi
program=$build/bin/Halverne.exe
probe=$build/tests/e2e/halverne_probe.exe

# shellcheck disable=SC1091
. scripts/virtual-display.sh
work=$(mktemp -d)
xvfb_pid=""
cleanup() {
  if [ -n "${WINEPREFIX:-}" ] && [ -n "$xvfb_pid" ]; then
    "$WINESERVER64" -k 2>/dev/null || true  # the prefix of this virtual display only
  fi
  [ -n "$xvfb_pid" ] && halverne_stop_pid "$xvfb_pid"
  rm -rf "$work"
}
trap cleanup EXIT

# Wine's drive Z: is the Unix root.
winepath_of() { local p; p=$(realpath -m "$1"); echo "Z:${p//\//\\}"; }
# The same with forward slashes, for paths inside a probe script (where a
# backslash starts an escape); Windows takes either.
probe_path() { echo "Z:$(realpath -m "$1")"; }

if [ -n "${DISPLAY:-}" ]; then
  # shellcheck disable=SC1091
  . scripts/wine-env.sh
  halverne_wine_prefix
  echo "opening Halverne under Wine on $DISPLAY"
  printf 'start\nwait-exit\n' >"$work/open.probe"
  if ! "$WINE64" "$probe" --exe "$(winepath_of "$program")" "$(winepath_of "$work/open.probe")" >"$work/out" 2>&1; then
    if grep -q 'no visible window' "$work/out"; then
      echo "Halverne.exe was built, but it shows no window yet: the main window is not there yet."
    else
      cat "$work/out"
    fi
    exit 1
  fi
  exit 0
fi

shot=$(realpath -m "${1:-$build/screenshot.png}")
mkdir -p "$(dirname "$shot")"
halverne_start_xvfb "$work/xvfb.log" || exit 1
xvfb_pid=$XVFB_PID
halverne_virtual_prefix
# shellcheck disable=SC1091
. scripts/wine-env.sh
halverne_wine_prefix
echo "virtual display $DISPLAY: opening Halverne, typing 1.75 and 70"

cat >"$work/shot.probe" <<PROBE
start
foreground
type "1.75"
key Tab
type "70"
text 编辑框3 "22.85714285714"
# the greeting half-way in, cut at the window's right edge
banner-at 200
window-rect
signal "$(probe_path "$work/ready")"
wait-file "$(probe_path "$work/taken")" 20000
close
exit-code 0
PROBE
"$WINE64" "$probe" --exe "$(winepath_of "$program")" "$(winepath_of "$work/shot.probe")" >"$work/out" 2>&1 &
probe_pid=$!
while [ ! -e "$work/ready" ] && kill -0 "$probe_pid" 2>/dev/null; do sleep 0.05; done
if [ -e "$work/ready" ]; then
  read -r x y w h < <(sed -n 's/^window_rect=//p' "$work/out")
  import -display "$DISPLAY" -window root -crop "${w}x${h}+${x}+${y}" +repage "$shot"
  touch "$work/taken"
fi
wait "$probe_pid"
status=$?
if [ $status -ne 0 ]; then
  if grep -q 'no visible window' "$work/out"; then
    echo "Halverne.exe was built, but it shows no window yet: the main window is not there yet."
  else
    echo "the calculator did not do what was expected:"
    grep -E '^(FAIL|exit code)' "$work/out"
  fi
  exit 1
fi
echo "screenshot of the calculator with 1.75 m and 70 kg: $shot"
