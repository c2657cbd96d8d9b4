#!/usr/bin/env bash
# make bench: the benchmarks, under Wine against the local devserver. Each
# program prints its own numbers; nothing here passes or fails on them.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/setup.sh || exit 1
cmake --preset windows >/dev/null && cmake --build --preset windows -j "$(nproc)" || { echo "build failed"; exit 1; }

source scripts/wine-env.sh
source scripts/devserver.sh
cleanup() {
  devserver_stop
  wine_env_stop
}
trap cleanup EXIT INT TERM
wine_env_start build/windows || exit 1
port=${VORN2_DEVSERVER_PORT:-18080}
# The demo client's update check goes to its baked-in port, so prefer it.
if (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null; then port=0; fi
devserver_start "$port" "$root/build/windows/bench-devserver.port" || exit 1

b=build/windows/bench
echo "== start-up to splash"
"$WINE" "$b/startup/bench_startup.exe" "$root/build/windows/src/app/vorn2.exe" "$root/$b/startup/bare_window.exe" 5

if [ -f "$b/tabs/bench_tabs.exe" ]; then
  echo "== tab strip drawing"
  "$WINE" "$b/tabs/bench_tabs.exe"
fi

if [ -f "$b/download/bench_download.exe" ]; then
  echo "== download throughput (200 MB)"
  "$WINE" "$b/download/bench_download.exe"
  start=$(date +%s.%N)
  bytes=$(curl -s -o /dev/null -w '%{size_download}' "$VORN2_DEVSERVER_URL/bytes/209715200")
  end=$(date +%s.%N)
  python3 -c "import sys; b=float(sys.argv[1]); t=float(sys.argv[3])-float(sys.argv[2]); print(f'curl (native): {b/1048576/t:.1f} MB/s ({b:.0f} bytes in {t:.2f} s)')" "$bytes" "$start" "$end"
fi

for extra in "$b"/*/; do
  name=$(basename "$extra")
  case "$name" in startup|tabs|download) continue ;; esac
  for exe in "$extra"/bench_*.exe; do
    [ -f "$exe" ] || continue
    echo "== $name"
    "$WINE" "$exe"
  done
done
