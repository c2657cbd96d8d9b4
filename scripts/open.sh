#!/usr/bin/env bash
# make open URL=...: sends the client that `make run` started the DDE
# execute other programs send (topic "WebGameDDE"), so the page opens in a tab.
set -uo pipefail
cd "$(dirname "$0")/.."
url=${1:-}
[ -n "$url" ] || { echo "usage: make open URL=http://127.0.0.1:18080/game/news.php?id=1"; exit 2; }
state=build/windows/run.env
[ -f "$state" ] || { echo "open: no client of make run is running"; exit 1; }
source "$state"
export DISPLAY WINEPREFIX WINEARCH=win64 WINEDEBUG=-all
source scripts/wine-env.sh
client=build/windows/tests/win/framework/dde_test_client.exe
"$WINE" "$client" ddeml-w "$SERVICE" WebGameDDE "$url"
case $? in
  0) echo "open: $SERVICE took $url" ;;
  1) echo "open: $SERVICE refused $url"; exit 1 ;;
  2) echo "open: no $SERVICE answered on WebGameDDE (is the game window open?)"; exit 1 ;;
  *) echo "open: the DDE client failed"; exit 1 ;;
esac
