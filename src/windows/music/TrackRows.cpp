#include "windows/music/TrackRows.h"

#include <algorithm>

#include "device/iPodDev.h"
#include "util/Text.h"

namespace ortelan::windows {

namespace {

constexpr size_t kMenuCaptionLength = 18;

// Compares two texts folding only a-z; other characters by their codes.
int CompareFolded(const std::string& a, const std::string& b) {
  const size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    const auto x = static_cast<unsigned char>(AsciiUpper(a[i]));
    const auto y = static_cast<unsigned char>(AsciiUpper(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

template <typename T>
int CompareNumbers(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

// True when `text`, upper-cased in a-z, holds `upperNeedle`.
bool ContainsFolded(const std::string& text, const std::string& upperNeedle) {
  if (upperNeedle.empty()) return true;
  if (text.size() < upperNeedle.size()) return false;
  const size_t last = text.size() - upperNeedle.size();
  for (size_t start = 0; start <= last; ++start) {
    size_t k = 0;
    while (k < upperNeedle.size() && AsciiUpper(text[start + k]) == upperNeedle[k]) ++k;
    if (k == upperNeedle.size()) return true;
  }
  return false;
}

}  // namespace

TTrackRows::TTrackRows(TIpodMusicDb& db) : db_(db) {}

std::string TTrackRows::Summary(const char* items, int64_t count, int64_t size) const {
  return std::to_string(count) + items + TIpodDevice::FormatSize(size);
}

std::string TTrackRows::ListMediaKind(uint8_t kind) {
  rows_.clear();
  int64_t size = 0;
  for (int i = 0; i < db_.Tracks.Count(); ++i) {
    const TTrackItem& track = db_.Tracks.GetItem(i);
    if (track.MediaKind != kind) continue;
    rows_.push_back(i);
    size = SaturatingAdd(size, track.Size);
  }
  return Summary(" items, ", RowCount(), size);
}

const std::unordered_map<int64_t, int>& TTrackRows::FirstTrackOfIds() {
  if (!idsMapped_) {
    firstOfId_ = db_.FirstTrackOfIds();
    idsMapped_ = true;
  }
  return firstOfId_;
}

std::string TTrackRows::FillTrackView(int node) {
  static constexpr uint8_t kKinds[kFixedNodeCount] = {mkAudio, mkVideo, mkBook, mkRingtone};
  if (node >= 0 && node < kFixedNodeCount) return ListMediaKind(kKinds[node]);
  rows_.clear();
  const int p = node - 3;
  if (p < 1 || p >= db_.PlayLists.Count()) return Summary(" itmes, ", 0, 0);
  const TPlayListItem& list = db_.PlayLists.GetItem(p);
  if (list.VoiceMemos) return ListMediaKind(mkVoiceMemo);
  int64_t size = 0;
  // An entry without its track gives no row.
  for (const int index : db_.PlaylistMembers(list, FirstTrackOfIds())) {
    rows_.push_back(index);
    size = SaturatingAdd(size, db_.Tracks.GetItem(index).Size);
  }
  // "itmes" is the stored wording of playlist summaries.
  return Summary(" itmes, ", RowCount(), size);
}

std::string TTrackRows::SearchTracks(const std::string& text) {
  rows_.clear();
  std::string needle = text;
  for (char& c : needle) c = AsciiUpper(c);
  int64_t size = 0;
  for (int i = 0; i < db_.Tracks.Count(); ++i) {
    const TTrackItem& track = db_.Tracks.GetItem(i);
    if (ContainsFolded(track.Title, needle) || ContainsFolded(track.Artist, needle) ||
        ContainsFolded(track.Album, needle)) {
      rows_.push_back(i);
      size = SaturatingAdd(size, track.Size);
    }
  }
  return "Found " + std::to_string(RowCount()) + ", " + TIpodDevice::FormatSize(size);
}

int TTrackRows::CompareTracks(const TTrackItem& a, const TTrackItem& b, TTrackColumn column) const {
  switch (column) {
    case TTrackColumn::CopyMark:
      return CompareNumbers(LoadCopyState(a), LoadCopyState(b));
    case TTrackColumn::Name:
      return CompareFolded(a.Title, b.Title);
    case TTrackColumn::Time:
      return CompareNumbers(a.Duration, b.Duration);
    case TTrackColumn::Artist:
      return CompareFolded(a.Artist, b.Artist);
    case TTrackColumn::Album:
      return CompareFolded(a.Album, b.Album);
    case TTrackColumn::Genre:
      return CompareFolded(a.Genre, b.Genre);
    case TTrackColumn::Size:
      return CompareNumbers(a.Size, b.Size);
  }
  return 0;
}

const std::string* TTrackRows::TextKey(const TTrackItem& track, TTrackColumn column) {
  switch (column) {
    case TTrackColumn::Name:
      return &track.Title;
    case TTrackColumn::Artist:
      return &track.Artist;
    case TTrackColumn::Album:
      return &track.Album;
    case TTrackColumn::Genre:
      return &track.Genre;
    default:
      return nullptr;
  }
}

std::string TTrackRows::FoldedKey(const std::string& text) {
  std::string key = text;
  for (char& c : key) c = AsciiUpper(c);
  return key;
}

void TTrackRows::Sort(TTrackColumn column, bool ascending) {
  const TTrackList& tracks = db_.Tracks;
  if (tracks.Count() > 0 && TextKey(tracks.GetItem(0), column)) {
    // Text keys are folded once per sort, not in every comparison; compared
    // as folded bytes they order exactly as CompareFolded does.
    std::vector<std::string> keys(static_cast<size_t>(tracks.Count()));
    for (const int32_t track : rows_) {
      keys[static_cast<size_t>(track)] = FoldedKey(*TextKey(tracks.GetItem(track), column));
    }
    std::stable_sort(rows_.begin(), rows_.end(), [&](int32_t x, int32_t y) {
      const int order = keys[static_cast<size_t>(x)].compare(keys[static_cast<size_t>(y)]);
      return ascending ? order < 0 : order > 0;
    });
    return;
  }
  std::stable_sort(rows_.begin(), rows_.end(), [&](int32_t x, int32_t y) {
    const int order = CompareTracks(tracks.GetItem(x), tracks.GetItem(y), column);
    return ascending ? order < 0 : order > 0;
  });
}

bool TTrackRows::ApplyCheckCommand(TCheckCommand command, const std::vector<int>& selected) {
  if (rows_.empty()) return false;
  TTrackList& tracks = db_.Tracks;
  auto check = [&](int row) { tracks.Check(TrackAt(row)); };
  auto uncheck = [&](int row) { tracks.Uncheck(TrackAt(row)); };
  switch (command) {
    case TCheckCommand::CheckAll:
      for (int row = 0; row < RowCount(); ++row) check(row);
      break;
    case TCheckCommand::UncheckAll:
      for (int row = 0; row < RowCount(); ++row) uncheck(row);
      break;
    case TCheckCommand::Invert: {
      // Each row turns over the mark it showed before the command, so a
      // track listed twice ends as its rows say, not turned twice.
      std::vector<bool> wasChecked(rows_.size());
      for (int row = 0; row < RowCount(); ++row)
        wasChecked[static_cast<size_t>(row)] = Track(row).Checked;
      for (int row = 0; row < RowCount(); ++row) {
        wasChecked[static_cast<size_t>(row)] ? uncheck(row) : check(row);
      }
      break;
    }
    case TCheckCommand::CheckSelected:
      for (const int row : selected) check(row);
      break;
    case TCheckCommand::UncheckSelected:
      for (const int row : selected) uncheck(row);
      break;
  }
  return true;
}

std::string TTrackRows::StatusText(const std::string& viewSummary) const {
  const TTrackList& tracks = db_.Tracks;
  const std::string total = "Total " + std::to_string(tracks.Count()) + " items, " +
                            TIpodDevice::FormatSize(db_.TotalSize) + " )";
  if (tracks.CheckedCount <= 0) return viewSummary + "  ( " + total;
  return viewSummary + "  ( Selected " + std::to_string(tracks.CheckedCount) + " items, " +
         TIpodDevice::FormatSize(tracks.CheckedSize) + " / " + total;
}

std::string TTrackRows::PlaylistMenuCaption(const std::string& nodeText) {
  std::string t = nodeText + "\"";
  if (CodePointCount(t) > kMenuCaptionLength) {
    t = std::string(CodePointPrefix(t, kMenuCaptionLength)) + "..\"";
  }
  return "In  \"" + t;
}

}  // namespace ortelan::windows
