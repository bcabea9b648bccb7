#!/usr/bin/env bash
# CopyTracks against cp over the same files, warm page cache: 1,000 tracks of
# 4 MiB and 10,000 tracks of 64 KiB, each copied in turn by both, five times;
# prints the throughput ratio of the medians. Then a rerun into the folder of
# a first copy, with everything in place, against that first copy: 20,000
# small tracks sharing 500 titles (numbered series of 40); goal: below 1.
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

# A rerun finds every track in place; it must cost less than the copy.
rerun_case() {  # count titles
  local count=$1 titles=$2 src="$work/ipod/Music/rerun" first=() again=()
  mkdir -p "$src" "$work/ipod/iPod_Control/iTunes"
  head -c $((count * 512)) /dev/urandom | split -a 5 -d -b 512 - "$src/T"
  for f in "$src"/T*; do mv "$f" "$f.mp3"; done
  for round in 1 2 3; do
    rm -rf "$work/a"; sync
    first+=("$("$tool" "$work/ipod" Music/rerun "$work/a" "$titles")")
    again+=("$("$tool" "$work/ipod" Music/rerun "$work/a" "$titles")")
  done
  local f a; f=$(median "${first[@]}"); a=$(median "${again[@]}")
  printf 'rerun: %d tracks of 512 bytes sharing %d titles\n' "$count" "$titles"
  printf '  first copy %.3f s, rerun %.3f s, ratio %.3f (goal below 1)\n' "$f" "$a" \
    "$(echo "$a / $f" | bc -l)"
  rm -rf "$src" "$work/a"
}
rerun_case 20000 500
