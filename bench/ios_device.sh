#!/usr/bin/env bash
# The iPhone benchmarks against the fake iOS device beside the project
# (FAKEIDEVICE overrides where it is): connecting, copying 256 MiB of tracks
# against a bare afc_file_read loop, loading a 50 MB MediaLibrary.sqlitedb.
set -euo pipefail
. "$(dirname "$0")/bench-lib.sh"
fake=${FAKEIDEVICE:-$(dirname "$0")/../../shared/tools/fakeidevice}
if [ ! -x "$fake/run.sh" ]; then
  echo "ios_device.sh: no fake iOS device tool at $fake: skipped"
  exit 0
fi
mkdir -p "$work/phone/bench"
for i in $(seq 1 16); do
  head -c $((16 << 20)) /dev/urandom >"$work/phone/bench/T$i.m4a"
done
eval "$("$fake/run.sh" "$work/phone")"
trap 'kill $FAKEIDEVICE_PID; rm -rf "$work" "$FAKEIDEVICE_STATE"' EXIT
"$build/bench/bench-ios-device" "$work/phone" "$work/disk" "$work/work"
