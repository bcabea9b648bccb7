#include "music/ItemRows.h"

#include "device/SQLiteWrap.h"
#include "util/Sizes.h"

namespace ortelan {

namespace {

constexpr size_t kRowsPerBatch = 1024;
constexpr size_t kBatchesInBetween = 4;

// Puts the column's text at the end of the batch's text, as stored (the
// taker mends it); its place.
uint32_t AppendText(const TSQLiteTable& items, int column, ItemRowBatch& batch, uint32_t& length) {
  const auto at = static_cast<uint32_t>(batch.Text.size());
  items.AppendColumnBytes(column, batch.Text);
  length = static_cast<uint32_t>(batch.Text.size() - at);
  return at;
}

ItemRowBatch NewBatch() {
  ItemRowBatch batch;
  batch.Rows.reserve(kRowsPerBatch);
  batch.Text.reserve(kRowsPerBatch * 64);
  return batch;
}

ItemId ReadId(const TSQLiteTable& items, int column, ItemRowBatch& batch) {
  ItemId id;
  if (items.ColumnInteger(column, id.Value)) {
    id.IsInteger = true;
  } else {
    id.TextAt = AppendText(items, column, batch, id.TextLength);
  }
  return id;
}

}  // namespace

void ReadItemRows(TSQLiteTable& items, const std::function<bool(ItemRowBatch&&)>& deliver) {
  ItemRowBatch batch = NewBatch();
  for (; !items.AtEnd; items.Step()) {
    ItemRow& row = batch.Rows.emplace_back();
    row.TrackId = items.ColumnInt64(0);
    row.Artist = ReadId(items, 1, batch);
    row.Album = ReadId(items, 2, batch);
    row.Genre = ReadId(items, 3, batch);
    row.Folder = ReadId(items, 4, batch);
    row.TitleAt = AppendText(items, 5, batch, row.TitleLength);
    row.FileAt = AppendText(items, 6, batch, row.FileLength);
    row.Size = ValidMediaSize(items.ColumnInt64(7));
    row.Duration = items.ColumnInt64(8);
    row.PlayCount = items.ColumnInt64(9);
    row.Rating = items.ColumnInt64(10);
    if (batch.Rows.size() == kRowsPerBatch) {
      if (!deliver(std::move(batch))) return;
      batch = NewBatch();
    }
  }
  if (!batch.Rows.empty()) deliver(std::move(batch));
}

bool ItemRowQueue::Push(ItemRowBatch&& batch) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return abandoned_ || batches_.size() < kBatchesInBetween; });
  if (abandoned_) return false;
  batches_.push_back(std::move(batch));
  changed_.notify_all();
  return true;
}

bool ItemRowQueue::Pop(ItemRowBatch& batch) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return finished_ || !batches_.empty(); });
  if (batches_.empty()) return false;
  batch = std::move(batches_.front());
  batches_.pop_front();
  changed_.notify_all();
  return true;
}

void ItemRowQueue::Finish(std::exception_ptr error) {
  std::lock_guard lock(mutex_);
  finished_ = true;
  error_ = std::move(error);
  changed_.notify_all();
}

void ItemRowQueue::Abandon() {
  std::lock_guard lock(mutex_);
  abandoned_ = true;
  changed_.notify_all();
}

void ItemRowQueue::RethrowGiversError() {
  std::lock_guard lock(mutex_);
  if (error_) std::rethrow_exception(error_);
}

}  // namespace ortelan
