#!/usr/bin/env bash
# End-to-end tests: the demo vorn2.exe under Wine, driven from outside with
# xdotool and screenshots. Expects the environment of scripts/test.sh
# (DISPLAY, WINEPREFIX, WINE) and writes per-test lines to $1.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
python3 "$here/../../scripts/unittest_counts.py" "$here" "$1"
