#pragma once

// The rows of the MediaLibrary item query, taken out of SQLite in batches so
// that the stepping through the database (on a helper thread for large
// libraries) and the building of the tracks can overlap.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace ortelan {

class TSQLiteTable;

// A value of an id column: an integer, or else its text.
struct ItemId {
  bool IsInteger = false;
  int64_t Value = 0;
  uint32_t TextAt = 0, TextLength = 0;  // in the batch's text
};

struct ItemRow {
  int64_t TrackId = 0, Size = 0, Duration = 0, PlayCount = 0, Rating = 0;
  ItemId Artist, Album, Genre, Folder;
  uint32_t TitleAt = 0, TitleLength = 0, FileAt = 0, FileLength = 0;
};

struct ItemRowBatch {
  std::vector<ItemRow> Rows;
  std::string Text;  // every text of the rows, one after the other, as stored (not yet mended)

  std::string_view TextOf(uint32_t at, uint32_t length) const {
    return std::string_view(Text).substr(at, length);
  }
};

// Reads the rows of `items` (the item query, on its first row) from column 0
// to 10 in their order, handing over a batch at a time; stops when `deliver`
// returns false. Errors of the SQLite layer reach the caller.
void ReadItemRows(TSQLiteTable& items, const std::function<bool(ItemRowBatch&&)>& deliver);

// Batches handed from one thread to another, a few at most in between.
class ItemRowQueue {
 public:
  // False once the taker has given up.
  bool Push(ItemRowBatch&& batch);
  // False when no batch is left and the giver has finished.
  bool Pop(ItemRowBatch& batch);
  // The giver is done; `error` is what ended it, if anything.
  void Finish(std::exception_ptr error);
  // The taker gives up; the giver's next Push returns false.
  void Abandon();
  // Raises what ended the giver, if anything.
  void RethrowGiversError();

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<ItemRowBatch> batches_;
  bool finished_ = false, abandoned_ = false;
  std::exception_ptr error_;
};

}  // namespace ortelan
