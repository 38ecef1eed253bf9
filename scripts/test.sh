#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
# QM_SANITIZE=1 builds and runs the suite with AddressSanitizer and UndefinedBehaviorSanitizer.
# QM_TSAN=1 builds the tests of work in parts (the pool, the workbook and its writer, the
# ledger's loads, the reports and the export) with ThreadSanitizer and runs them with at least
# two parts everywhere (QM_FORCE_PARTS=1).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
if [ "${QM_TSAN:-0}" = 1 ]; then
  build="$root/build-tsan"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_TSAN=ON \
    -DQM_BUILD_BENCH=OFF >/dev/null
  cmake --build "$build" -j"$(nproc)" --target platform_tests xls_tests app_tests
  # Qt is not built with ThreadSanitizer: its own internals are suppressed (tests/tsan.supp).
  export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$root/tests/tsan.supp"
  export QM_FORCE_PARTS=1 QT_QPA_PLATFORM=offscreen QM_SOURCE_DIR="$root"
  cd "$build"
  tests/platform/platform_tests --gtest_filter='ForEachPart.*'
  tests/xls/xls_tests --gtest_filter='ReadBack.*:ExcelWriter.*:Workbook*'
  tests/app/app_tests --gtest_filter='LedgerDb.*:LedgerInStep.*:ReportTexts.*:ReportPaint.*:SpreadsheetExport.*:SpreadsheetSheet.*:ReportDialogs.*'
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
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
