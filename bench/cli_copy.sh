#!/usr/bin/env bash
# The whole `ortelan-cli music copy` of the demo device's checked tracks
# (start, reading its database, copying each track, the end) against `cp` of
# its track files; prints the medians of nine runs and their ratio. For a
# copy this small the program's own fixed costs show, its end among them.
# Also the copy into album folders handing on its playlists, track list and
# album covers (--scheme 0 --playlists --list --covers) against the same copy
# alone: on the demo device, whose placeholder tracks are a tenth of a real
# track's size with nearly an album each, and on the same device with tracks
# of about 4 MB.
# bench/cli_copy.sh [BUILD] [CLI]: CLI defaults to BUILD/src/ortelan-cli.
set -euo pipefail
. "$(dirname "$0")/bench-lib.sh"
cli=$(realpath "${2:-$build/src/ortelan-cli}")

now() { date +%s.%N; }
ms() { echo "$1 * 1000" | bc -l; }
# One timed run: the seconds it took.
timed() { local start; start=$(now); "$@" >/dev/null; echo "$(now) - $start" | bc -l; }

"$build/tools/make-demo-ipod" "$work/ipod" >/dev/null
music="$work/ipod/iPod_Control/Music"
cat "$music"/*/* >/dev/null  # warm the page cache
ours=() theirs=()
for round in 1 2 3 4 5 6 7 8 9; do
  rm -rf "$work/a" "$work/b"; mkdir "$work/b"
  ours+=("$(timed "$cli" music copy --device "$work/ipod" --to "$work/a")")
  theirs+=("$(timed cp -r "$music"/. "$work/b/")")
done
o=$(median "${ours[@]}"); t=$(median "${theirs[@]}")
printf 'demo device: %d tracks, %s\n' "$(find "$music" -type f | wc -l)" "$(du -sh "$music" | cut -f1)"
printf 'ortelan-cli music copy %.1f ms, cp %.1f ms, ratio %.2f\n' "$(ms "$o")" "$(ms "$t")" \
  "$(echo "$o / $t" | bc -l)"

# The copy into album folders with and without what is handed on.
handing_on() {
  local device=$1 label=$2 alone=() handed=()
  for round in 1 2 3 4 5 6 7 8 9; do
    rm -rf "$work/c" "$work/d"
    alone+=("$(timed "$cli" music copy --device "$device" --to "$work/d" --scheme 0)")
    handed+=("$(timed "$cli" music copy --device "$device" --to "$work/c" --scheme 0 \
      --playlists --list --covers)")
  done
  local a h; a=$(median "${alone[@]}"); h=$(median "${handed[@]}")
  printf '%s: into album folders %.1f ms; with --playlists --list --covers (%d covers) %.1f ms, ' \
    "$label" "$(ms "$a")" "$(find "$work/c" -name cover.jpg | wc -l)" "$(ms "$h")"
  printf 'ratio %.3f (goal 1.05)\n' "$(echo "$h / $a" | bc -l)"
}
handing_on "$work/ipod" "demo device ($(du -sh "$music" | cut -f1))"
"$build/tools/make-demo-ipod" --track-bytes 4000000 "$work/large" >/dev/null
cat "$work/large/iPod_Control/Music"/*/* >/dev/null
handing_on "$work/large" "4 MB tracks ($(du -sh "$work/large/iPod_Control/Music" | cut -f1))"
