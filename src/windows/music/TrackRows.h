#pragma once

// The rows of the music window's track grid: one 32-bit track index per row,
// nothing copied from the tracks. Fills the views of the playlist tree and
// of a search, sorts, applies the check commands and writes the status line.
// Free of Qt, so that its rules are tested and timed on their own.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "music/iPodMusic.h"

namespace ortelan::windows {

// The grid's columns, in their order.
enum class TTrackColumn : int {
  CopyMark = 0,
  Name = 1,
  Time = 2,
  Artist = 3,
  Album = 4,
  Genre = 5,
  Size = 6,
};
constexpr int kTrackColumnCount = 7;

// The check commands of the check menu.
enum class TCheckCommand : int {
  CheckAll = 0,
  UncheckAll = 1,
  Invert = 2,
  CheckSelected = 3,
  UncheckSelected = 4,
};

// The fixed nodes of the playlist tree; a playlist p follows at 3 + p.
constexpr int kFixedNodeCount = 4;

class TTrackRows {
 public:
  // Over a loaded library, which outlives the rows.
  explicit TTrackRows(TIpodMusicDb& db);

  TIpodMusicDb& Library() const { return db_; }
  int RowCount() const { return static_cast<int>(rows_.size()); }
  int32_t TrackAt(int row) const { return rows_[static_cast<size_t>(row)]; }
  const TTrackItem& Track(int row) const { return db_.Tracks.GetItem(TrackAt(row)); }

  // Lists the view of tree node `node` and gives its summary.
  std::string FillTrackView(int node);
  // Lists the tracks of one media kind and gives the summary.
  std::string ListMediaKind(uint8_t kind);
  // Lists the tracks of the whole library whose title, artist or album holds
  // `text` (a-z folded) and gives "Found N, size".
  std::string SearchTracks(const std::string& text);
  void Clear() { rows_.clear(); }

  // Sorts every row by a column's key, stably (equal keys keep their order).
  void Sort(TTrackColumn column, bool ascending);
  // Orders two tracks by a column's key: negative, 0 or positive.
  int CompareTracks(const TTrackItem& a, const TTrackItem& b, TTrackColumn column) const;
  // The text a text column sorts by; null for the numeric columns.
  static const std::string* TextKey(const TTrackItem& track, TTrackColumn column);
  // A text key with a-z upper-cased: compared byte by byte, it orders as
  // CompareTracks does.
  static std::string FoldedKey(const std::string& text);

  // Checks or unchecks rows as the check menu's command says; `selected`
  // holds the selected rows. False when the grid has no rows.
  bool ApplyCheckCommand(TCheckCommand command, const std::vector<int>& selected);

  // The status line for the current view's summary.
  std::string StatusText(const std::string& viewSummary) const;
  // The caption of the check menu's submenu for the selected node's text.
  static std::string PlaylistMenuCaption(const std::string& nodeText);

 private:
  std::string Summary(const char* items, int64_t count, int64_t size) const;
  // The first track of the library with each id, found once per library.
  const std::unordered_map<int64_t, int>& FirstTrackOfIds();

  TIpodMusicDb& db_;
  std::vector<int32_t> rows_;
  std::unordered_map<int64_t, int> firstOfId_;
  bool idsMapped_ = false;
};

}  // namespace ortelan::windows
