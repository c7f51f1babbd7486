# Sourced by the scripts that run Windows binaries under 64-bit Wine.
# The prefix lives outside the source tree and is made once, on first use.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX="${HALVERNE_WINEPREFIX:-${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/halverne/wine64}"
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
    # Fonts, in a step of its own so that prefixes made before it get it too.
    if [ ! -f "$WINEPREFIX/.halverne-fonts-2" ]; then
      # Debian's Wine does not load the fonts of its data directory; from the
      # Windows font folder it does: Marlett draws the caption buttons (else
      # they show as "0 1 r"), Tahoma is what the default GUI font stands for.
      if [ -d /usr/share/wine/fonts ]; then
        cp -f /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
      fi
      # Tahoma has no Chinese characters; Wine links it to SimSun (among
      # others) for them, which it does not have: WenQuanYi Micro Hei stands in.
      "$WINE64" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v SimSun /t REG_SZ \
        /d "WenQuanYi Micro Hei" /f >/dev/null 2>&1
      # The bold caption font does not get that link: captions of message
      # boxes ("信息：") would show empty boxes. Captions in SimSun, as on a
      # Chinese Windows: a LOGFONTW of 92 bytes, 11 pixels high, bold,
      # DEFAULT_CHARSET, the face name in UTF-16LE padded with zeros.
      logfont=f5ffffff000000000000000000000000bc020000  # height -11, weight 700
      logfont+=0000000100000022                         # charset 1, pitch and family 0x22
      logfont+=530069006d00530075006e00                 # "SimSun"
      logfont+=$(printf '0%.0s' $(seq 104))
      "$WINE64" reg add 'HKCU\Control Panel\Desktop\WindowMetrics' /v CaptionFont /t REG_BINARY \
        /d "$logfont" /f >/dev/null 2>&1
      "$WINESERVER64" -w
      touch "$WINEPREFIX/.halverne-fonts-2"
    fi
  ) 9>"$(dirname "$WINEPREFIX")/.prefix.lock"
}
