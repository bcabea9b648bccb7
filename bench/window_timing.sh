#!/usr/bin/env bash
# The windows' timings under a private X server: the launcher on screen from
# the program's start (the whole process, seven runs), then the transfer
# windows from the click and their idle CPU.
#   bench/window_timing.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build/release}
if [ -z "${ORTELAN_TIMING_INNER:-}" ]; then
  ORTELAN_TIMING_INNER=1 exec xvfb-run -a "$0" "$build"
fi
times=()
for _ in 1 2 3 4 5 6 7; do
  start=$(date +%s%N)
  "$build/src/ortelan" --quit-when-shown >/dev/null 2>&1
  end=$(date +%s%N)
  times+=($(( (end - start) / 1000000 )))
done
printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {printf "launcher: start to on screen median %d ms (min %d, max %d; goal 300)\n", a[int((NR+1)/2)], a[1], a[NR]}'
"$build/bench/bench-window-timing" 2>/dev/null
