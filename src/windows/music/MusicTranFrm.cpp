#include "windows/music/MusicTranFrm.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/Links.h"
#include "app/Pictures.h"
#include "util/Version.h"
#include "windows/music/MusicListModel.h"

namespace ortelan::windows {

namespace {

app::FrameLook MusicLook() {
  app::FrameLook look;
  look.DesignCaption = "Ortelan";
  look.VersionSuffix = QString(" ") + kVersion;
  look.DesignSize = QSize(837, 577);
  look.CaptionLeft = 28;
  look.AboutAt = QPoint(720, 7);
  look.HelpAt = QPoint(765, 7);
  look.CloseAt = QPoint(816, 7);
  look.CheckBtnAt = QPoint(251, 25);
  look.ExportBtnAt = QPoint(293, 25);
  look.LinkColour = Qt::black;
  look.Resizable = true;
  look.LeftPaneWidth = 177;
  look.GoPnlSize = QSize(458, 176);
  look.BlockColour = QColor(0xFC, 0xFC, 0xFC);
  look.HelpPage = app::kMusicHelpPage;
  look.IphoneErrText =
      "(x) Error: Cannot find the iTunes in this computer. Please click here for help.";
  look.IphoneErrUnderlined = true;
  look.IphoneErrTop = 295;
  look.ReconnectText =
      "1. Disconnect your iPod from computer first\r\r2. Then, re-connect it to the computer";
  look.LossStatus = "Lost connection with device, operation aborted.";
  look.ItunesRunningText =
      "The iTunes is running!\rPlease close the iTunes, then, click this button try again.";
  look.HelperStoppedText = "Done.\rIt is safe now to connect your iPod to this computer.";
  return look;
}

}  // namespace

TMusicTranFrm::TMusicTranFrm(app::AppServices& services, QWidget* parent)
    : TTransferFrm(services, MusicLook(), parent) {
  setStyleSheet("TMusicTranFrm { background: white; }");
  IpodLb = new QLabel("-", TopPnl);
  IpodLb->move(28, 38);
  IpodLb->setStyleSheet("color: #3B3B3B;");
  SrEdt = new QLineEdit(TopPnl);
  SrEdt->setFrame(false);
  SrEdt->resize(94, 15);
  PlaceSearchBox();
  SrEdt->setPlaceholderText("Search");
  PlayLstList = new QTreeWidget(LeftPnl);
  PlayLstList->setHeaderHidden(true);
  PlayLstList->setStyleSheet("QTreeWidget { background: #D9DEDB; border: none; }");
  auto* leftLayout = new QVBoxLayout(LeftPnl);
  leftLayout->setContentsMargins(0, 0, 0, 0);
  leftLayout->addWidget(PlayLstList);
  BuildTrackGrid();
  BuildSearch();
  BuildCheckMenu();
  BuildOptions();
  auto* listLayout = new QVBoxLayout(ContentPnl);
  listLayout->setContentsMargins(0, 0, 0, 0);
  listLayout->addWidget(MusicList);
  FormCreate();
}

TMusicTranFrm::~TMusicTranFrm() {
  WaitForWorker();  // it reads the library, which goes with this window
  // The grid asks for rows while its widgets go: never of a freed library.
  if (MusicModel) MusicModel->SetLibrary(nullptr);
}

void TMusicTranFrm::FormCreate() {
  DetailLog.clear();                            // 1. MusicLog
  ApplyRoundRegion();                           // 2. shape, minimum size (set by the frame)
  HeaderBitmap = app::pictures::HeaderStrip();  // 3. "h"
  // 4. each track-list row carries its track's index (the list is the track view's).
  SetTitle();                      // 5.
  ShowOverlayPanel(ErrPnl, true);  // 6.
  app::LoadSettings(Options);      // 7.
  OptionsToControls();
  CreateDevice();            // 8.
  ShowIosWarningIfNeeded();  // 9.
  FirstScan();               // 10. may load the library at once
  ItunesRunningHint();       // 11.
}

bool TMusicTranFrm::LoadLibrary() {
  WaitForWorker();                  // the last transfer's worker read the previous library
  MusicModel->SetLibrary(nullptr);  // and the grid lets go of it first
  MusicDb = std::make_unique<TIpodMusicDb>(Device.get());
  bool loaded = false;
  try {
    loaded = MusicDb->LoadMusicLibrary(true);
  } catch (const std::bad_alloc&) {
    Messages.Error(this, "There is not enough memory to read the music library.");
    return false;
  } catch (const std::exception& error) {
    // The reading ends here; the panel keeps "Connected, reading ...".
    Messages.Error(this, QString::fromStdString(error.what()));
    return false;
  }
  if (loaded) {
    MusicModel->SetLibrary(MusicDb.get());
    FillPlayListTree();
  }
  // Node 0 shows "All Music"; its selection fills the grid.
  if (PlayLstList->topLevelItemCount() > 0) {
    PlayLstList->setCurrentItem(PlayLstList->topLevelItem(0));
  }
  UpdateStatus();
  return true;
}

void TMusicTranFrm::EmptyViews() {
  MusicModel->Clear();
  PlayLstList->clear();
}

void TMusicTranFrm::resizeEvent(QResizeEvent* event) {
  TTransferFrm::resizeEvent(event);
  if (SrEdt) PlaceSearchBox();
}

// The search box keeps its distance from the right edge (686 of 837 at design).
void TMusicTranFrm::PlaceSearchBox() {
  SrEdt->move(width() - (837 - 686), 35);
  if (ClearImg) ClearImg->move(width() - (837 - 786), 34);
}

void TMusicTranFrm::AfterDeviceLost() { QCoreApplication::processEvents(); }

void TMusicTranFrm::FreeLibrary() {
  MusicModel->SetLibrary(nullptr);  // no list request may reach a freed library
  HeaderBitmap = QImage();
  MusicDb.reset();
}

void TMusicTranFrm::SaveOptions() {
  ControlsToOptions();
  app::SaveSettings(Options);
}

QList<QWidget*> TMusicTranFrm::BrowsingControls() const { return {PlayLstList, MusicList, SrEdt}; }

QString TMusicTranFrm::DestinationFolder() const {
  return QString::fromStdString(Options.DestFolder);
}

}  // namespace ortelan::windows
