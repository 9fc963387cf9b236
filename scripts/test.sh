#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test twice: in build/ as shipped, then in
# build-asan/ under AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer, optimised so
# that the tests' time-outs keep their meaning (skip the second run with TRV3_SKIP_SANITIZERS=1).
# Ends with a pass/fail count over both runs.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

# Runs ctest in a build tree; prints "PASSED FAILED" from ctest's own summary
# ("NN% tests passed, F tests failed out of T").
run_suite() {
  local tree=$1
  (cd "$tree" && ctest --output-on-failure --timeout 600 -j "$(nproc)" 2>&1 | tee ctest.log >&2)
  local summary
  summary=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$tree/ctest.log" | tail -n 1)
  if [ -z "$summary" ]; then echo "0 1"; return; fi
  local failed total
  failed=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$summary")
  total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$summary")
  echo "$((total - failed)) $failed"
}

bash scripts/build.sh || { echo "0 passed, 1 failed"; exit 1; }
read -r passed failed < <(run_suite build)

if [ "${TRV3_SKIP_SANITIZERS:-0}" != 1 ]; then
  if cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRV3_SANITIZE=ON >/dev/null &&
     cmake --build build-asan -j "$(nproc)"; then
    # Reports end the test that caused them. The suppressions name third-party frames only, and
    # match only with the slow unwinder, because those libraries have no frame pointers.
    export ASAN_OPTIONS="fast_unwind_on_malloc=0:detect_leaks=1:check_initialization_order=1"
    export LSAN_OPTIONS="suppressions=$root/tests/sanitizers/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    read -r asan_passed asan_failed < <(run_suite build-asan)
  else
    asan_passed=0; asan_failed=1
  fi
  echo "sanitized run: ${asan_passed} passed, ${asan_failed} failed"
  passed=$((passed + asan_passed)); failed=$((failed + asan_failed))
fi

echo "${passed} passed, ${failed} failed"
[ "$failed" -eq 0 ]
