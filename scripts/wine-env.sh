#!/usr/bin/env bash
# Wine test environment, sourced by the test, run and bench scripts:
#   wine_env_start <build dir> [dpi]
#                                Xvfb on a free display, a private prefix in
#                                <build dir>/wineprefix (made once, reused),
#                                Managed=N, fonts, keep-alive program. With a
#                                dpi other than 96 the prefix is
#                                <build dir>/wineprefix-dpi<dpi>, whose screen
#                                has that many dots per inch (LogPixels).
#                                VORN2_XVFB_SCREEN sets the screen (default
#                                1280x1024x24; Wine keeps windows within it)
#                                VORN2_WINE_ENV=<name>: a prefix and state of
#                                their own (wineprefix-<name>, wine-env-<name>),
#                                for a run beside another one on the same build
#   wine_env_stop                stops what wine_env_start started, by PID
# After start: DISPLAY, WINEPREFIX, WINEARCH, WINEDEBUG, WINEDLLOVERRIDES are
# exported and WINE is the loader to run programs with.

WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
[ -x "$WINESERVER" ] || WINESERVER=$(command -v wineserver)

_wine_env_log() { echo "wine-env: $*" >&2; }

_wine_env_free_display() {
  local n
  for n in $(seq 91 199); do
    if [ ! -e "/tmp/.X${n}-lock" ] && [ ! -e "/tmp/.X11-unix/X${n}" ]; then
      echo "$n"
      return 0
    fi
  done
  return 1
}

# Registry settings go in through a UTF-16 .reg file so that the Chinese font
# name survives whatever locale the shell has.
_wine_env_registry() {
  local reg="$WINEPREFIX/vorn2-settings.reg"
  python3 - "$reg" <<'PY'
import sys
text = r'''Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
"Decorated"="N"

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Tahoma"="WenQuanYi Micro Hei"
"MS Shell Dlg"="WenQuanYi Micro Hei"
"MS Shell Dlg 2"="WenQuanYi Micro Hei"
"SimSun"="WenQuanYi Micro Hei"
"宋体"="WenQuanYi Micro Hei"
"Microsoft Sans Serif"="WenQuanYi Micro Hei"

[HKEY_CURRENT_USER\Software\Wine\DllOverrides]
"mscoree"=""
'''
# Window captions use a bold LOGFONT that the replacements above do not
# reach; name the Chinese face there directly (GB2312 charset).
import struct
def logfont(weight):
    face = "WenQuanYi Micro Hei".encode("utf-16-le")
    raw = struct.pack("<lllll", -11, 0, 0, 0, weight) + bytes([0, 0, 0, 134, 0, 0, 0, 0x22])
    return ",".join("%02x" % b for b in raw + face + bytes(64 - len(face)))
text += "\n[HKEY_CURRENT_USER\\Control Panel\\Desktop\\WindowMetrics]\n"
text += '"CaptionFont"=hex:%s\n"SmCaptionFont"=hex:%s\n' % (logfont(700), logfont(400))
with open(sys.argv[1], "w", encoding="utf-16") as f:
    f.write(text.replace("\n", "\r\n"))
PY
  "$WINE" regedit /S "$(winepath_w "$reg")" >/dev/null 2>&1
}

winepath_w() { echo "Z:$(echo "$1" | sed 's|/|\\|g')"; }

wine_env_start() {
  local build="${1:?build dir}" dpi="${2:-96}"
  build=$(cd "$build" && pwd)
  local own=${VORN2_WINE_ENV:+-$VORN2_WINE_ENV}
  local prefix="$build/wineprefix$own"
  [ "$dpi" = 96 ] || prefix="$build/wineprefix$own-dpi$dpi"
  # winemenubuilder off: shortcuts made in the prefix stay out of the desktop's menus.
  export WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;winemenubuilder.exe=d"
  WINE_ENV_STATE="$build/wine-env$own"
  [ "$dpi" = 96 ] || WINE_ENV_STATE="$build/wine-env$own-dpi$dpi"
  mkdir -p "$WINE_ENV_STATE"

  local display
  display=$(_wine_env_free_display) || { _wine_env_log "no free X display"; return 1; }
  Xvfb ":$display" -screen 0 "${VORN2_XVFB_SCREEN:-1280x1024x24}" -nolisten tcp >"$WINE_ENV_STATE/xvfb.log" 2>&1 &
  echo $! >"$WINE_ENV_STATE/xvfb.pid"
  export DISPLAY=":$display"
  local i
  for i in $(seq 1 100); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
  done
  xdpyinfo >/dev/null 2>&1 || { _wine_env_log "Xvfb did not start on $DISPLAY"; return 1; }
  _wine_env_log "Xvfb on $DISPLAY (pid $(cat "$WINE_ENV_STATE/xvfb.pid"))"

  mkdir -p "$WINEPREFIX"
  # The server keeps the error output it was started with and lists its
  # internal objects there when it is stopped: a log, not the console.
  "$WINESERVER" -p 2>>"$WINE_ENV_STATE/wineserver.log"
  if [ ! -f "$WINEPREFIX/.vorn2-ready" ]; then
    _wine_env_log "creating prefix $WINEPREFIX"
    "$WINE" wineboot -i >/dev/null 2>&1
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    _wine_env_registry
    if [ "$dpi" != 96 ]; then
      "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
      # The screen's dpi is read when the server starts.
      "$WINESERVER" -k >/dev/null 2>&1
      "$WINESERVER" -w >/dev/null 2>&1
      "$WINESERVER" -p 2>>"$WINE_ENV_STATE/wineserver.log"
    fi
    touch "$WINEPREFIX/.vorn2-ready"
  fi

  # Wine links the prefix's Desktop to $HOME; desktop shortcuts made by tests
  # belong in the prefix.
  local desktop="$WINEPREFIX/drive_c/users/$(id -un)/Desktop"
  if [ -L "$desktop" ]; then
    rm -f "$desktop" && mkdir -p "$desktop"
  fi

  # Without a Wine program alive, the Wine desktop exits between test
  # programs and the next one pays seconds to start it again.
  local keepalive="$build/tests/win/support/wine_keepalive.exe"
  if [ -f "$keepalive" ]; then
    "$WINE" "$keepalive" >/dev/null 2>&1 &
    echo $! >"$WINE_ENV_STATE/keepalive.pid"
  fi
  export WINE
}

wine_env_stop() {
  [ -n "${WINE_ENV_STATE:-}" ] || return 0
  local f
  local pid i
  for f in keepalive xvfb; do
    if [ -f "$WINE_ENV_STATE/$f.pid" ]; then
      pid=$(cat "$WINE_ENV_STATE/$f.pid")
      kill "$pid" 2>/dev/null || true
      rm -f "$WINE_ENV_STATE/$f.pid"
      # Gone before the display can be taken again (the next start may pick it).
      for i in $(seq 1 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
      done
    fi
    [ "$f" = keepalive ] && "$WINESERVER" -k >/dev/null 2>&1 || true
  done
  unset WINE_ENV_STATE
}
