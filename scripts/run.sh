#!/usr/bin/env bash
# make run: builds the demo client (all servers at the local devserver),
# starts the devserver and runs the client under Wine. Where Wine has its
# HTML engine (wine-gecko) that is vorn2.exe; without one it is
# vorn2-standin.exe, the same program with pages drawn by a plain stand-in.
# On a desktop (DISPLAY set) the client runs until the player closes it;
# without one it runs under Xvfb for RUN_SECONDS, follows the login page's
# start link once, saves a screenshot to build/run.png and stops everything.
# While it runs, `make open URL=...` sends it a DDE execute (scripts/open.sh).
#
# VORN2_RUN_PAGES=engine|standin chooses instead of the engine check.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
port=${VORN2_DEVSERVER_PORT:-18080}
seconds=${RUN_SECONDS:-12}
started=$(date +%s)

scripts/setup.sh || exit 1
echo "== building the demo client"
cmake --preset windows >/dev/null &&
  cmake --build --preset windows -j "$(nproc)" --target vorn2 vorn2-standin wine_keepalive dde_test_client ||
  { echo "build failed"; exit 1; }

source scripts/wine-env.sh
devserver_pid=""
client_pid=""
state="$root/build/windows/run.env"
cleanup() {
  rm -f "$state"
  [ -n "$client_pid" ] && kill "$client_pid" 2>/dev/null
  [ -n "$devserver_pid" ] && kill "$devserver_pid" 2>/dev/null
  wine_env_stop
}
trap cleanup EXIT INT TERM

headless=1
[ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1 && headless=0
if [ $headless -eq 1 ]; then
  wine_env_start build/windows || exit 1
else
  # The user's own display: only the prefix and the Wine settings.
  saved_display=$DISPLAY
  wine_env_start build/windows || exit 1
  kill "$(cat "$WINE_ENV_STATE/xvfb.pid")" 2>/dev/null; rm -f "$WINE_ENV_STATE/xvfb.pid"
  export DISPLAY=$saved_display
fi

# Wine's HTML engine (wine-gecko): its library in the prefix or in Wine's own
# folders, or its installer where Wine looks for one. (Wine makes an empty
# gecko folder with a plugin in every prefix; that alone is no engine.)
engine_files() {
  local d found
  for d in "$WINEPREFIX/drive_c/windows/system32/gecko" "$WINEPREFIX/drive_c/windows/syswow64/gecko" \
           /usr/share/wine/gecko /usr/lib/wine/gecko /usr/lib/x86_64-linux-gnu/wine/gecko /opt/wine/gecko \
           "${XDG_CACHE_HOME:-$HOME/.cache}/wine"; do
    [ -d "$d" ] || continue
    found=$(find "$d" -maxdepth 4 \( -iname xul.dll -o -iname 'wine?gecko*.msi' \) -print -quit 2>/dev/null)
    [ -n "$found" ] && { echo "$found"; return 0; }
  done
  return 1
}
case "${VORN2_RUN_PAGES:-}" in
  engine) engine="chosen by VORN2_RUN_PAGES" ;;
  standin) engine="" ;;
  *) engine=$(engine_files) ;;
esac
if [ -n "$engine" ]; then
  program=vorn2
  echo "== pages: Wine's HTML engine ($engine) draws them: running the demo vorn2.exe"
else
  program=vorn2-standin
  echo "== pages: drawn by a plain stand-in, because no HTML engine is installed in Wine here: running vorn2-standin.exe"
fi

if (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null; then
  echo "== port $port is taken; using the server already there"
else
  python3 tools/devserver/devserver.py --port "$port" --quiet &
  devserver_pid=$!
  for i in $(seq 1 50); do (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null && break; sleep 0.1; done
  echo "== devserver on http://127.0.0.1:$port (pid $devserver_pid)"
fi

if [ $headless -eq 1 ] && [ $program = vorn2-standin ]; then
  export VORN2_STANDIN_FOLLOW_START_MS=1500
  echo "== no display: the login page's start link is followed once, 1.5 s after the login pair has shown (the only automatic step)"
fi
echo "== starting $program.exe on $DISPLAY"
"$WINE" "$root/build/windows/src/app/$program.exe" "$@" &
client_pid=$!
printf 'DISPLAY=%q\nWINEPREFIX=%q\nSERVICE=%q\n' "$DISPLAY" "$WINEPREFIX" "$program" >"$state"
if [ $headless -eq 1 ]; then
  sleep "$seconds"
  import -window root "$root/build/run.png" && echo "== screenshot: build/run.png"
  kill "$client_pid" 2>/dev/null
else
  echo "== make open URL=... opens a page in it by DDE; close the game window to end"
  wait "$client_pid"
fi
client_pid=""
echo "== make run took $(( $(date +%s) - started )) s"
