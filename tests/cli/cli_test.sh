#!/usr/bin/env bash
# ortelan-cli as a user runs it on odd devices and in odd places: it ends with
# a clear one-line message and the right exit status, never with an abort.
# Usage: cli_test.sh ORTELAN-CLI MAKE-DEMO-IPOD
set -uo pipefail
cli=$(realpath "$1")
make_demo=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/check-lib.sh"

"$make_demo" "$work/ipod" >/dev/null
"$make_demo" --sqlite "$work/nano" >/dev/null

# A relative destination while the working folder is gone.
mkdir "$work/gone"
(cd "$work/gone" && rmdir "$work/gone" &&
  "$cli" music copy --device "$work/ipod" --to out >"$work/gone.out" 2>"$work/gone.err")
status=$?
check "relative destination without a working folder exits 1" [ "$status" -eq 1 ]
check "... with one line" [ "$(wc -l <"$work/gone.err")" -eq 1 ]
check "... naming the destination" grep -q "cannot use the destination out" "$work/gone.err"
check "... and no abort" bash -c "! grep -q terminate '$work/gone.err'"

# A damaged Photos.sqlite: no "0 photos" and success, but a clear failure.
head -c 8192 /dev/urandom >"$work/nano/PhotoData/Photos.sqlite"
rm -f "$work/nano/PhotoData/Photos.sqlite-wal" "$work/nano/Photos/Photo Database"
"$cli" photos list --device "$work/nano" >"$work/photos.out" 2>"$work/photos.err"
status=$?
check "damaged photo library exits 1" [ "$status" -eq 1 ]
check "... and says so" grep -q "The photo library is damaged and cannot be read: " "$work/photos.err"

# Handed on for other players: every playlist entry names a copied file, and
# each album with artwork on the device has its cover.
"$cli" music copy --device "$work/ipod" --to "$work/handed" --scheme 0 --playlists --covers \
  >/dev/null 2>&1
check "playlist entries all resolve" bash -c 'cd "$1" && ls ./*.m3u8 >/dev/null &&
  for list in ./*.m3u8; do
    grep -v "^#" "$list" | while IFS= read -r entry; do [ -f "$entry" ] || exit 1; done || exit 1
  done' _ "$work/handed"
check "... and 33 albums have a cover" [ "$(find "$work/handed" -name cover.jpg | wc -l)" -eq 33 ]
"$cli" music copy --device "$work/ipod" --to "$work/flat" --covers >/dev/null 2>&1
status=$?
check "--covers without album folders is a usage error" [ "$status" -eq 2 ]

# A FIFO where a track should be: refused at once, the reason spelt out.
track=$(cd "$work/ipod" && find iPod_Control/Music -name '*.mp3' | sort | head -n 1)
rm "$work/ipod/$track"
mkfifo "$work/ipod/$track"
timeout 60 "$cli" music copy --device "$work/ipod" --to "$work/music" >"$work/copy.out" 2>&1
status=$?
check "a FIFO as a track neither hangs nor passes for copied" [ "$status" -eq 3 ]
check "... its error has the system's words" grep -q ": Err [0-9]* (Not a regular file)" "$work/copy.out"
check "... and no temporary file is left" bash -c "! find '$work/music' -name '.ortelan-*' | grep -q ."

# A book of a disk-mode iPod is not copied; its line says so without a
# system error that has nothing to do with it.
"$cli" music copy --device "$work/ipod" --to "$work/books" --select kind:book >"$work/books.out" 2>&1
check "a disk-mode book says nothing was copied" grep -q ": Err 1 (nothing copied: books come off iPhones and iPads only)$" "$work/books.out"
check "... and no system error" bash -c "! grep -q 'Operation not permitted' '$work/books.out'"
"$cli" music copy --device "$work/ipod" --to "$work/books" --select playlist: >/dev/null 2>&1
status=$?
check "--select playlist: without a name is a usage error" [ "$status" -eq 2 ]

# A Photos.sqlite that is no file: a clear failure, not "0 photos".
for kind in fifo folder zero; do
  "$make_demo" --sqlite "$work/odd-$kind" >/dev/null
  library="$work/odd-$kind/PhotoData/Photos.sqlite"
  rm -f "$library" "$library-wal" "$work/odd-$kind/Photos/Photo Database"
  case $kind in
    fifo) mkfifo "$library" ;;
    folder) mkdir "$library" ;;
    zero) ln -s /dev/zero "$library" ;;
  esac
  timeout 60 "$cli" photos list --device "$work/odd-$kind" >"$work/odd.out" 2>"$work/odd.err"
  status=$?
  check "a Photos.sqlite that is a $kind exits 1" [ "$status" -eq 1 ]
  check "... and says why" grep -q "The photo library is damaged and cannot be read: .\+" "$work/odd.err"
done
# A damaged Photos.sqlite beside the older Photo Database: that one is read,
# and one line says so.
"$make_demo" --sqlite "$work/both" >/dev/null
"$make_demo" "$work/legacy" >/dev/null
cp -r "$work/legacy/Photos" "$work/both/"
head -c 8192 /dev/urandom >"$work/both/PhotoData/Photos.sqlite"
rm -f "$work/both/PhotoData/Photos.sqlite-wal"
"$cli" photos export --device "$work/both" --to "$work/both-out" >"$work/both.out" 2>"$work/both.err"
status=$?
check "the Photo Database stands in for a damaged Photos.sqlite" [ "$status" -eq 0 ]
check "... said in one line" [ "$(grep -c "the older Photo Database was read instead" "$work/both.err")" -eq 1 ]
check "... with no empty refused names" bash -c "! grep -q 'Refused file name: \$' '$work/both.out'"
check "... and its photos exported" [ "$(find "$work/both-out" -name '*.jpg' | wc -l)" -gt 0 ]

report
