#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
# QM_SANITIZE=1 builds and runs the suite with AddressSanitizer and UndefinedBehaviorSanitizer.
# QM_TSAN=1 builds the tests of work in parts (the pool, the workbook and its writer, the
# ledger's loads, the reports and the export) with ThreadSanitizer and runs them with at least
# two parts everywhere (QM_FORCE_PARTS=1, which every runner of parts obeys, the default too).
# The plain run also runs the pool's tests kept to two processors, as a machine's cpuset keeps
# a process. A filter that names no test, like a suite that has none, fails the run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"

# Runs a test binary on the tests its filter names, after the command given after the filter
# (taskset, say); each pattern of the filter must name a test, so a renamed suite cannot leave
# the run passing with nothing run.
run_filtered() {
  local binary=$1 filter=$2 pattern listed patterns
  shift 2
  IFS=: read -ra patterns <<<"$filter"
  for pattern in "${patterns[@]}"; do
    listed=$("$binary" --gtest_list_tests --gtest_filter="$pattern")
    if ! grep -q '^  ' <<<"$listed"; then
      echo "FAIL: no test of $binary is named by '$pattern'" >&2
      return 1
    fi
  done
  "$@" "$binary" --gtest_filter="$filter"
}
if [ "${QM_TSAN:-0}" = 1 ]; then
  build="$root/build-tsan"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_TSAN=ON \
    -DQM_BUILD_BENCH=OFF >/dev/null
  cmake --build "$build" -j"$(nproc)" --target platform_tests xls_tests app_tests
  # Qt is not built with ThreadSanitizer: its own internals are suppressed (tests/tsan.supp).
  export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$root/tests/tsan.supp"
  export QM_FORCE_PARTS=1 QT_QPA_PLATFORM=offscreen QM_SOURCE_DIR="$root"
  cd "$build"
  run_filtered tests/platform/platform_tests 'ForEachPart.*'
  run_filtered tests/xls/xls_tests 'ReadBack.*:ExcelWriter.*:Workbook*'
  run_filtered tests/app/app_tests 'LedgerDb.*:LedgerInStep.*:ReportTexts.*:ReportPaint.*:SpreadsheetExport.*:SpreadsheetSheet.*:ReportDialogs.*'
  exit 0
fi
if [ "${QM_SANITIZE:-0}" = 1 ]; then
  build="$root/build-asan"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQM_SANITIZE=ON -DQM_BUILD_BENCH=OFF >/dev/null
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:halt_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  export LSAN_OPTIONS=suppressions="$root/tests/lsan.supp":print_suppressions=0
else
  build="$root/build"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j"$(nproc)"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --no-tests=error -j"$(nproc)"
if [ "${QM_SANITIZE:-0}" != 1 ]; then
  # The pool counts the processors it may run on, not the machine's: its tests once more on the
  # first two of them (one where there is only one).
  two=$(python3 -c 'import os; print(",".join(map(str, sorted(os.sched_getaffinity(0))[:2])))')
  export QT_QPA_PLATFORM=offscreen
  run_filtered tests/platform/platform_tests 'ForEachPart.*' taskset -c "$two"
fi
