// Feeds arbitrary bytes to the iTunesDB reader, as an iTunesDB and as the
// body of an iTunesCDB.

#include <cstddef>
#include <cstdint>

#include "device/iPodDev.h"
#include "music/iPodMusic.h"
#include "platform/QueueDispatcher.h"

namespace {

ortelan::TIpodDevice& Device() {
  static ortelan::platform::QueueDispatcher dispatcher;
  static auto volumes = ortelan::platform::MakeFolderVolumeSource({});
  static auto files = ortelan::platform::MakeFileSystem();
  static ortelan::TIpodDevice device(nullptr, {*volumes, *files, dispatcher});
  return device;
}

void Parse(const uint8_t* data, size_t size, bool compressed) {
  ortelan::TIpodMusicDb db(&Device());
  ortelan::TMemoryStream stream;
  stream.Bytes.assign(data, data + size);
  try {
    db.ParseItunesDb(stream, compressed);
  } catch (const ortelan::EInflateError&) {
    return;  // a damaged iTunesCDB is reported to the caller by design
  }
  // The counters must agree with the marks whatever the input.
  int32_t checked = 0;
  for (const ortelan::TTrackItem& t : db.Tracks) checked += t.Checked ? 1 : 0;
  if (checked != db.Tracks.CheckedCount) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Parse(data, size, false);
  Parse(data, size, true);
  return 0;
}
