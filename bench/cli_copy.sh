#!/usr/bin/env bash
# The whole `ortelan-cli music copy` of the demo device's checked tracks
# (start, reading its database, copying each track, the end) against `cp` of
# its track files, five times each in turn; prints the medians and their
# ratio. For a copy this small the program's own fixed costs show, its end
# among them. Also the copy into album folders handing on its playlists,
# track list and album covers (--scheme 0 --playlists --list --covers)
# against the same copy alone.
# bench/cli_copy.sh [BUILD] [CLI]: CLI defaults to BUILD/src/ortelan-cli.
set -euo pipefail
. "$(dirname "$0")/bench-lib.sh"
cli=$(realpath "${2:-$build/src/ortelan-cli}")

"$build/tools/make-demo-ipod" "$work/ipod" >/dev/null
music="$work/ipod/iPod_Control/Music"
cat "$music"/*/* >/dev/null  # warm the page cache

now() { date +%s.%N; }
ours=() theirs=() albums=() lists=()
for round in 1 2 3 4 5 6 7 8 9; do
  rm -rf "$work/a" "$work/b" "$work/c" "$work/d"; mkdir "$work/b"
  start=$(now); "$cli" music copy --device "$work/ipod" --to "$work/a" >/dev/null
  ours+=("$(echo "$(now) - $start" | bc -l)")
  start=$(now); "$cli" music copy --device "$work/ipod" --to "$work/d" --scheme 0 >/dev/null
  albums+=("$(echo "$(now) - $start" | bc -l)")
  start=$(now)
  "$cli" music copy --device "$work/ipod" --to "$work/c" --scheme 0 --playlists --list --covers \
    >/dev/null
  lists+=("$(echo "$(now) - $start" | bc -l)")
  start=$(now); cp -r "$music"/* "$work/b/"
  theirs+=("$(echo "$(now) - $start" | bc -l)")
done
o=$(median "${ours[@]}"); t=$(median "${theirs[@]}"); l=$(median "${lists[@]}")
a=$(median "${albums[@]}")
printf 'demo device: %d tracks, %s\n' "$(find "$music" -type f | wc -l)" "$(du -sh "$music" | cut -f1)"
printf 'ortelan-cli music copy %.1f ms, cp %.1f ms, ratio %.2f\n' \
  "$(echo "$o * 1000" | bc -l)" "$(echo "$t * 1000" | bc -l)" "$(echo "$o / $t" | bc -l)"
printf 'into album folders %.1f ms; with --playlists --list --covers (%d covers) %.1f ms, ' \
  "$(echo "$a * 1000" | bc -l)" "$(find "$work/c" -name cover.jpg | wc -l)" \
  "$(echo "$l * 1000" | bc -l)"
printf 'ratio to the copy alone %.3f (goal 1.05)\n' "$(echo "$l / $a" | bc -l)"
