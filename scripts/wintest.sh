#!/usr/bin/env bash
# make wintest T=<test program> [F=<gtest filter>] [DPI=<dpi>]: builds one
# Windows test program and runs it under Wine with the harness of make test
# (Xvfb, the private prefix, the keep-alive program, the devserver), then
# stops everything it started. First aid for a failing test:
#   make wintest T=win_updater_tests F='Updater.*'
# With TRACE=1 the program's failure traces ("vorn2: <file>(<line>): ...")
# are printed too (Wine writes OutputDebugString to its "seh" channel).
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
target=${1:?usage: wintest.sh <test program> [gtest filter] [dpi]}
filter=${2:-*}
dpi=${3:-96}

scripts/setup.sh >/dev/null || exit 1
cmake --preset windows >/dev/null && cmake --build --preset windows -j "${JOBS:-2}" --target "$target" || exit 1
exe=$(find build/windows/tests build/windows/bench -name "$target.exe" 2>/dev/null | head -n 1)
[ -n "$exe" ] || { echo "no test program $target.exe in build/windows"; exit 1; }

source scripts/harness.sh
if [ "$dpi" = 96 ]; then wine_env_start build/windows || exit 1
else VORN2_XVFB_SCREEN=3840x2160x24 wine_env_start build/windows "$dpi" || exit 1; fi
devserver_start 0 "$root/build/windows/devserver-wintest.port" || exit 1
echo "== $target --gtest_filter=$filter (Wine on $DISPLAY, devserver at $VORN2_DEVSERVER_URL)"
debug=$WINEDEBUG
[ "${TRACE:-0}" = 1 ] && debug=warn+seh
(cd "$(dirname "$exe")" && VORN2_EXPECT_DPI=$dpi WINEDEBUG=$debug timeout 900 "$WINE" "$(basename "$exe")" --gtest_filter="$filter" </dev/null)
