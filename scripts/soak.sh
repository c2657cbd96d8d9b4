#!/usr/bin/env bash
# make soak: the tour build driven by weighted random operations of a printed
# seed, checked step by step (tests/e2e/soak.py). SOAK_OPS sets the length
# (default 2000), SOAK_SEED repeats a run, SOAK_TRACE=1 prints every step.
# Screenshots every few hundred steps and the seed of a failure go to
# build/soak/.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
start=$(date +%s)
scripts/setup.sh || exit 1
echo "== building the tour build"
cmake --preset windows >/dev/null &&
  cmake --build --preset windows -j "$(nproc)" --target vorn2-tour dde_test_client soak_probe wine_keepalive ||
  { echo "build failed"; exit 1; }

source scripts/harness.sh
wine_env_start build/windows || exit 1

devserver_start_demo soak || exit 1
echo "== the soak on $DISPLAY"
rm -f build/soak/*.png
PYTHONPATH=tests/e2e python3 tests/e2e/soak.py "$root/build/soak"
status=$?
echo "== screenshots: build/soak/ ($(ls build/soak/*.png 2>/dev/null | wc -l) pictures)"
echo "== make soak took $(( $(date +%s) - start )) s"
exit $status
