#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test; ends with a pass/fail count.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh || { echo "0 passed, 1 failed"; exit 1; }
cd build
ctest --output-on-failure --timeout 600 -j "$(nproc)" 2>&1 | tee ctest.log
status=${PIPESTATUS[0]}
passed=$(grep -cE '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* +Passed' ctest.log || true)
failed=$(grep -cE '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .*(Failed|Exception|Timeout|Not Run)' ctest.log || true)
echo "${passed} passed, ${failed} failed"
exit "$status"
