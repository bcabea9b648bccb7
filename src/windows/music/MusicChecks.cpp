// The music window's check menu: the whole library checked or unchecked, or
// the rows of the current view as its submenu says.

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>
#include <QTreeView>
#include <QTreeWidget>

#include "controls/PicBtn.h"
#include "windows/music/MusicListModel.h"
#include "windows/music/MusicTranFrm.h"

namespace ortelan::windows {

void TMusicTranFrm::BuildCheckMenu() {
  SongPop = new QMenu(this);
  SongPop->addAction("Uncheck all", this, [this] { CheckEveryTrack(false); });
  SongPop->addAction("Check all", this, [this] { CheckEveryTrack(true); });
  SongPop->addSeparator();
  PlMnu = SongPop->addMenu("In");
  QAction* within =
      PlMnu->addAction("Check all", this, [this] { ApplyCheckCommand(TCheckCommand::CheckAll); });
  within->setStatusTip("Within selected playlist");
  within->setToolTip("Within selected playlist");
  PlMnu->addAction("Uncheck all", this, [this] { ApplyCheckCommand(TCheckCommand::UncheckAll); });
  PlMnu->addAction("Check selected", this,
                   [this] { ApplyCheckCommand(TCheckCommand::CheckSelected); });
  PlMnu->addAction("Uncheck selected", this,
                   [this] { ApplyCheckCommand(TCheckCommand::UncheckSelected); });
  PlMnu->addAction("Invert", this, [this] { ApplyCheckCommand(TCheckCommand::Invert); });
  connect(SongPop, &QMenu::aboutToShow, this, [this] { SongPopPopup(); });
  connect(CheckBtn, &controls::TPicButton::Clicked, this, [this] { CheckBtnClick(); });
  MusicList->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(MusicList, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { SongPop->popup(MusicList->viewport()->mapToGlobal(at)); });
  // Space turns the marks of the selected rows as their check boxes would.
  auto* space =
      new QShortcut(QKeySequence(Qt::Key_Space), MusicList, nullptr, nullptr, Qt::WidgetShortcut);
  connect(space, &QShortcut::activated, this, [this] {
    const QModelIndex current = MusicList->currentIndex();
    if (!current.isValid()) return;
    const bool checked =
        MusicModel->index(current.row(), 1).data(Qt::CheckStateRole).toInt() == Qt::Checked;
    ApplyCheckCommand(checked ? TCheckCommand::UncheckSelected : TCheckCommand::CheckSelected);
  });
  auto* find = new QShortcut(QKeySequence::Find, this);
  connect(find, &QShortcut::activated, this, [this] { SrEdt->setFocus(); });
}

void TMusicTranFrm::CheckBtnClick() {
  if (GoPnl->isVisible()) GoPnl->hide();
  if (PlayLstList->topLevelItemCount() == 0) return;
  SongPop->popup(mapToGlobal(CheckBtn->mapTo(this, QPoint(0, CheckBtn->height()))));
}

void TMusicTranFrm::SongPopPopup() {
  QTreeWidgetItem* node = PlayLstList->currentItem();
  // Without a selected node there is no view to act on.
  PlMnu->setEnabled(node != nullptr);
  PlMnu->setTitle(
      node ? QString::fromStdString(TTrackRows::PlaylistMenuCaption(node->text(0).toStdString()))
           : QString("In  \"\""));
}

void TMusicTranFrm::CheckEveryTrack(bool check) {
  if (!MusicDb) return;
  ApplyCheckCommand(check ? TCheckCommand::CheckAll : TCheckCommand::UncheckAll);
  TTrackList& tracks = MusicDb->Tracks;
  for (int i = 0; i < tracks.Count(); ++i) check ? tracks.Check(i) : tracks.Uncheck(i);
  MusicModel->ChecksRepainted();
  UpdateStatus();
}

void TMusicTranFrm::ApplyCheckCommand(TCheckCommand command) {
  std::vector<int> selected;
  for (const QModelIndex& row : MusicList->selectionModel()->selectedRows()) {
    selected.push_back(row.row());
  }
  if (!MusicModel->ApplyCheckCommand(command, selected)) return;
  UpdateStatus();
}

}  // namespace ortelan::windows
