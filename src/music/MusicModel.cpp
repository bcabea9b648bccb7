
#include "device/iPodDev.h"
#include "music/iPodMusic.h"
#include "util/Text.h"
#include "util/Version.h"

namespace ortelan {

TTrackItem& TTrackList::Add() { return items_.emplace_back(); }

TTrackItem* TTrackList::AppendSlots(size_t count) {
  const size_t first = items_.size();
  items_.resize(first + count);
  return items_.data() + first;
}

void TTrackList::Check(int index) {
  TTrackItem& track = GetItem(index);
  if (track.Checked) return;
  track.Checked = true;
  ++CheckedCount;
  CheckedSize = SaturatingAdd(CheckedSize, track.Size);
}

void TTrackList::Uncheck(int index) {
  TTrackItem& track = GetItem(index);
  if (!track.Checked) return;
  track.Checked = false;
  --CheckedCount;
  CheckedSize = SaturatingSub(CheckedSize, track.Size);
}

void TTrackList::CountChecked(const TTrackItem& track) {
  ++CheckedCount;
  CheckedSize = SaturatingAdd(CheckedSize, track.Size);
}

void TTrackList::Clear() {
  items_.clear();
  CheckedCount = 0;
  CheckedSize = 0;
}

TPlayListItem& TPlayLists::Add() { return items_.emplace_back(); }

TPlayListItem& TPlayLists::Insert(int index) { return *items_.emplace(items_.begin() + index); }

TIpodMusicDb::TIpodMusicDb(TIpodDevice* device) : Device(device) {}

void TIpodMusicDb::AddLog(const std::string& line) { Log += "\r\n" + line; }

void TIpodMusicDb::FormatDuration(uint32_t ms, std::string& text) {
  const uint32_t s = ms / 1000;
  const uint32_t m = s / 60;
  const uint32_t h = m / 60;
  auto twoDigits = [](uint32_t v) {
    return std::string{static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
  };
  if (m <= 59) {
    text = std::to_string(m) + ":" + twoDigits(s % 60);
  } else {
    text = std::to_string(h) + ":" + twoDigits(m % 60) + ":" + twoDigits(s % 60);
  }
}

std::string TIpodMusicDb::DetailLogHead(int scheme, bool diskMode) {
  return std::string("Ortelan ") + kVersion + ", " + std::to_string(scheme) + "\r\n" +
         (diskMode ? "[iPod]\r\n" : "");
}

uint8_t TIpodMusicDb::MediaKindOfExt(std::string_view ext) {
  for (const char* e : {".mp3", ".m4a"}) {
    if (SameTextAscii(ext, e)) return mkAudio;
  }
  for (const char* e : {".mp4", ".m4v", ".mov"}) {
    if (SameTextAscii(ext, e)) return mkVideo;
  }
  for (const char* e : {".epub", ".pdf"}) {
    if (SameTextAscii(ext, e)) return mkBook;
  }
  if (SameTextAscii(ext, ".m4r")) return mkRingtone;
  return mkAudio;
}

}  // namespace ortelan
