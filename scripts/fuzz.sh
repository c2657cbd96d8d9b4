#!/usr/bin/env bash
# Builds the libFuzzer targets (preset fuzz: clang, AddressSanitizer, UBSan)
# and runs each one in turn, then prints per target: seconds, executions,
# executions per second, coverage (edges and features), corpus size and peak
# memory.
#   scripts/fuzz.sh                  make fuzz: FUZZ_SECONDS (default 60) per
#                                    target; the grown corpus is kept in
#                                    build/fuzz/corpus/<target>
#   scripts/fuzz.sh --ci <counts>    make test: FUZZ_CI_SECONDS (default 2) per
#                                    target from the seeds only; one line
#                                    "pass|fail fuzz <target>" each into <counts>
# FUZZ_TARGETS="a b" runs only those. A crash, leak, timeout or memory bound
# overrun fails the target; its input is saved in build/fuzz/artifacts/<target>/.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
mode=long
counts=""
if [ "${1:-}" = "--ci" ]; then
  mode=ci
  counts=${2:?"--ci needs a counts file"}
  mkdir -p "$(dirname "$counts")"
  : >"$counts"
fi
seconds=${FUZZ_SECONDS:-60}
[ "$mode" = ci ] && seconds=${FUZZ_CI_SECONDS:-2}
jobs=${JOBS:-$(nproc)}

fail_all() {
  echo "fuzz: $1"
  [ -n "$counts" ] && echo "fail fuzz build ($1)" >>"$counts"
  exit 1
}

[ "$mode" = ci ] || scripts/setup.sh || exit 1
cmake --preset fuzz >/dev/null || fail_all "configure failed"
cmake --build --preset fuzz -j "$jobs" >build/fuzz-build.log 2>&1 || { tail -n 30 build/fuzz-build.log; fail_all "build failed (build/fuzz-build.log)"; }
bin="$root/build/fuzz/tests/fuzz"
targets=${FUZZ_TARGETS:-$(cat "$bin/targets.txt")}

# Limits: one input may take 10 s, 256 MB in one allocation, 1 GB in all;
# each target also checks its own bound per input byte (FuzzSupport.h).
options=(-max_total_time="$seconds" -timeout=10 -malloc_limit_mb=256 -rss_limit_mb=1024 -max_len=4096
         -print_final_stats=1)

final_stat() { sed -n "s/^stat::$1: *//p" "$2" | tail -n 1; }

status=0
table=()
for t in $targets; do
  seeds="$root/tests/fuzz/corpus/$t"
  work="$root/build/fuzz/corpus/$t"
  [ "$mode" = ci ] && work="$root/build/fuzz/ci-corpus/$t" && rm -rf "$work"
  artifacts="$root/build/fuzz/artifacts/$t"
  log="$root/build/fuzz/$t.log"
  mkdir -p "$work" "$artifacts" "$seeds"
  echo "== fuzz $t (${seconds} s)"
  # New inputs go to the working corpus; the seeds are only read.
  (cd "$artifacts" && "$bin/$t" "${options[@]}" -artifact_prefix="$artifacts/" "$work" "$seeds") >"$log" 2>&1
  rc=$?
  last=$(grep -E '^#[0-9]+' "$log" | tail -n 1)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  corp=$(sed -n 's/.* corp: \([0-9]*\).*/\1/p' <<<"$last")
  row=$(printf '%-20s %6s %12s %9s %7s %7s %7s %7s' "$t" "$seconds" "$(final_stat number_of_executed_units "$log")" \
        "$(final_stat average_exec_per_sec "$log")" "${cov:-?}" "${ft:-?}" "${corp:-?}" "$(final_stat peak_rss_mb "$log")")
  if [ $rc -eq 0 ]; then
    table+=("$row  ok")
    [ -n "$counts" ] && echo "pass fuzz $t" >>"$counts"
  else
    status=1
    table+=("$row  FAILED")
    grep -E 'check failed|ERROR:|runtime error|memory bound|SUMMARY' "$log" | head -n 5
    echo "   input kept in $artifacts/ (log $log)"
    [ -n "$counts" ] && echo "fail fuzz $t (see $log)" >>"$counts"
  fi
done

printf '%-20s %6s %12s %9s %7s %7s %7s %7s\n' target s execs exec/s cov ft corpus rss_mb
printf '%s\n' "${table[@]}"
exit $status
