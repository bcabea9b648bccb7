#!/usr/bin/env bash
# The whole `ortelan-cli music copy` of the demo device's checked tracks
# (start, reading its database, copying each track, the end) against `cp` of
# its track files, five times each in turn; prints the medians and their
# ratio. For a copy this small the program's own fixed costs show, its end
# among them. Also the same copy handing on its playlists and track list
# (--playlists --list) against the copy alone.
# bench/cli_copy.sh [BUILD] [CLI]: CLI defaults to BUILD/src/ortelan-cli.
set -euo pipefail
. "$(dirname "$0")/bench-lib.sh"
cli=$(realpath "${2:-$build/src/ortelan-cli}")

"$build/tools/make-demo-ipod" "$work/ipod" >/dev/null
music="$work/ipod/iPod_Control/Music"
cat "$music"/*/* >/dev/null  # warm the page cache

now() { date +%s.%N; }
ours=() theirs=() lists=()
for round in 1 2 3 4 5; do
  rm -rf "$work/a" "$work/b" "$work/c"; mkdir "$work/b"
  start=$(now); "$cli" music copy --device "$work/ipod" --to "$work/a" >/dev/null
  ours+=("$(echo "$(now) - $start" | bc -l)")
  start=$(now); "$cli" music copy --device "$work/ipod" --to "$work/c" --playlists --list >/dev/null
  lists+=("$(echo "$(now) - $start" | bc -l)")
  start=$(now); cp -r "$music"/* "$work/b/"
  theirs+=("$(echo "$(now) - $start" | bc -l)")
done
o=$(median "${ours[@]}"); t=$(median "${theirs[@]}"); l=$(median "${lists[@]}")
printf 'demo device: %d tracks, %s\n' "$(find "$music" -type f | wc -l)" "$(du -sh "$music" | cut -f1)"
printf 'ortelan-cli music copy %.1f ms, cp %.1f ms, ratio %.2f\n' \
  "$(echo "$o * 1000" | bc -l)" "$(echo "$t * 1000" | bc -l)" "$(echo "$o / $t" | bc -l)"
printf 'with --playlists --list %.1f ms, ratio to the copy alone %.3f (goal 1.05)\n' \
  "$(echo "$l * 1000" | bc -l)" "$(echo "$l / $o" | bc -l)"
