// The music window's transfer: the options panel GoPnl, the checks before a
// transfer, and the worker's progress and status on the progress panel.

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeView>

#include "app/Labels.h"
#include "music/MusicCopyThread.h"
#include "music/NameSchemes.h"
#include "windows/music/MusicListModel.h"
#include "windows/music/MusicTranFrm.h"

namespace ortelan::windows {

namespace {

constexpr int kDefaultScheme = kDefaultNameScheme;

}  // namespace

void TMusicTranFrm::BuildOptions() {
  SetShp = new QFrame(GoPnl);
  SetShp->setObjectName("SetShp");
  SetShp->setStyleSheet("#SetShp { background: #DFE5EB; border: 1px solid #C0C7CF; }");
  SetShp->setGeometry(0, 0, GoPnl->width(), 113);
  DefaultBtn = app::FlatButton(GoPnl, "Default", QRect(310, 5, 56, 22));
  DefaultBtn->setToolTip("Default settings");
  AdBtn = app::FlatButton(GoPnl, "More ...", QRect(372, 5, 65, 22));
  for (QPushButton* link : {DefaultBtn, AdBtn}) {
    link->setStyleSheet("QPushButton { text-decoration: underline; border: none; }");
  }
  AdPop = MakeCompanionMenu();
  AdPop->addSeparator();
  PlaylistsAct = AdPop->addAction("Save playlists as M3U8 files");
  TrackListAct = AdPop->addAction("Save a track list with ratings (CSV)");
  CoversAct = AdPop->addAction("Save album covers (cover.jpg)");
  for (QAction* option : {PlaylistsAct, TrackListAct, CoversAct}) option->setCheckable(true);
  DestLb = app::Label(GoPnl, "Save song files to folder:", QPoint(16, 28), font(), Qt::black);
  DestLb->setStyleSheet("background: #DFE5EB;");
  DestEdt = new QLineEdit(GoPnl);
  DestEdt->setGeometry(16, 45, 392, 19);
  DestEdt->setAccessibleName("Save song files to folder");
  BrowseBtn = app::FlatButton(GoPnl, "...", QRect(414, 42, 23, 22));
  BrowseBtn->setToolTip("Choose the folder");
  BrowseBtn->setAccessibleName("Browse");
  FormatLst = new QComboBox(GoPnl);
  for (const TNameSchemeInfo& scheme : kNameSchemes) FormatLst->addItem(scheme.Label);
  FormatLst->setGeometry(129, 78, 306, 21);
  FormatLst->setEditable(false);
  FormatLst->setStyleSheet("QComboBox { background: #DFE5EB; }");
  FormatLst->setAccessibleName("File names");
  iTunesCb = new QCheckBox("Transfer music and playlists to iTunes library", GoPnl);
  iTunesCb->setToolTip("Transfer the music, movies, playlists etc. to iTunes directly");
  QFont bold = font();
  bold.setBold(true);
  iTunesCb->setFont(bold);
  iTunesCb->setGeometry(16, 136, 300, 17);
  ToPcBtn = new QPushButton("Start Transfer", GoPnl);
  ToPcBtn->setGeometry(323, 129, 117, 31);
  Tilb = app::Label(CopyPnl, "", QPoint(14, 8), bold, Qt::white);
  Tilb->resize(560, Tilb->height());
  connect(DefaultBtn, &QPushButton::clicked, this, [this] { DefaultBtnClick(); });
  connect(AdBtn, &QPushButton::clicked, this, [this] { AdBtnClick(); });
  connect(BrowseBtn, &QPushButton::clicked, this, [this] { BrowseBtnClick(); });
  connect(ToPcBtn, &QPushButton::clicked, this, [this] { ToPcBtnClick(); });
  connect(FormatLst, &QComboBox::currentIndexChanged, this,
          [this](int scheme) { CoversAct->setEnabled(scheme == nsArtistAlbumFolders); });
  PickFolder = [this] {
    return QFileDialog::getExistingDirectory(
        this, "Select folder to save music files", QString(),
        QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
  };
}

void TMusicTranFrm::OptionsToControls() {
  DestEdt->setText(QString::fromStdString(Options.DestFolder));
  FormatLst->setCurrentIndex(Options.NameScheme >= 0 && Options.NameScheme < FormatLst->count()
                                 ? Options.NameScheme
                                 : kDefaultScheme);
  iTunesCb->setChecked(Options.AddToItunes);
  PlaylistsAct->setChecked(Options.SavePlaylists);
  TrackListAct->setChecked(Options.SaveTrackList);
  CoversAct->setChecked(Options.SaveCovers);
  CoversAct->setEnabled(FormatLst->currentIndex() == nsArtistAlbumFolders);
}

void TMusicTranFrm::ControlsToOptions() {
  Options.DestFolder = DestEdt->text().toStdString();
  Options.NameScheme = FormatLst->currentIndex();
  Options.AddToItunes = iTunesCb->isChecked();
  Options.SavePlaylists = PlaylistsAct->isChecked();
  Options.SaveTrackList = TrackListAct->isChecked();
  Options.SaveCovers = CoversAct->isChecked();
}

// Under the button, toggled; the panel takes no focus in this window.
void TMusicTranFrm::ExportBtnClick() { ToggleGoPnlUnderExportBtn(false); }

void TMusicTranFrm::BrowseBtnClick() {
  const QString folder = PickFolder();
  if (!folder.isEmpty()) DestEdt->setText(folder);
}

void TMusicTranFrm::DefaultBtnClick() {
  std::string folder;
  if (MusicDb) {
    MusicDb->GetDefaultFolder(folder);
  } else {
    TIpodMusicDb(Device.get()).GetDefaultFolder(folder);
  }
  DestEdt->setText(QString::fromStdString(folder));
  FormatLst->setCurrentIndex(kDefaultScheme);
  iTunesCb->setChecked(true);
}

void TMusicTranFrm::AdBtnClick() { AdPop->popup(AdBtn->mapToGlobal(QPoint(0, AdBtn->height()))); }

void TMusicTranFrm::ToPcBtnClick() {
  GoPnl->hide();
  StartTransfer(iTunesCb->isChecked());
}

void TMusicTranFrm::StartTransfer(bool addToItunes) {
  if (Copying || !MusicDb) return;
  if (MusicModel->rowCount() == 0) {
    Messages.Warning(this, "Nothing to transfer.");
    return;
  }
  if (MusicDb->Tracks.CheckedCount == 0) {
    Messages.Information(this, "No music has been selected to transfer.");
    return;
  }
  if (!DestinationChosen(
          *DestEdt, PickFolder, "Please choose a traget folder to save the music files.",
          "You need to choose a folder in your PC to save all the transferred files.")) {
    return;
  }
  // The scheme first: the room needed depends on the names already there.
  MusicDb->NameScheme = static_cast<uint8_t>(FormatLst->currentIndex());
  MusicDb->SavePlaylists = PlaylistsAct->isChecked();
  MusicDb->SaveTrackList = TrackListAct->isChecked();
  MusicDb->SaveCovers = CoversAct->isChecked();  // the library writes them under scheme 0 only
  std::string folder = DestEdt->text().toStdString();
  if (!MusicDb->PrepareDestination(folder)) {
    Messages.Warning(this, QString::fromStdString(folder));
    return;
  }
  ControlsToOptions();
  CopyPrgs->setMaximum(MusicDb->Tracks.CheckedCount);
  Tilb->setText("Transferring selected items ...");
  PgLb->setText("");
  auto worker = std::make_unique<app::ThreadWorker<TMusicCopyThread>>(
      *MusicDb, services_.Dispatcher, addToItunes, false);
  TMusicCopyThread& thread = worker->Worker();
  thread.OnProgress = [this](const std::string& text) { CopyProgress(text); };
  thread.OnStatus = [this](const std::string& text, uint8_t kind) { CopyStatus(text, kind); };
  BeginTransfer(std::move(worker),
                TIpodMusicDb::DetailLogHead(FormatLst->currentIndex(), !Device->IsIos));
  thread.Start();
}

void TMusicTranFrm::CopyProgress(const std::string& text) {
  PgLb->setText(QString::fromStdString(text));
  CopyPrgs->setValue(CopyPrgs->value() + 1);
  MusicModel->CopyMarksChanged();  // the track before this one has its mark
}

void TMusicTranFrm::CopyStatus(const std::string& text, uint8_t kind) {
  Tilb->setText(QString::fromStdString(text));
  if (kind == mskLongStep) {
    PgLb->setText("This may take a few minutes, please wait ...");
    CopyPrgs->setRange(0, 0);  // an endless marquee
    return;
  }
  if (kind != mskEnded) return;
  PgLb->setText("");
  CopyPrgs->setRange(0, std::max(MusicDb->Tracks.CheckedCount, 1));
  CopyPrgs->setValue(CopyPrgs->maximum());
  MusicModel->CopyMarksChanged();
  TransferEnded(MusicDb->DetailLogTail());
}

}  // namespace ortelan::windows
