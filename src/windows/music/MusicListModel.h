#pragma once

// The track grid's model: a Qt table over TTrackRows. A row holds only its
// track's index; texts, marks and sort keys are read from the track when the
// grid asks. Check changes go to the library and are reported in one signal.

#include <QAbstractTableModel>
#include <QPixmap>
#include <memory>
#include <vector>

#include "windows/music/TrackRows.h"

namespace ortelan::windows {

class TMusicListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit TMusicListModel(QObject* parent = nullptr);

  // The library whose tracks the grid lists; null empties it.
  void SetLibrary(TIpodMusicDb* db);
  // The views (see TTrackRows); each gives its summary.
  QString FillTrackView(int node);
  QString SearchTracks(const QString& text);
  void Clear();
  bool ApplyCheckCommand(TCheckCommand command, const std::vector<int>& selectedRows);
  QString StatusText(const QString& viewSummary) const;
  const TTrackRows* Rows() const { return rows_.get(); }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  void sort(int column, Qt::SortOrder order) override;

  // Repaints the copy marks (a transfer has marked tracks).
  void CopyMarksChanged();
  // Repaints the check boxes (marks changed in the library).
  void ChecksRepainted();

 signals:
  // The user checked or unchecked a track: the status line is due.
  void ChecksChanged();

 private:
  QString CellText(const TTrackItem& track, TTrackColumn column) const;

  std::unique_ptr<TTrackRows> rows_;
  QPixmap copyMarks_[3];
};

}  // namespace ortelan::windows
