#!/usr/bin/env bash
# make test: installs what is missing, builds both builds, runs the native
# tests, a short pass of every fuzz target, the Windows tests under Wine, the
# devserver and publishing tool tests and the end-to-end tests (the installer's
# among them), and closes with one line "N passed, M failed" over all of them.
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

source scripts/wine-env.sh
source scripts/devserver.sh
cleanup() {
  devserver_stop
  wine_env_stop
}
trap cleanup EXIT INT TERM

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

echo "== summary (make test took $(( $(date +%s) - started )) s)"
python3 scripts/summarize.py "$results"
