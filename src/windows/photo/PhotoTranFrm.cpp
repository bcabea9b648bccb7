#include "windows/photo/PhotoTranFrm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/Links.h"
#include "app/Pictures.h"

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
  AlbumLstList = new QTreeWidget(LeftPnl);
  AlbumLstList->setHeaderHidden(true);
  AlbumLstList->setRootIsDecorated(false);
  AlbumLstList->setIndentation(21);
  AlbumLstList->setStyleSheet("QTreeWidget { background: #D1D7E2; border: none; padding: 4px; }");
  auto* leftLayout = new QVBoxLayout(LeftPnl);
  leftLayout->setContentsMargins(0, 0, 0, 0);
  leftLayout->addWidget(AlbumLstList);

  PagePnl = new QWidget(ContentPnl);
  PagePnl->setFixedHeight(24);
  PagePnl->setAutoFillBackground(true);
  auto* pageLayout = new QHBoxLayout(PagePnl);
  pageLayout->setContentsMargins(8, 0, 8, 0);
  pageLayout->addStretch();
  PageLb = new QLabel("Page:", PagePnl);
  SelectPage = new QLabel("1", PagePnl);
  SelectPage->setStyleSheet("font-weight: bold; color: #313131;");
  MaxPage = new QLabel("1", PagePnl);
  MaxPage->setStyleSheet("color: #313131;");
  auto* separator = new QLabel("/", PagePnl);
  separator->setStyleSheet("color: #313131;");
  for (QWidget* w : {static_cast<QWidget*>(PageLb), static_cast<QWidget*>(SelectPage),
                     static_cast<QWidget*>(separator), static_cast<QWidget*>(MaxPage)}) {
    pageLayout->addWidget(w);
  }
  PhotoList = new QScrollArea(ContentPnl);
  PhotoList->setFrameShape(QFrame::NoFrame);
  PhotoList->setStyleSheet("QScrollArea { background: white; }");
  auto* contentLayout = new QVBoxLayout(ContentPnl);
  contentLayout->setContentsMargins(0, 0, 0, 0);
  contentLayout->setSpacing(0);
  contentLayout->addWidget(PagePnl);
  contentLayout->addWidget(PhotoList);
  FormCreate();
}

TPhotoTranFrm::~TPhotoTranFrm() = default;

void TPhotoTranFrm::FormCreate() {
  Closing = false;                 // 1.
  DetailLog.clear();               //    PhotoLog
  ApplyRoundRegion();              // 2.
  ShowOverlayPanel(ErrPnl, true);  // 3.
  SetTitle();                      // 4.
  CreateDevice();                  // 5.
  app::LoadSettings(Options);      // 6.
  ShowIosWarningIfNeeded();        // 7.
  FirstScan();                     // 8.
  ItunesRunningHint();             // 9.
}

bool TPhotoTranFrm::LoadLibrary() {
  PhotoDb = std::make_unique<TIpodPhotoDb>(Device.get(), true, nullptr);
  try {
    PhotoDb->LoadPhotoLibrary();
  } catch (const std::bad_alloc&) {
    Messages.Error(this, "There is not enough memory to read the photo library.");
    return false;
  }
  if (!PhotoDb->ReadError.empty() && PhotoDb->Photos.Count() == 0) {
    Messages.Error(this,
                   QString::fromStdString("The photo library is damaged and cannot be read.\r" +
                                          PhotoDb->ReadError));
  }
  // The album tree and the pages of tiles are filled by the photo views.
  return true;
}

void TPhotoTranFrm::EmptyViews() { AlbumLstList->clear(); }

void TPhotoTranFrm::FreeLibrary() {
  Closing = true;
  AlbumLstList->clear();
  PhotoDb.reset();
}

void TPhotoTranFrm::SaveOptions() { app::SaveSettings(Options); }

QList<QWidget*> TPhotoTranFrm::BrowsingControls() const { return {AlbumLstList, PhotoList}; }

QString TPhotoTranFrm::DestinationFolder() const {
  return QString::fromStdString(Options.DestFolder);
}

}  // namespace ortelan::windows
