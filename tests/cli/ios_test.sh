#!/usr/bin/env bash
# ortelan-cli with an iPhone, end to end through the real libimobiledevice:
# a fake device (usbmuxd, lockdownd, AFC over a folder) serves the demo
# iPhone. Skipped (exit 77) when the fake device tool is not there.
# Usage: ios_test.sh ORTELAN-CLI MAKE-DEMO-IPOD FAKE-DEVICE-FOLDER
set -uo pipefail
cli=$(realpath "$1")
make_demo=$(realpath "$2")
fake=$3
if [ ! -x "$fake/run.sh" ] || ! command -v python3 >/dev/null || ! command -v openssl >/dev/null; then
  echo "no fake iOS device tool at $fake: skipped"
  exit 77
fi
work=$(mktemp -d)
FAKEIDEVICE_PID=
FAKEIDEVICE_STATE=
cleanup() {
  [ -n "$FAKEIDEVICE_PID" ] && kill "$FAKEIDEVICE_PID" 2>/dev/null
  rm -rf "$work" "$FAKEIDEVICE_STATE"
}
trap cleanup EXIT
. "$(dirname "$0")/check-lib.sh"

"$make_demo" --ios "$work/phone" >/dev/null
eval "$("$fake/run.sh" "$work/phone" --name "Demo iPhone" --product-type iPhone7,2)"

"$cli" devices >"$work/devices.out" 2>&1
check "devices lists the iPhone" grep -q "^Demo iPhone" "$work/devices.out"
check "... with its iOS version" grep -q "iOS version: *8.4" "$work/devices.out"
"$cli" devices --json >"$work/devices.json"
check "... also in JSON" grep -q '"kind": "ios", "name": "Demo iPhone", "product_type": "iPhone7,2"' \
  "$work/devices.json"

"$cli" music list --summary >"$work/list.out" 2>&1
check "music list reads MediaLibrary.sqlitedb and the voice memos" grep -q "^42 tracks, 5 playlists" \
  "$work/list.out"

"$cli" music copy --to "$work/music" >"$work/copy.out" 2>&1
status=$?
check "music copy succeeds" [ "$status" -eq 0 ]
check "... with every checked track" [ "$(find "$work/music" -type f | wc -l)" -eq 38 ]
check "... byte for byte" cmp -s "$work/music/Finale.mp3" "$work/phone/iTunes_Control/Music/F11/FINA.mp3"

"$cli" photos export --camera --to "$work/photos" >"$work/photos.out" 2>&1
status=$?
check "photos export --camera succeeds" [ "$status" -eq 0 ]
check "... with the camera roll's video" cmp -s "$work/photos/IMG_0013.MOV" \
  "$work/phone/DCIM/100APPLE/IMG_0013.MOV"
check "... and no .THM file" bash -c "! ls '$work/photos' | grep -qi '\.THM$'"

# Unplugged during a long copy: that file fails cleanly, the run ends.
truncate -s 3000000000 "$work/phone/iTunes_Control/Music/F11/FINA.mp3"
"$cli" music copy --to "$work/cut" >"$work/cut.out" 2>&1 &
copy=$!
for _ in $(seq 400); do  # until the long track is on its way
  find "$work/cut" -name '.ortelan-*.part' -size +50M 2>/dev/null | grep -q . && break
  sleep 0.05
done
kill -USR1 "$FAKEIDEVICE_PID"
timeout 60 tail --pid="$copy" -f /dev/null
wait "$copy"
status=$?
check "an unplugged copy ends with some items not copied" [ "$status" -eq 3 ]
check "... and the cut track is named in the log" grep -q "Finale: Err" "$work/cut.out"
check "... and leaves no partial file" bash -c "! find '$work/cut' -name '.ortelan-*' -o -name 'Finale*' | grep -q ."

kill -USR2 "$FAKEIDEVICE_PID"
sleep 0.5
check "plugged in again, the iPhone is listed" bash -c "'$cli' devices | grep -q '^Demo iPhone'"
check "nothing was ever written to the device" bash -c "! grep -q refusing '$FAKEIDEVICE_STATE/log'"

report
