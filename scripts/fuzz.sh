#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each for SECONDS (default 600),
# at lowest priority and at most two at a time, starting from the seed corpus in
# tests/fuzz/corpus/<target>. New inputs collect in build-fuzz/corpus/<target>, findings in
# build-fuzz/findings/<target>; a finding is fixed and its input added to the seed corpus.
# Prints executions and coverage (edges covered of all instrumented, features) per target.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRV3_FUZZ=ON >/dev/null
mapfile -t all < <(ls tests/fuzz/corpus)
targets=("${@:-${all[@]}}")
nice cmake --build build-fuzz -j 2 --target "${targets[@]/#/fuzz_}"
# Undefined behaviour ends the run like any other finding, instead of being printed and passed over.
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}

run_target() {
  local name=$1
  local corpus=build-fuzz/corpus/$name findings=build-fuzz/findings/$name
  mkdir -p "$corpus" "$findings"
  nice -n 19 "build-fuzz/bin/fuzz_$name" -max_total_time="$seconds" -rss_limit_mb=2048 \
    -timeout=10 -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "tests/fuzz/corpus/$name" \
    >"build-fuzz/$name.log" 2>&1 || true
  local done runs edges
  done=$(grep -E '^#[0-9]+[[:space:]]+DONE' "build-fuzz/$name.log" | tail -n 1)
  runs=$(grep -E '^stat::number_of_executed_units' "build-fuzz/$name.log" | awk '{print $2}')
  # Every edge instrumented in the program, reachable from the target or not.
  edges=$(grep -m1 -oE '\(([0-9]+) inline 8-bit counters\)' "build-fuzz/$name.log" | grep -oE '[0-9]+' | head -n 1)
  printf '%-20s executions %-10s %s of %s edges  findings %s\n' "$name" "${runs:-?}" \
    "$(grep -oE 'cov: [0-9]+ ft: [0-9]+' <<<"$done")" "${edges:-?}" "$(ls "$findings" | wc -l)"
}

export -f run_target
export seconds
printf '%s\n' "${targets[@]}" | xargs -P 2 -I{} bash -c 'run_target {}'
