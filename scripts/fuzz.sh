#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ (clang, AddressSanitizer, UndefinedBehaviorSanitizer) in
# build-fuzz and runs each for a fixed time from a scratch copy of its seed corpus, so that the
# repository is never written. Fails when any target reports a finding (a crash, a sanitizer
# report, a leak, a broken invariant, an input over the time or memory limit).
#
# Usage: scripts/fuzz.sh [seconds per target, default 600] [target ...]
#   targets: amounts dates date_cell qif_import attached_files layout_check saved_balances
#            (default: all)
# Environment:
#   QM_FUZZ_PARALLEL=N    run N targets at once (default 1; each uses one core)
#   QM_FUZZ_KEEP_GOING=1  go on after a finding (libFuzzer's fork mode), collecting every finding
#                         of the run instead of stopping at the first
#   QM_FUZZ_OUT=DIR       where runs keep their grown corpus, log and findings
#                         (default build-fuzz/runs/<target>)
#   QM_BUILD_JOBS=N       compile jobs (default: every core)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(amounts dates date_cell qif_import attached_files layout_check
  stored_texts saved_balances)
parallel=${QM_FUZZ_PARALLEL:-1}
out=${QM_FUZZ_OUT:-$root/build-fuzz/runs}

bash "$root/scripts/install-deps.sh"
build="$root/build-fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQM_FUZZ=ON >/dev/null
# Every target, not the fuzzers alone: this is CI's build with clang, and the tests and the
# benchmarks must compile with it as with GCC.
cmake --build "$build" -j"${QM_BUILD_JOBS:-$(nproc)}"

export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions="$root/tests/lsan.supp":print_suppressions=0
export QT_QPA_PLATFORM=offscreen

# One target: its corpus copied to a scratch folder, the run's log and findings beside it.
run_one() {
  local t=$1 dir="$out/$1"
  rm -rf "$dir"
  mkdir -p "$dir/corpus" "$dir/findings" "$dir/runtime"
  chmod 700 "$dir/runtime"
  cp -r "$root/fuzz/corpus/$t/." "$dir/corpus/"
  local mode=()
  if [ "${QM_FUZZ_KEEP_GOING:-0}" = 1 ]; then
    mode=(-fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1)
  fi
  local status=0
  (cd "$dir" && XDG_RUNTIME_DIR="$dir/runtime" "$build/fuzz/${t}_fuzzer" \
    -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
    -dict="$root/fuzz/dict/$t.dict" -artifact_prefix="$dir/findings/" "${mode[@]}" \
    "$dir/corpus" >"$dir/log.txt" 2>&1) || status=$?
  echo "$status" >"$dir/status"
}

# A line per target: executions, coverage, corpus, findings.
summary() {
  local failed=0
  printf '%-15s %12s %8s %8s %8s %9s\n' target executions cov ft corpus findings
  for t in "${targets[@]}"; do
    local dir="$out/$t" log="$out/$t/log.txt"
    local runs cov ft findings status
    # Counted from the log; fork mode prints no final stats, only its last status line.
    runs=$(grep -ho 'stat::number_of_executed_units: [0-9]*' "$log" | awk '{s += $2} END {print s + 0}' || true)
    [ "${runs:-0}" = 0 ] && runs=$(grep -ao '^#[0-9]*' "$log" | tail -1 | tr -d '#' || true)
    cov=$(grep -ao 'cov: [0-9]*' "$log" | tail -1 | awk '{print $2}' || true)
    ft=$(grep -ao 'ft: [0-9]*' "$log" | tail -1 | awk '{print $2}' || true)
    # libFuzzer also keeps the slowest input it met (slow-unit-*), which on a busy machine is
    # only a stall; a real hang is a timeout-* finding and ends the run with an error.
    findings=$(find "$dir/findings" -type f ! -name 'slow-unit-*' | wc -l)
    status=$(cat "$dir/status")
    printf '%-15s %12s %8s %8s %8s %9s\n' "$t" "${runs:-?}" "${cov:-?}" "${ft:-?}" \
      "$(find "$dir/corpus" -type f | wc -l)" "$findings"
    if [ "$status" != 0 ] || [ "$findings" != 0 ]; then
      failed=1
      echo "  $t: finding(s) in $dir/findings, log $log"
      grep -a -m3 -E 'ERROR: |Broken invariant|SUMMARY: ' "$log" | sed 's/^/    /' || true
    fi
  done
  return $failed
}

running=0
for t in "${targets[@]}"; do
  [ -x "$build/fuzz/${t}_fuzzer" ] || { echo "no fuzz target '$t'"; exit 2; }
  echo "Fuzzing $t for $seconds s"
  run_one "$t" &
  running=$((running + 1))
  if [ "$running" -ge "$parallel" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait
summary
