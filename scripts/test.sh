#!/usr/bin/env bash
# make test: installs what is missing, builds both builds, runs the native
# tests, a short pass of every fuzz target, the Windows tests under Wine, the
# devserver and publishing tool tests, the end-to-end tests (the installer's
# among them) and the geometry tests again at 120 and 192 dpi, and closes with
# one line "N passed, M failed" over all of them.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
started=$(date +%s)
results="$root/build/results"
jobs=${JOBS:-$(nproc)}

scripts/setup.sh || exit 1
rm -rf "$results"
mkdir -p "$results"/{native,fuzz,windows,build,devserver,publish,e2e}

echo "== native build (portable core, sanitizers)"
cmake --preset native >/dev/null && cmake --build --preset native -j "$jobs" || { echo "native build failed"; exit 1; }
echo "== native tests"
scripts/run-tests.sh build/native "$results/native" native

echo "== fuzz pass (libFuzzer, a few seconds per target)"
scripts/fuzz.sh --ci "$results/fuzz/fuzz.counts"

echo "== windows build (mingw-w64)"
cmake --preset windows >/dev/null && cmake --build --preset windows -j "$jobs" || { echo "windows build failed"; exit 1; }

echo "== executables (import tables, ASLR, DEP)"
python3 scripts/unittest_counts.py tests/build "$results/build/build.counts"

source scripts/harness.sh

wine_env_start build/windows || exit 1
devserver_start 0 "$root/build/windows/devserver.port" || exit 1
echo "== devserver at $VORN2_DEVSERVER_URL"

echo "== windows tests (under Wine on $DISPLAY)"
scripts/run-tests.sh build/windows "$results/windows" wine

echo "== devserver tests"
python3 scripts/unittest_counts.py tests/devserver "$results/devserver/devserver.counts"

echo "== publishing tool tests"
python3 scripts/unittest_counts.py tests/publish "$results/publish/publish.counts"

echo "== end-to-end tests"
tests/e2e/run.sh "$results/e2e/e2e.counts"

# The geometry tests once more on screens of 120 and 192 dpi: a Wine prefix
# of their own each (made on the first run), a screen large enough for the
# windows at 200 %.
wine_env_stop
for dpi in 120 192; do
  echo "== windows geometry tests at $dpi dpi"
  out="$results/windows-dpi$dpi"
  mkdir -p "$out"
  VORN2_XVFB_SCREEN=3840x2160x24 wine_env_start build/windows "$dpi" || {
    echo "no Wine environment at $dpi dpi" >"$out/wine.missing"
    continue
  }
  exe=build/windows/tests/win/dpi/win_dpi_tests.exe
  report="$out/win_dpi_tests.xml"
  (cd "$(dirname "$exe")" && VORN2_EXPECT_DPI=$dpi timeout 300 "$WINE" "$(basename "$exe")" \
    --gtest_output="xml:$(winepath_w "$report")") >"$out/win_dpi_tests.log" 2>&1 </dev/null
  grep -E '^\[  (PASSED|FAILED) +\]' "$out/win_dpi_tests.log"
  [ -s "$report" ] || echo "win_dpi_tests at $dpi dpi: no report; see $out/win_dpi_tests.log" >"$out/win_dpi_tests.missing"
  wine_env_stop
done

echo "== summary (make test took $(( $(date +%s) - started )) s)"
python3 scripts/summarize.py "$results"
