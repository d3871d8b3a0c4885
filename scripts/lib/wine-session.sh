# Sourced by the scripts: a throwaway 32-bit Wine prefix on a private X
# display, kept warm by a persistent Wine server.
#   wine_session_start PREFIX_DIR   creates the prefix and exports the
#                                   environment (DISPLAY, WINEPREFIX, ...);
#                                   with WINE_SESSION_ARCH=win64 a 64-bit
#                                   prefix, where 32-bit programs run under
#                                   WOW64 (Debian's wine64 package)
#   wine_session_stop               stops the server and the display
#   wine_session_use_locale NAME DIR
#                                   builds the locale NAME (e.g. zh_TW.UTF-8)
#                                   into DIR and selects it; a prefix created
#                                   afterwards takes its ANSI code page from it

WINE_SESSION_XVFB_PID=""

wine_session_start() {
  local prefix="$1"
  export WINEARCH="${WINE_SESSION_ARCH:-win32}" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEPREFIX="$prefix"

  # With WINE_SESSION_USER_DISPLAY=1 and a DISPLAY set, the session shows its
  # windows on that display (the user's own) instead of a private Xvfb one.
  local userDisplay=0
  if [ "${WINE_SESSION_USER_DISPLAY:-0}" = 1 ] && [ -n "${DISPLAY:-}" ]; then userDisplay=1; fi

  # The display must exist before the Wine server starts. Xvfb picks a free
  # display number itself and writes it to the given descriptor.
  if [ $userDisplay = 0 ]; then
    local numberFile
    numberFile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$numberFile" >/dev/null 2>&1 &
    WINE_SESSION_XVFB_PID=$!
    local tries=0
    until [ -s "$numberFile" ]; do
      sleep 0.1; tries=$((tries + 1))
      if [ $tries -gt 100 ]; then echo "Xvfb did not start" >&2; rm -f "$numberFile"; return 1; fi
    done
    export DISPLAY=":$(head -n1 "$numberFile")"
    rm -f "$numberFile"
  fi

  rm -rf "$prefix"
  mkdir -p "$(dirname "$prefix")"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
  # The caption buttons are drawn with Marlett (Debian's fonts-wine), which
  # Debian's Wine does not put into new prefixes: without it the close button
  # shows as "r".
  if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
    cp /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
  fi

  # A virtual desktop makes dialogs appear at once instead of after a window
  # manager timeout; the font links let the captions' Chinese characters render.
  local link='wqy-microhei.ttc,WenQuanYi Micro Hei'
  if [ $userDisplay = 0 ]; then
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 800x600 /f >/dev/null 2>&1
  fi
  local face
  for face in 'Tahoma' 'MS Shell Dlg' 'MS Shell Dlg 2' 'Microsoft Sans Serif' 'MS Sans Serif'; do
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
      /v "$face" /t REG_MULTI_SZ /d "$link" /f >/dev/null 2>&1
  done
  wineserver -k || true
  wineserver -w || true

  # Without a persistent server every test process pays a full Wine start.
  wineserver -p60
  wine cmd /c exit >/dev/null 2>&1 || true
}

wine_session_stop() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$WINE_SESSION_XVFB_PID" ]; then
    kill "$WINE_SESSION_XVFB_PID" >/dev/null 2>&1 || true
    wait "$WINE_SESSION_XVFB_PID" 2>/dev/null || true
    WINE_SESSION_XVFB_PID=""
  fi
}

wine_session_use_locale() {
  local name="$1" folder="$2"
  if [ ! -d "$folder/$name" ]; then
    mkdir -p "$folder"
    # localedef reports harmless warnings through its exit status.
    localedef -i "${name%%.*}" -f "${name#*.}" "$folder/$name" >/dev/null 2>&1 || true
  fi
  if [ ! -d "$folder/$name" ]; then echo "cannot build the locale $name" >&2; return 1; fi
  export LOCPATH="$folder" LC_ALL="$name"
}
