#include "windows/photo/PhotoTranFrm.h"

#include <QApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/Links.h"
#include "app/Pictures.h"
#include "windows/photo/PhotoTiles.h"

namespace ortelan::windows {

namespace {

app::FrameLook PhotoLook() {
  app::FrameLook look;
  look.DesignCaption = "Ortelan Photo";
  look.VersionSuffix = " 5.3";
  look.DesignSize = QSize(800, 557);
  look.CaptionLeft = 24;
  look.AboutAt = QPoint(688, 7);
  look.HelpAt = QPoint(731, 7);
  look.CloseAt = QPoint(779, 7);
  look.CheckBtnAt = QPoint(247, 25);
  look.ExportBtnAt = QPoint(288, 25);
  look.LinkColour = QColor(0x3B, 0x3B, 0x3B);
  look.Resizable = false;
  look.LeftPaneWidth = 167;
  look.GoPnlSize = QSize(452, 134);
  look.BlockColour = QColor(0xF7, 0xF7, 0xF7);
  look.HelpPage = app::kPhotoHelpPage;
  look.IphoneErrText = "(x) Cannot find the iTunes in this computer. Please click here for help.";
  look.IphoneErrUnderlined = false;
  look.IphoneErrTop = 287;
  look.ReconnectText =
      "1. Disconnect your iPod from computer first\r\r2. Then, re-connect iPod to the computer";
  look.LossStatus = "Lost connection with iPod, operation abort.";
  look.ItunesRunningText = "The iTunes is running!\rPlease close the iTunes first to try again.";
  look.HelperStoppedText = "Done.\rIt is safe to connect your iPod to computer now.";
  return look;
}

}  // namespace

TPhotoTranFrm::TPhotoTranFrm(app::AppServices& services, QWidget* parent)
    : TTransferFrm(services, PhotoLook(), parent) {
  BuildTree();
  BuildPageBar();
  PhotoList = new TPhotoTileBox(ContentPnl);
  PhotoList->OnTileClick = [this](int32_t tile, bool camera) {
    if (!PhotoDb) return;
    camera ? PhotoDb->CamTileClick(tile) : PhotoDb->PhotoTileClick(tile);
  };
  PhotoList->OnTileOpen = [this](int32_t tile, bool camera) { OpenPreview(tile, camera); };
  PhotoList->OnEmptyClick = [this] { PhotoList->setFocus(); };  // closes an open GoPnl
  auto* contentLayout = new QVBoxLayout(ContentPnl);
  contentLayout->setContentsMargins(0, 0, 0, 0);
  contentLayout->setSpacing(0);
  contentLayout->addWidget(PagePnl);
  contentLayout->addWidget(PhotoList);
  BuildCheckMenu();
  BuildOptions();
  // A wheel turn anywhere in the window scrolls the tiles.
  qApp->installEventFilter(this);
  FormCreate();
}

TPhotoTranFrm::~TPhotoTranFrm() {
  qApp->removeEventFilter(this);
  WaitForWorker();  // it reads the library, which goes with this window
  // The tiles go with the box; the library lets go of it first.
  if (PhotoDb) PhotoDb->Box = nullptr;
}

void TPhotoTranFrm::FormCreate() {
  Closing = false;                 // 1.
  DetailLog.clear();               //    PhotoLog
  ApplyRoundRegion();              // 2.
  ShowOverlayPanel(ErrPnl, true);  // 3.
  SetTitle();                      // 4.
  CreateDevice();                  // 5.
  app::LoadSettings(Options);      // 6.
  DestEdt->setText(QString::fromStdString(Options.DestFolder));
  ShowIosWarningIfNeeded();  // 7.
  FirstScan();               // 8.
  ItunesRunningHint();       // 9.
}

bool TPhotoTranFrm::LoadLibrary() {
  WaitForWorker();  // the last export's worker read the previous library
  RetireLibrary();
  AlbumLstList->clear();
  PhotoDb = std::make_unique<TIpodPhotoDb>(Device.get(), true, PhotoList);
  PhotoDb->OnTileLoaded = [this](int32_t count) { TileLoaded(count); };
  PhotoDb->OnCheckChange = [this](int32_t, bool) { UpdateStatus(); };
  bool loaded = false;
  try {
    loaded = PhotoDb->LoadPhotoLibrary();
  } catch (const std::bad_alloc&) {
    Messages.Error(this, "There is not enough memory to read the photo library.");
    return false;
  }
  if (!PhotoDb->ReadError.empty() && PhotoDb->Photos.Count() == 0) {
    Messages.Error(this,
                   QString::fromStdString("The photo library is damaged and cannot be read.\r" +
                                          PhotoDb->ReadError));
  }
  if (loaded) FillAlbumTree();
  if (AlbumLstList->topLevelItemCount() > 0) {
    AlbumLstList->setCurrentItem(AlbumLstList->topLevelItem(0));
  }
  return true;
}

// The tree empties; the last page's tiles stay, disabled, until the next
// connection or the close.
void TPhotoTranFrm::EmptyViews() {
  AlbumLstList->clear();
  PhotoList->SetTilesEnabled(false);
}

void TPhotoTranFrm::FreeLibrary() {
  Closing = true;
  AlbumLstList->clear();
  RetireLibrary();
}

void TPhotoTranFrm::RetireLibrary() {
  if (!PhotoDb) return;
  if (pagesBuilding_ == 0) {
    PhotoDb.reset();  // its tiles go with it
    return;
  }
  ++pageGeneration_;  // the page being built ends at its next tile
  PhotoDb->Box->ClearTiles();
  PhotoDb->Box = nullptr;
  retiredDb_ = std::move(PhotoDb);
}

// The picture shown for movies: "mov.bmp" beside the program, if it is there.
QString TPhotoTranFrm::MovieBitmapPath() const {
  const QString path = QCoreApplication::applicationDirPath() + "/mov.bmp";
  return QFileInfo::exists(path) ? path : QString();
}

void TPhotoTranFrm::SaveOptions() {
  Options.DestFolder = DestEdt->text().toStdString();
  app::SaveSettings(Options);
}

QList<QWidget*> TPhotoTranFrm::BrowsingControls() const {
  return QList<QWidget*>{AlbumLstList, PhotoList, PrvBtn, NxtBtn};
}

QString TPhotoTranFrm::DestinationFolder() const {
  return QString::fromStdString(Options.DestFolder);
}

}  // namespace ortelan::windows
