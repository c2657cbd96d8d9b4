#!/usr/bin/env bash
# make soak: the tour build driven by weighted random operations of a printed
# seed, checked step by step (tests/e2e/soak.py). SOAK_OPS sets the length
# (default 2000), SOAK_SEED repeats a run. Screenshots every few hundred
# steps and the seed of a failure go to build/soak/.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
start=$(date +%s)
scripts/setup.sh || exit 1
echo "== building the tour build"
cmake --preset windows >/dev/null &&
  cmake --build --preset windows -j "$(nproc)" --target vorn2-tour dde_test_client soak_probe wine_keepalive ||
  { echo "build failed"; exit 1; }

source scripts/wine-env.sh
devserver_pid=""
cleanup() {
  [ -n "$devserver_pid" ] && kill "$devserver_pid" 2>/dev/null
  wine_env_stop
}
trap cleanup EXIT INT TERM
wine_env_start build/windows || exit 1

port=18080
if (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null; then
  echo "soak: port $port is taken; the tour build talks to the devserver there"; exit 1
fi
python3 tools/devserver/devserver.py --port "$port" --quiet &
devserver_pid=$!
for i in $(seq 1 50); do (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null && break; sleep 0.1; done
echo "== the soak on $DISPLAY"
rm -f build/soak/*.png
PYTHONPATH=tests/e2e python3 tests/e2e/soak.py "$root/build/soak"
status=$?
echo "== screenshots: build/soak/ ($(ls build/soak/*.png 2>/dev/null | wc -l) pictures)"
echo "== make soak took $(( $(date +%s) - start )) s"
exit $status
