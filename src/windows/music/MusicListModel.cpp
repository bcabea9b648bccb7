#include "windows/music/MusicListModel.h"

#include <QColor>

#include "windows/music/MusicPictures.h"

namespace ortelan::windows {

namespace {

constexpr const char* kHeaders[kTrackColumnCount] = {"",      "Name",  "Time", "Artist",
                                                     "Album", "Genre", "Size"};
const QColor kStripe(0xF1, 0xF5, 0xFA);

TTrackColumn ColumnOf(const QModelIndex& index) {
  return static_cast<TTrackColumn>(index.column());
}

}  // namespace

TMusicListModel::TMusicListModel(QObject* parent) : QAbstractTableModel(parent) {
  for (int state = csFailed; state <= csCopiedApart; ++state) {
    copyMarks_[state] = QPixmap::fromImage(pictures::CopyMark(state));
  }
}

void TMusicListModel::SetLibrary(TIpodMusicDb* db) {
  beginResetModel();
  rows_ = db ? std::make_unique<TTrackRows>(*db) : nullptr;
  endResetModel();
}

QString TMusicListModel::FillTrackView(int node) {
  if (!rows_) return {};
  beginResetModel();
  const std::string summary = rows_->FillTrackView(node);
  endResetModel();
  return QString::fromStdString(summary);
}

QString TMusicListModel::SearchTracks(const QString& text) {
  if (!rows_) return {};
  beginResetModel();
  const std::string summary = rows_->SearchTracks(text.toStdString());
  endResetModel();
  return QString::fromStdString(summary);
}

void TMusicListModel::Clear() {
  if (!rows_) return;
  beginResetModel();
  rows_->Clear();
  endResetModel();
}

bool TMusicListModel::ApplyCheckCommand(TCheckCommand command,
                                        const std::vector<int>& selectedRows) {
  if (!rows_ || !rows_->ApplyCheckCommand(command, selectedRows)) return false;
  ChecksRepainted();
  return true;
}

QString TMusicListModel::StatusText(const QString& viewSummary) const {
  if (!rows_) return viewSummary;
  return QString::fromStdString(rows_->StatusText(viewSummary.toStdString()));
}

// One signal for the whole column, never one per row.
void TMusicListModel::ChecksRepainted() {
  if (rowCount() == 0) return;
  const int name = static_cast<int>(TTrackColumn::Name);
  emit dataChanged(index(0, name), index(rowCount() - 1, name), {Qt::CheckStateRole});
}

void TMusicListModel::CopyMarksChanged() {
  if (rowCount() == 0) return;
  emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::DecorationRole});
}

int TMusicListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || !rows_ ? 0 : rows_->RowCount();
}

int TMusicListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kTrackColumnCount;
}

QString TMusicListModel::CellText(const TTrackItem& track, TTrackColumn column) const {
  switch (column) {
    case TTrackColumn::Name:
      return QString::fromStdString(track.Title);
    case TTrackColumn::Time:
      return QString::fromStdString(track.DurationText);
    case TTrackColumn::Artist:
      return QString::fromStdString(track.Artist);
    case TTrackColumn::Album:
      return QString::fromStdString(track.Album);
    case TTrackColumn::Genre:
      return QString::fromStdString(track.Genre);
    case TTrackColumn::Size:
      return QString::fromStdString(track.SizeText);
    case TTrackColumn::CopyMark:
      break;
  }
  return {};
}

QVariant TMusicListModel::data(const QModelIndex& index, int role) const {
  if (!rows_ || !index.isValid() || index.row() >= rows_->RowCount()) return {};
  const TTrackItem& track = rows_->Track(index.row());
  const TTrackColumn column = ColumnOf(index);
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      return CellText(track, column);
    case Qt::CheckStateRole:
      if (column != TTrackColumn::Name) return {};
      return track.Checked ? Qt::Checked : Qt::Unchecked;
    case Qt::DecorationRole: {
      if (column != TTrackColumn::CopyMark) return {};
      const int32_t state = LoadCopyState(track);  // the worker may be writing it
      if (state < csFailed || state > csCopiedApart) return {};
      return copyMarks_[state];
    }
    case Qt::TextAlignmentRole:
      if (column == TTrackColumn::Time || column == TTrackColumn::Size) {
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
      }
      return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::BackgroundRole:
      // By the row's current place, so the stripes stay regular after a sort.
      return index.row() % 2 == 0 ? QVariant(kStripe) : QVariant(QColor(Qt::white));
    default:
      return {};
  }
}

bool TMusicListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!rows_ || role != Qt::CheckStateRole || ColumnOf(index) != TTrackColumn::Name) return false;
  const auto state = static_cast<Qt::CheckState>(value.toInt());
  if (state != Qt::Checked && state != Qt::Unchecked) return false;
  TTrackList& tracks = rows_->Library().Tracks;
  const int32_t track = rows_->TrackAt(index.row());
  state == Qt::Checked ? tracks.Check(track) : tracks.Uncheck(track);
  // A track listed twice shows its mark in both rows.
  ChecksRepainted();
  emit ChecksChanged();
  return true;
}

Qt::ItemFlags TMusicListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (ColumnOf(index) == TTrackColumn::Name) flags |= Qt::ItemIsUserCheckable;
  return flags;
}

QVariant TMusicListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kTrackColumnCount) return {};
  if (role == Qt::DisplayRole) return QString(kHeaders[section]);
  // A column clicked for the first time sorts ascending.
  if (role == Qt::InitialSortOrderRole) return QVariant::fromValue(Qt::AscendingOrder);
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

void TMusicListModel::sort(int column, Qt::SortOrder order) {
  if (!rows_ || column < 0 || column >= kTrackColumnCount) return;
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  rows_->Sort(static_cast<TTrackColumn>(column), order == Qt::AscendingOrder);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

}  // namespace ortelan::windows
