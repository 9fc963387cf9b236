#!/usr/bin/env bash
# The demo: fetch a waveform through the add-in exactly as a host application does, from the
# oscilloscope simulator on 127.0.0.1, and leave wave.csv and wave.png behind.
#
# Installs what is missing, builds when the programs are not there yet, registers the add-in for
# the current user, starts trv3-sim on a free loopback port and runs trv3-host fetch on it. With a
# display the real set-up dialog appears (press OK); without one the script backend confirms it.
#
# TRV3_BUILD_DIR    build tree to use (default: build)
# TRV3_DEMO_OUTPUT  folder for wave.csv and wave.png (default: the project root)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${TRV3_BUILD_DIR:-build}
output=${TRV3_DEMO_OUTPUT:-$root}
bin=$build/bin
addin=$build/lib/vlmWFRM_TRV3.so

bash scripts/install-deps.sh
for needed in "$bin/trv3-host" "$bin/trv3-sim" "$bin/trv3-regsvr" "$addin"; do
  if [ ! -e "$needed" ]; then
    if [ "$build" = build ]; then
      bash scripts/build.sh
    else
      cmake -S . -B "$build" >/dev/null
      cmake --build "$build" -j "$(nproc)" --target trv3-host trv3-sim trv3-regsvr vlmWFRM_TRV3
    fi
    break
  fi
done

"$bin/trv3-regsvr" "$addin"

work=$(mktemp -d)
sim_pid=""
stop_simulator() {
  if [ -n "$sim_pid" ]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap stop_simulator EXIT

# Port 0 lets the system pick a free port; the simulator's first line names the resource.
"$bin/trv3-sim" --listen 127.0.0.1:0 >"$work/sim.out" &
sim_pid=$!
resource=""
for _ in $(seq 100); do
  if [ "$(wc -l <"$work/sim.out")" -ge 1 ]; then
    resource=$(head -n 1 "$work/sim.out")
    break
  fi
  kill -0 "$sim_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$resource" ]; then
  echo "demo: the simulator did not start" >&2
  exit 1
fi
echo "demo: simulator at $resource"

mkdir -p "$output"
status=0
"$bin/trv3-host" fetch --address "$resource" \
  --csv "$output/wave.csv" --plot "$output/wave.png" || status=$?
exit "$status"
