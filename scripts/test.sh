#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test; ends with a pass/fail count.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh || { echo "0 passed, 1 failed"; exit 1; }
cd build
ctest --output-on-failure --timeout 600 -j "$(nproc)" 2>&1 | tee ctest.log
status=${PIPESTATUS[0]}
# ctest's own summary: "NN% tests passed, F tests failed out of T".
summary=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' ctest.log | tail -n 1)
failed=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$summary")
total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$summary")
if [ -z "$summary" ]; then failed=1; total=1; status=1; fi
passed=$((total - failed))
echo "${passed} passed, ${failed} failed"
exit "$status"
