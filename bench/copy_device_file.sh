#!/usr/bin/env bash
# CopyDeviceFile against cp: 1 GiB in files of 4 MiB, warm page cache, both
# copied five times in turn; prints the throughput ratio of the medians.
set -euo pipefail
. "$(dirname "$0")/bench-lib.sh"
tool="$build/bench/bench-copy-device-file"

count=${COUNT:-256}
mkdir -p "$work/ipod/iPod_Control/iTunes" "$work/ipod/Music"
for i in $(seq 1 "$count"); do
  head -c $((4 << 20)) /dev/urandom >"$work/ipod/Music/T$i.mp3"
done
cat "$work"/ipod/Music/* >/dev/null  # warm the page cache

ours=() theirs=()
# Each copy starts with the disk flushed, and the order alternates.
for round in 1 2 3 4 5; do
  rm -rf "$work/a" "$work/b"; mkdir "$work/a" "$work/b"; sync
  if [ $((round % 2)) -eq 1 ]; then
    ours+=("$("$tool" "$work/ipod" Music "$work/a")"); sync
    start=$(date +%s.%N); cp "$work"/ipod/Music/* "$work/b/"
    theirs+=("$(echo "$(date +%s.%N) - $start" | bc -l)")
  else
    start=$(date +%s.%N); cp "$work"/ipod/Music/* "$work/b/"
    theirs+=("$(echo "$(date +%s.%N) - $start" | bc -l)"); sync
    ours+=("$("$tool" "$work/ipod" Music "$work/a")")
  fi
done
o=$(median "${ours[@]}"); t=$(median "${theirs[@]}")
mib=$((count * 4))
printf 'CopyDeviceFile: %d MiB in %.3f s (%.0f MiB/s)\n' "$mib" "$o" "$(echo "$mib / $o" | bc -l)"
printf 'cp:             %d MiB in %.3f s (%.0f MiB/s)\n' "$mib" "$t" "$(echo "$mib / $t" | bc -l)"
printf 'throughput ratio (CopyDeviceFile / cp): %.3f\n' "$(echo "$t / $o" | bc -l)"
