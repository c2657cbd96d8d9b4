#!/usr/bin/env bash
# make bench: the benchmarks, under Wine against the local devserver. Each
# program prints its own numbers; the figures they mark as "metric" lines end
# up in one table at the end and in build/bench/results.json (the run before
# is kept beside it as results.previous.json). Nothing passes or fails on them.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/setup.sh || exit 1
cmake --preset windows >/dev/null && cmake --build --preset windows -j "$(nproc)" || { echo "build failed"; exit 1; }

out="$root/build/bench"
mkdir -p "$out"
source scripts/harness.sh
wine_env_start build/windows || exit 1
port=${VORN2_DEVSERVER_PORT:-18080}
# The demo client's update check goes to its baked-in port, so prefer it.
if (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null; then
  echo "port $port is taken: the client's start-up update check talks to whatever listens there"
  port=0
fi
devserver_start "$port" "$root/build/windows/bench-devserver.port" || exit 1

metrics="$out/metrics.txt"
: >"$metrics"
# Runs a program under Wine: its metric lines go to the table, the rest to the console.
run() {
  "$WINE" "$@" | tee -a "$metrics" | grep -v '^metric '
}

b=build/windows/bench
echo "== start-up to the first window"
run "$b/startup/bench_startup.exe" "$root/build/windows/src/app/vorn2.exe" "$root/$b/startup/bare_window.exe" \
  "$root/$b/startup/bare_browser_window.exe" 11
echo "== the client's start-up, step by step (5 runs; the last shown)"
for i in 1 2 3 4 5; do
  "$WINE" "$b/startup/bench_startup_steps.exe" >"$out/steps.txt"
  grep '^metric ' "$out/steps.txt" >>"$metrics"
done
grep -v '^metric ' "$out/steps.txt"

echo "== tab strip drawing"
run "$b/tabs/bench_tabs.exe"

echo "== download throughput (200 MB)"
run "$b/download/bench_download.exe"
start=$(date +%s.%N)
bytes=$(curl -s -o /dev/null -w '%{size_download}' "$VORN2_DEVSERVER_URL/bytes/209715200")
end=$(date +%s.%N)
python3 -c "import sys; b=float(sys.argv[1]); t=float(sys.argv[3])-float(sys.argv[2]); r=b/1048576/t
print(f'curl (native): {r:.1f} MB/s ({b:.0f} bytes in {t:.2f} s)'); print(f'metric download.curl_mb_s {r:.1f}')" \
  "$bytes" "$start" "$end" | tee -a "$metrics" | grep -v '^metric '

echo "== version file signature check (median of 100)"
curl -sf -X PUT --data-binary "@$b/update/bench_update.exe" "$VORN2_DEVSERVER_URL/__admin/release?version=9.9.9" \
  >"$out/signed-update.txt"
run "$b/update/bench_update.exe" "$(winepath_w "$out/signed-update.txt")"
curl -sf -X POST "$VORN2_DEVSERVER_URL/__admin/reset" >/dev/null

for extra in "$b"/*/; do
  name=$(basename "$extra")
  case "$name" in startup|tabs|download|update) continue ;; esac
  for exe in "$extra"/bench_*.exe; do
    [ -f "$exe" ] || continue
    case "$(basename "$exe")" in bench_dde_client.exe) continue ;; esac  # driven by bench_mainwindow
    echo "== $name: $(basename "$exe" .exe)"
    run "$exe"
  done
done

# Everything started is stopped before the table, which is the last thing printed.
harness_stop
python3 bench/bench_table.py "$metrics" "$out"
