
#include "device/iPodDev.h"
#include "music/iPodMusic.h"
#include "util/Text.h"

namespace ortelan {

TTrackItem& TTrackList::Add() { return items_.emplace_back(); }

TTrackItem* TTrackList::AppendSlots(size_t count) {
  const size_t first = items_.size();
  items_.resize(first + count);
  return items_.data() + first;
}

void TTrackList::Check(int Index) {
  TTrackItem& track = GetItem(Index);
  if (track.Checked) return;
  track.Checked = true;
  ++CheckedCount;
  CheckedSize = SaturatingAdd(CheckedSize, track.Size);
}

void TTrackList::Uncheck(int Index) {
  TTrackItem& track = GetItem(Index);
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

TPlayListItem& TPlayLists::Insert(int Index) { return *items_.emplace(items_.begin() + Index); }

TIpodMusicDb::TIpodMusicDb(TIpodDevice* device) : Device(device) {}

void TIpodMusicDb::AddLog(const std::string& Line) { Log += "\r\n" + Line; }

void TIpodMusicDb::FormatDuration(uint32_t Ms, std::string& Text) {
  const uint32_t s = Ms / 1000;
  const uint32_t m = s / 60;
  const uint32_t h = m / 60;
  auto twoDigits = [](uint32_t v) {
    return std::string{static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
  };
  if (m <= 59) {
    Text = std::to_string(m) + ":" + twoDigits(s % 60);
  } else {
    Text = std::to_string(h) + ":" + twoDigits(m % 60) + ":" + twoDigits(s % 60);
  }
}

std::string TIpodMusicDb::DetailLogHead(int Scheme, bool DiskMode) {
  return "Ortelan 6.5, " + std::to_string(Scheme) + "\r\n" + (DiskMode ? "[iPod]\r\n" : "");
}

uint8_t TIpodMusicDb::MediaKindOfExt(std::string_view Ext) {
  for (const char* e : {".mp3", ".m4a"}) {
    if (SameTextAscii(Ext, e)) return mkAudio;
  }
  for (const char* e : {".mp4", ".m4v", ".mov"}) {
    if (SameTextAscii(Ext, e)) return mkVideo;
  }
  for (const char* e : {".epub", ".pdf"}) {
    if (SameTextAscii(Ext, e)) return mkBook;
  }
  if (SameTextAscii(Ext, ".m4r")) return mkRingtone;
  return mkAudio;
}

}  // namespace ortelan
