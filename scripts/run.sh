#!/usr/bin/env bash
# make run: builds the demo client (all servers at the local devserver),
# starts the devserver and runs vorn2.exe under Wine. On a desktop (DISPLAY
# set) the client runs until it ends; without one it runs under Xvfb for a
# few seconds, a screenshot is saved to build/run.png, and everything stops.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
port=${VORN2_DEVSERVER_PORT:-18080}
seconds=${RUN_SECONDS:-8}

scripts/setup.sh || exit 1
echo "== building the demo client"
cmake --preset windows >/dev/null && cmake --build --preset windows -j "$(nproc)" --target vorn2 wine_keepalive ||
  { echo "build failed"; exit 1; }

source scripts/wine-env.sh
devserver_pid=""
client_pid=""
cleanup() {
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

if (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null; then
  echo "== port $port is taken; using the server already there"
else
  python3 tools/devserver/devserver.py --port "$port" --quiet &
  devserver_pid=$!
  for i in $(seq 1 50); do (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null && break; sleep 0.1; done
  echo "== devserver on http://127.0.0.1:$port (pid $devserver_pid)"
fi

echo "== starting vorn2.exe on $DISPLAY"
"$WINE" "$root/build/windows/src/app/vorn2.exe" "$@" &
client_pid=$!
if [ $headless -eq 1 ]; then
  sleep "$seconds"
  import -window root "$root/build/run.png" && echo "== screenshot: build/run.png"
  kill "$client_pid" 2>/dev/null
else
  wait "$client_pid"
fi
client_pid=""
