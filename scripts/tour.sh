#!/usr/bin/env bash
# make tour: the whole run of the client, stage by stage, with the tour build
# (vorn2-tour.exe: the product's windows, stand-in pages that fetch the
# devserver's pages). Runs on your DISPLAY, or under Xvfb without one; saves a
# screenshot per stage and a contact sheet to build/tour/.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
start=$(date +%s)
scripts/setup.sh || exit 1
echo "== building the tour build"
cmake --preset windows >/dev/null &&
  cmake --build --preset windows -j "$(nproc)" --target vorn2-tour dde_test_client wine_keepalive ||
  { echo "build failed"; exit 1; }

source scripts/harness.sh

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  saved_display=$DISPLAY
  wine_env_start build/windows || exit 1
  kill "$(cat "$WINE_ENV_STATE/xvfb.pid")" 2>/dev/null; rm -f "$WINE_ENV_STATE/xvfb.pid"
  export DISPLAY=$saved_display
else
  wine_env_start build/windows || exit 1
fi

devserver_start_demo tour || exit 1
echo "== the tour on $DISPLAY"
rm -rf build/tour
PYTHONPATH=tests/e2e python3 -c '
import sys, tour
code = tour.walk(sys.argv[1])
print(f"tour: the client ended with exit code {code}")
sys.exit(0 if code == 0 else 1)' "$root/build/tour"
status=$?
echo "== contact sheet: build/tour/tour.png ($(ls build/tour/*.png 2>/dev/null | wc -l) pictures)"
echo "== make tour took $(( $(date +%s) - start )) s"
exit $status
