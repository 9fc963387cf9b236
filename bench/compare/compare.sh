#!/bin/bash
# The whole comparison in one command: builds what it needs, runs compare_bench against trv3-sim in
# a private network namespace (VXI-11 needs the portmapper's port 111 there) and prints the table.
# Usage: bash bench/compare/compare.sh [--quick] [blocks|round-trips|fetch|memory|load]...
# (all parts: a few minutes; --quick takes a third of the repetitions)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${TRV3_BUILD_DIR:-$root/build}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
nice cmake --build "$build" -j2 --target compare_bench >/dev/null
exec timeout 600 sh "$root/tests/netns-run.sh" "$build/bin/compare_bench" "$@"
