#!/usr/bin/env bash
# CopyTracks against cp over the same files, warm page cache: 1,000 tracks of
# 4 MiB and 10,000 tracks of 64 KiB, each copied in turn by both, five times;
# prints the throughput ratio of the medians.
set -euo pipefail
. "$(dirname "$0")/bench-lib.sh"
tool="$build/bench/bench-copy-tracks"

run_case() {  # name count size_kib
  local name=$1 count=$2 kib=$3
  local src="$work/ipod/Music/$name"
  mkdir -p "$src" "$work/ipod/iPod_Control/iTunes"
  head -c $((count * kib * 1024)) /dev/urandom | split -a 5 -d -b $((kib * 1024)) - "$src/T"
  for f in "$src"/T*; do mv "$f" "$f.mp3"; done
  cat "$src"/* >/dev/null  # warm the page cache
  local ours=() theirs=()
  # Each copy starts with the disk flushed (the previous copy's writeback
  # must not slow the next one down), and the order alternates.
  local start
  for round in 1 2 3 4 5; do
    rm -rf "$work/a" "$work/b"; mkdir "$work/b"; sync
    if [ $((round % 2)) -eq 1 ]; then
      ours+=("$("$tool" "$work/ipod" "Music/$name" "$work/a")"); sync
      start=$(date +%s.%N); find "$src" -type f -exec cp -t "$work/b" {} +
      theirs+=("$(echo "$(date +%s.%N) - $start" | bc -l)")
    else
      start=$(date +%s.%N); find "$src" -type f -exec cp -t "$work/b" {} +
      theirs+=("$(echo "$(date +%s.%N) - $start" | bc -l)"); sync
      ours+=("$("$tool" "$work/ipod" "Music/$name" "$work/a")")
    fi
  done
  rm -rf "$work/a" "$work/b"
  local o t mib; o=$(median "${ours[@]}"); t=$(median "${theirs[@]}"); mib=$((count * kib / 1024))
  printf '%s: %d tracks of %d KiB (%d MiB)\n' "$name" "$count" "$kib" "$mib"
  printf '  CopyTracks %.3f s (%.0f MiB/s), cp %.3f s (%.0f MiB/s), throughput ratio %.3f\n' \
    "$o" "$(echo "$mib / $o" | bc -l)" "$t" "$(echo "$mib / $t" | bc -l)" "$(echo "$t / $o" | bc -l)"
  rm -rf "$src"
}

run_case large 1000 4096
run_case small 10000 64
