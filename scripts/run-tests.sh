#!/usr/bin/env bash
# Runs every test program of a build and writes one GoogleTest XML report
# per program into a results folder. A program that dies without a report
# is recorded as a failure.
#   run-tests.sh <build dir> <results dir> [wine]
set -uo pipefail
build=$(cd "$1" && pwd)
mkdir -p "$2"; results=$(cd "$2" && pwd)
mode=${3:-native}
mkdir -p "$results"
status=0
list=$(cd "$build" && ctest -N 2>/dev/null | sed -n 's/^ *Test *#[0-9]*: //p')
for name in $list; do
  exe=$(find "$build/tests" -name "$name" -o -name "$name.exe" | head -n 1)
  [ -n "$exe" ] || { echo "no program for $name" >"$results/$name.missing"; status=1; continue; }
  report="$results/$name.xml"
  rm -f "$report" "$results/$name.missing"
  echo "== $name"
  start=$(date +%s)
  if [ "$mode" = wine ]; then
    winreport="Z:$(echo "$report" | sed 's|/|\\|g')"
    (cd "$(dirname "$exe")" && timeout 900 "$WINE" "$exe" --gtest_output="xml:$winreport") >"$results/$name.log" 2>&1
  else
    (cd "$(dirname "$exe")" && timeout 900 "$exe" --gtest_output="xml:$report") >"$results/$name.log" 2>&1
  fi
  rc=$?
  grep -E '^\[  (PASSED|FAILED) +\]|^\[  FAILED  \]' "$results/$name.log" | head -n 20
  # What a failed test said, so a run on another machine can be read without its files.
  grep -E -A6 ': Failure$' "$results/$name.log" | head -n 60
  echo "   ($(( $(date +%s) - start )) s, exit $rc)"
  if [ ! -s "$report" ]; then
    echo "$name: no report (exit $rc); see $results/$name.log" >"$results/$name.missing"
    tail -n 30 "$results/$name.log"
    status=1
  elif [ $rc -ne 0 ]; then
    status=1
  fi
done
exit $status
