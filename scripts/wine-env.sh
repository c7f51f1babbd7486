# Sourced by the scripts that run Windows binaries under 64-bit Wine.
# The prefix lives outside the source tree and is made once, on first use.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX="${HALVERNE_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/halverne/wine64}"
export WINEARCH=win64
WINE64=/usr/lib/wine/wine64
WINESERVER64=/usr/lib/wine/wineserver64

halverne_wine_prefix() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.halverne-ready" ]; then
      rm -rf "$WINEPREFIX"
      "$WINE64" wineboot -i >/dev/null 2>&1 || true
      # Without a window manager an unmanaged window closes at once instead of
      # waiting about 2 s for a manager that never answers.
      "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
      "$WINESERVER64" -w
      touch "$WINEPREFIX/.halverne-ready"
    fi
  ) 9>"$(dirname "$WINEPREFIX")/.prefix.lock"
}
