#!/usr/bin/env bash
# Line coverage that each fuzz target's corpus reaches in the code it exists for: builds the replay
# program with clang's source-based coverage in build-cov/, replays the seeds and what
# scripts/fuzz.sh collected in build-fuzz/corpus, and prints llvm-cov's line figures per file.
set -euo pipefail
cd "$(dirname "$0")/.."
flags="-fprofile-instr-generate -fcoverage-mapping"
CC=clang CXX=clang++ cmake -S . -B build-cov -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
nice cmake --build build-cov -j 2 --target fuzz_replay >/dev/null

declare -A sources=(
  [resource_string]="src/platform/io/resource_string.cpp"
  [k_list]="src/platform/io/formatted_reply.cpp"
  [block_framing]="src/platform/io/reply_reader.cpp src/platform/io/message_session.cpp"
  [vxi11_reply]="build-cov/src/platform/io/vxi11/rpc/vxi11_xdr.c"
  [vxi11_read_stream]="src/platform/io/vxi11/rpc_connection.cpp"
  [profile_string]="src/shared/profile_string.cpp"
  [settings_file]="src/platform/settings/store_file.cpp src/platform/settings/registry_tree.cpp"
  [language_component]="src/platform/language/json_component.cpp"
  [scpi_parser]="apps/trv3-sim/scpi_parser.cpp apps/trv3-sim/instrument.cpp"
  [runtime_conversions]="src/platform/runtime/conversions.cpp"
)
for target in $(ls tests/fuzz/corpus); do
  profile=build-cov/$target
  rm -rf "$profile" && mkdir -p "$profile/all"
  cp tests/fuzz/corpus/"$target"/* "$profile/all/"
  [ -d build-fuzz/corpus/"$target" ] && cp build-fuzz/corpus/"$target"/* "$profile/all/" 2>/dev/null || true
  LLVM_PROFILE_FILE="$profile/replay.profraw" build-cov/bin/fuzz_replay "$target" "$profile/all" >/dev/null 2>&1
  llvm-profdata merge -sparse "$profile/replay.profraw" -o "$profile/replay.profdata"
  echo "== $target ($(ls "$profile/all" | wc -l) inputs)"
  report=$(llvm-cov report build-cov/bin/fuzz_replay -instr-profile="$profile/replay.profdata")
  for source in ${sources[$target]}; do
    # Columns: file, regions (3), functions (3), lines, missed lines, line cover, branches (3).
    grep -F "${source##*/} " <<<"$report" | awk '{print $1 ": lines " $(NF-3) " of " $(NF-5)}'
  done
done
