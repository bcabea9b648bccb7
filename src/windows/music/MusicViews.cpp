// The music window's views: the playlist tree, the track grid over its model,
// and the status line.

#include <QHeaderView>
#include <QLabel>
#include <QShortcut>
#include <QTreeView>
#include <QTreeWidget>

#include "app/Links.h"
#include "app/Pictures.h"
#include "windows/music/MusicListLook.h"
#include "windows/music/MusicListModel.h"
#include "windows/music/MusicPictures.h"
#include "windows/music/MusicTranFrm.h"

namespace ortelan::windows {

namespace {

struct ColumnLook {
  int width;
  QHeaderView::ResizeMode mode;
};

// Widths of the grid's columns; the name takes the spare width.
constexpr ColumnLook kColumns[kTrackColumnCount] = {
    {22, QHeaderView::Fixed},        {235, QHeaderView::Stretch},
    {50, QHeaderView::Interactive},  {120, QHeaderView::Interactive},
    {120, QHeaderView::Interactive}, {50, QHeaderView::Interactive},
    {60, QHeaderView::Interactive}};

const char* const kFixedNodes[kFixedNodeCount] = {"All Music", "Movies", "Books", "Ringtone"};

QIcon NodeIcon(pictures::TNodeImage image) {
  return QIcon(QPixmap::fromImage(pictures::NodeImage(image)));
}

}  // namespace

void TMusicTranFrm::BuildTrackGrid() {
  MusicList = new QTreeView(ContentPnl);
  MusicList->setFrameShape(QFrame::NoFrame);
  QPalette white = MusicList->palette();
  white.setColor(QPalette::Base, Qt::white);
  white.setColor(QPalette::Window, Qt::white);
  white.setColor(QPalette::Highlight, QColor(0x3D, 0x80, 0xDF));
  MusicList->setPalette(white);
  MusicList->setRootIsDecorated(false);
  MusicList->setItemsExpandable(false);
  MusicList->setUniformRowHeights(true);  // rows are never measured one by one
  MusicList->setSelectionMode(QAbstractItemView::ExtendedSelection);
  MusicList->setSelectionBehavior(QAbstractItemView::SelectRows);
  MusicList->setAllColumnsShowFocus(true);
  MusicModel = new TMusicListModel(this);
  MusicList->setModel(MusicModel);
  MusicList->setItemDelegate(new TMusicListDelegate(MusicList));
  MusicList->setHeader(new TMusicListHeader(app::pictures::HeaderStrip(), MusicList));
  QHeaderView* header = MusicList->header();
  QFont bold = header->font();
  bold.setBold(true);
  header->setFont(bold);
  header->setStretchLastSection(false);
  header->setSectionsMovable(false);
  for (int column = 0; column < kTrackColumnCount; ++column) {
    header->resizeSection(column, kColumns[column].width);
    header->setSectionResizeMode(column, kColumns[column].mode);
  }
  // No sort until a header is clicked; then a new column sorts ascending and
  // the same column flips.
  header->setSortIndicator(-1, Qt::AscendingOrder);
  MusicList->setSortingEnabled(true);
  connect(MusicModel, &TMusicListModel::ChecksChanged, this, [this] { UpdateStatus(); });
  connect(PlayLstList, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current) { PlayLstListChange(current); });
  // Enter on a node shows its view again (after a search, too) and moves on
  // to the grid.
  for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
    auto* enter =
        new QShortcut(QKeySequence(key), PlayLstList, nullptr, nullptr, Qt::WidgetShortcut);
    connect(enter, &QShortcut::activated, this, [this] {
      if (!PlayLstList->currentItem()) return;
      PlayLstListChange(PlayLstList->currentItem());
      MusicList->setFocus();
    });
  }
}

void TMusicTranFrm::FillPlayListTree() {
  if (MusicDb->Tracks.Count() == 0) {
    Messages.Error(this, "Nothing found, the music database is empty.");
    app::OpenHelp("::/fix.html");
    return;
  }
  const TPlayLists& lists = MusicDb->PlayLists;
  IpodLb->setText(MusicDb->HasMasterPlaylist && lists.Count() > 0
                      ? QString::fromStdString(lists.GetItem(0).Name)
                      : QString());
  IpodLb->adjustSize();
  for (int node = 0; node < kFixedNodeCount; ++node) {
    auto* item = new QTreeWidgetItem(PlayLstList, QStringList(kFixedNodes[node]));
    item->setIcon(0, NodeIcon(static_cast<pictures::TNodeImage>(node)));
  }
  for (int p = 1; p < lists.Count(); ++p) {
    const TPlayListItem& list = lists.GetItem(p);
    auto* item = new QTreeWidgetItem(PlayLstList, QStringList(QString::fromStdString(list.Name)));
    item->setIcon(
        0, NodeIcon(list.Smart ? pictures::TNodeImage::Smart : pictures::TNodeImage::Playlist));
  }
}

void TMusicTranFrm::PlayLstListChange(QTreeWidgetItem* current) {
  if (!current) return;
  ShowView(PlayLstList->indexOfTopLevelItem(current));
}

void TMusicTranFrm::ShowView(int node) {
  ViewSummary = MusicModel->FillTrackView(node);
  UpdateStatus();
}

void TMusicTranFrm::UpdateStatus() {
  if (!MusicDb) return;
  StatusLb->setText(MusicModel->StatusText(ViewSummary));
}

}  // namespace ortelan::windows
