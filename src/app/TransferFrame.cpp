#include "app/TransferFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QWindow>

#include "app/DetailLogFrm.h"
#include "app/Fonts.h"
#include "app/Labels.h"
#include "app/Links.h"
#include "app/PicturePanel.h"
#include "app/Pictures.h"
#include "app/WindowShape.h"
#include "util/Text.h"

namespace ortelan::app {

namespace {

constexpr int kTitleHeight = 57, kStatusHeight = 29;

// The system's message boxes take "\r" as no line break.
QString Shown(const QString& text) {
  QString shown = text;
  return shown.replace('\r', '\n');
}

}  // namespace

FrameMessages FrameMessages::Standard() {
  FrameMessages m;
  m.Warning = [](QWidget* w, const QString& t) { QMessageBox::warning(w, QString(), Shown(t)); };
  m.Information = [](QWidget* w, const QString& t) {
    QMessageBox::information(w, QString(), Shown(t));
  };
  m.Error = [](QWidget* w, const QString& t) { QMessageBox::critical(w, QString(), Shown(t)); };
  m.Confirm = [](QWidget* w, const QString& t) {
    return QMessageBox::question(w, QString(), Shown(t), QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
  };
  return m;
}

TTransferFrm::TTransferFrm(AppServices& services, FrameLook look, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      services_(services),
      look_(std::move(look)) {
  setModal(true);
  setFont(UiFont(8));
  resize(look_.DesignSize);
  setMinimumSize(800, 520);
  BuildChrome();
  BuildErrPnl();
  BuildCopyPnl();
  GoPnl = new QFrame(this);
  GoPnl->setObjectName("GoPnl");
  GoPnl->setFrameStyle(QFrame::Box | QFrame::Plain);
  GoPnl->setStyleSheet("#GoPnl { background: #FAFAFA; border: 1px solid #7A7A7A; }");
  GoPnl->resize(look_.GoPnlSize);
  GoPnl->setFocusPolicy(Qt::StrongFocus);
  GoPnl->hide();
  // GoPnl hides when the keyboard focus leaves it. The list a combo box of
  // the panel drops down is a window of its own, yet still the panel's.
  focusWatch_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    for (QWidget* w = now; w != nullptr; w = w->parentWidget()) {
      if (w == GoPnl) return;
    }
    GoPnl->hide();
  });
  PlaceAnchored();
}

TTransferFrm::~TTransferFrm() {
  // The focus moves while the children go: no longer this window's concern.
  disconnect(focusWatch_);
  // A window destroyed without its close (an error during its start) still
  // lets its worker finish before the library and the device go.
  WaitForWorker();
}

void TTransferFrm::BuildChrome() {
  TopPnl = new PicturePanel(this, pictures::TitleBar);
  TopPnl->installEventFilter(this);
  Caplb = Label(TopPnl, look_.DesignCaption, QPoint(look_.CaptionLeft, 6), UiFont(10, true),
                QColor(0xF2, 0xF2, 0xF2));
  CapShLb = Label(TopPnl, look_.DesignCaption, QPoint(look_.CaptionLeft, 5), UiFont(10, true),
                  QColor(0x35, 0x35, 0x42));
  CapShLb->installEventFilter(this);
  WebLb = Label(TopPnl, "About", look_.AboutAt, font(), look_.LinkColour);
  HlpLb = Label(TopPnl, "Help (?)", look_.HelpAt, font(), look_.LinkColour);
  for (QLabel* link : {WebLb, HlpLb}) {
    link->setCursor(Qt::PointingHandCursor);
    link->installEventFilter(this);
  }
  CloseBtn = new controls::TPicButton(TopPnl);
  CloseBtn->SetBitmap(pictures::CloseFace(false));
  CloseBtn->SetDownBitmap(pictures::CloseFace(true));
  connect(CloseBtn, &controls::TPicButton::Clicked, this, &QDialog::close);
  CheckBtn = new controls::TPicButton(TopPnl);
  CheckBtn->SetBitmap(pictures::CheckButtonFace(false));
  CheckBtn->SetDownBitmap(pictures::CheckButtonFace(true));
  CheckBtn->move(look_.CheckBtnAt);
  CheckBtn->setToolTip("Check");
  ExportBtn = new controls::TPicButton(TopPnl);
  ExportBtn->SetBitmap(pictures::ExportButtonFace(false));
  ExportBtn->SetDownBitmap(pictures::ExportButtonFace(true));
  ExportBtn->SetCaption("To PC");
  ExportBtn->SetCaptionPosition(controls::cpLeft);
  ExportBtn->SetSpace(28);
  ExportBtn->SetHotFontColor(QColor(0, 0, 0x80));
  ExportBtn->move(look_.ExportBtnAt);
  connect(ExportBtn, &controls::TPicButton::Clicked, this, &TTransferFrm::ExportBtnClick);

  LowPnl = new PicturePanel(this, pictures::BottomBar);
  StatusLb = new QLabel(LowPnl);
  StatusLb->setAlignment(Qt::AlignCenter);
  StatusLb->setAttribute(Qt::WA_TranslucentBackground);
  ResizeImg = new QLabel(LowPnl);
  ResizeImg->setCursor(Qt::SizeFDiagCursor);
  ResizeImg->installEventFilter(this);

  spl = new QSplitter(Qt::Horizontal, this);
  spl->setHandleWidth(1);
  spl->setOpaqueResize(true);
  spl->setChildrenCollapsible(false);
  spl->setStyleSheet("QSplitter::handle { background: #3F3F3F; }");
  LeftPnl = new QWidget(spl);
  LeftPnl->setMinimumWidth(150);
  ContentPnl = new QWidget(spl);
  ContentPnl->setMinimumWidth(150);
  spl->setSizes({look_.LeftPaneWidth, look_.DesignSize.width() - look_.LeftPaneWidth});
}

void TTransferFrm::BuildErrPnl() {
  ErrPnl = new QFrame(this);
  ErrPnl->setObjectName("ErrPnl");
  ErrPnl->setStyleSheet("#ErrPnl { background: #FAFAFA; border: 1px solid #7A7A7A; }");
  ErrPnl->resize(492, 328);
  ErrLb =
      Label(ErrPnl, "No device found", QPoint(14, 17), UiFont(14, true), QColor(0x2B, 0x3E, 0x55));
  ErrLb->resize(400, ErrLb->height());
  HelpBtn = new QPushButton("Help", ErrPnl);
  HelpBtn->setGeometry(492 - 14 - 40, 17, 40, 22);
  connect(HelpBtn, &QPushButton::clicked, this, [this] { OpenHelp(look_.HelpPage); });
  auto* rule = new QFrame(ErrPnl);
  rule->setGeometry(14, 57, 459, 4);
  rule->setStyleSheet("background: #4267A4; border: 1px solid #3A5A8F;");
  TipImg = new QLabel(ErrPnl);
  TipImg->setPixmap(QPixmap::fromImage(pictures::ConnectorDrawing()));
  TipImg->setGeometry(24, 84, 101, 108);
  Gdlb = new QLabel("Please connect iPod, iPhone or iPad to the computer", ErrPnl);
  Gdlb->setGeometry(150, 90, 320, 90);
  Gdlb->setWordWrap(true);
  Gdlb->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  StopBtn = new QPushButton("Prevent iTunes to start automatically", ErrPnl);
  StopBtn->setToolTip("Prevent iTunes to start when connecting the iPod");
  StopBtn->setGeometry(150, 196, 240, 30);
  connect(StopBtn, &QPushButton::clicked, this, &TTransferFrm::StopBtnClick);
  auto* bevel = new QFrame(ErrPnl);
  bevel->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  bevel->setGeometry(14, 254, 464, 2);
  IphoneErrLb = Label(ErrPnl, look_.IphoneErrText, QPoint(14, look_.IphoneErrTop), font(),
                      QColor(0xEA, 0, 0));
  QFont errFont = font();
  errFont.setUnderline(look_.IphoneErrUnderlined);
  IphoneErrLb->setFont(errFont);
  IphoneErrLb->adjustSize();
  IphoneErrLb->setCursor(Qt::PointingHandCursor);
  IphoneErrLb->installEventFilter(this);
  IphoneErrLb->hide();
  auto* bottomBar = new QFrame(ErrPnl);
  bottomBar->setGeometry(1, 328 - 5, 490, 4);
  bottomBar->setStyleSheet("background: #D1D1D1; border: 1px solid #DDDDDD;");
  ErrPnl->hide();
}

void TTransferFrm::BuildCopyPnl() {
  CopyPnl = new QFrame(this);
  CopyPnl->setObjectName("CopyPnl");
  CopyPnl->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  CopyPnl->setStyleSheet("#CopyPnl { background: #8F8F8F; }");
  CopyPnl->resize(689, 81);
  DetailLb = Label(CopyPnl, "View Detail Log", QPoint(0, 8), font(), Qt::white);
  QFont linkFont = font();
  linkFont.setUnderline(true);
  DetailLb->setFont(linkFont);
  DetailLb->adjustSize();
  DetailLb->move(600 - DetailLb->width(), 8);  // right-aligned at 600
  DetailLb->setCursor(Qt::PointingHandCursor);
  DetailLb->installEventFilter(this);
  PgLb = Label(CopyPnl, "-", QPoint(14, 30), font(), Qt::white);
  PgLb->resize(560, PgLb->height());
  WorkShp = new controls::TProgressShape(CopyPnl);
  WorkShp->setGeometry(650, 6, 25, 25);
  WorkShp->SetBlockCount(3);
  WorkShp->SetPadding(4);
  WorkShp->SetInterval(500);
  WorkShp->Appearance().SetBlockColor(look_.BlockColour);
  WorkShp->setEnabled(false);
  WorkShp->Loaded();
  WorkShp->hide();
  CopyPrgs = new QProgressBar(CopyPnl);
  CopyPrgs->setGeometry(14, 57, 560, 12);
  CopyPrgs->setTextVisible(false);
  CopyPrgs->setStyleSheet(
      "QProgressBar { background: #EBEBEB; border: none; }"
      " QProgressBar::chunk { background: #3F77BC; }");
  CancelBtn = new controls::TPicButton(CopyPnl);
  CancelBtn->SetBitmap(pictures::CancelFace());
  CancelBtn->SetDownBitmap(pictures::CancelFace());
  CancelBtn->move(595, 48);
  CancelBtn->SetCaptionPosition(controls::cpLeft);
  CancelBtn->SetSpace(32);
  CancelBtn->SetHotFontColor(QColor(0, 0, 0x80));
  CancelBtn->SetCaption("Cancel");
  connect(CancelBtn, &controls::TPicButton::Clicked, this, &TTransferFrm::CancelBtnClick);
  CopyPnl->hide();
}

void TTransferFrm::PlaceAnchored() {
  const int w = width(), h = height();
  const int fromRight = look_.DesignSize.width();
  TopPnl->setGeometry(0, 0, w, kTitleHeight);
  WebLb->move(w - (fromRight - look_.AboutAt.x()), look_.AboutAt.y());
  HlpLb->move(w - (fromRight - look_.HelpAt.x()), look_.HelpAt.y());
  CloseBtn->move(w - (fromRight - look_.CloseAt.x()), look_.CloseAt.y());
  LowPnl->setGeometry(0, h - kStatusHeight, w, kStatusHeight);
  StatusLb->setGeometry(4, 0, w - 8, kStatusHeight);
  const int gripWidth = look_.Resizable ? 14 : 4;
  ResizeImg->setGeometry(w - gripWidth, 0, gripWidth, kStatusHeight);
  spl->setGeometry(1, kTitleHeight, w - 2, h - kTitleHeight - kStatusHeight);
}

void TTransferFrm::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  PlaceAnchored();
  for (QWidget* panel : {static_cast<QWidget*>(ErrPnl), static_cast<QWidget*>(CopyPnl)}) {
    if (panel->isVisible()) ShowOverlayPanel(panel, true);  // keep it centred
  }
  if (look_.Resizable) {
    ApplyRoundRegion();
    update();
  }
}

void TTransferFrm::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  QPainter painter(this);
  painter.setPen(QColor(0x47, 0x47, 0x47));  // the side lines Lshp and Rshp
  painter.drawLine(0, kTitleHeight, 0, height() - kStatusHeight);
  painter.drawLine(width() - 1, kTitleHeight, width() - 1, height() - kStatusHeight);
}

void TTransferFrm::ApplyRoundRegion() { app::ApplyRoundRegion(*this); }

bool TTransferFrm::eventFilter(QObject* watched, QEvent* event) {
  const auto type = event->type();
  if (type == QEvent::MouseButtonPress) {
    if (PressOnChrome(watched, *static_cast<QMouseEvent*>(event))) return true;
  } else if ((watched == WebLb || watched == HlpLb) &&
             (type == QEvent::Enter || type == QEvent::Leave)) {
    SetTextColour(static_cast<QLabel*>(watched),
                  type == QEvent::Enter ? QColor(0xFF, 0xFF, 0xFF) : QColor(0x3B, 0x3B, 0x3B));
  }
  return QDialog::eventFilter(watched, event);
}

bool TTransferFrm::PressOnChrome(QObject* watched, const QMouseEvent& mouse) {
  const bool left = mouse.button() == Qt::LeftButton;
  if ((watched == TopPnl || watched == CapShLb) && left) {
    if (windowHandle()) windowHandle()->startSystemMove();
    return true;
  }
  if (watched == ResizeImg && look_.Resizable) {
    if (windowHandle()) windowHandle()->startSystemResize(Qt::BottomEdge | Qt::RightEdge);
    return true;
  }
  if (!left) return false;
  if (watched == WebLb) OpenWebPage(kHomePage);
  if (watched == HlpLb) OpenHelp(look_.HelpPage);
  if (watched == IphoneErrLb) OpenWebPage(kDownloadPage);
  if (watched == DetailLb) DetailLbClick();
  return false;
}

void TTransferFrm::SetTitle() {
  const QString title = look_.DesignCaption + look_.VersionSuffix;
  for (QLabel* label : {Caplb, CapShLb}) {
    label->setText(title);
    label->adjustSize();
  }
  setWindowTitle(title);
}

void TTransferFrm::CreateDevice() {
  Device = std::make_unique<TIpodDevice>(
      [this](bool connected, bool) { DeviceStateChanged(connected); }, services_.ForDevice());
}

void TTransferFrm::ShowIosWarningIfNeeded() {
  if (Device->IosUnavailable) IphoneErrLb->show();
}

void TTransferFrm::FirstScan() { Device->ScanDrives(); }

void TTransferFrm::ItunesRunningHint() {
  if (ErrPnl->isVisible() && Device->IsItunesRunning()) {
    Gdlb->setText(
        "1. Disconnect your iPod from computer first\r\r2. Then, re-connect iPod to the computer");
  }
}

void TTransferFrm::EnableBrowsing(bool value) {
  for (QWidget* control : BrowsingControls()) control->setEnabled(value);
  CheckBtn->setEnabled(value);
  ExportBtn->setEnabled(value);
  GoPnl->hide();
}

void TTransferFrm::ShowOverlayPanel(QWidget* panel, bool value) {
  if (value) {
    panel->move((width() - panel->width()) / 2, (height() - panel->height()) / 2);
    panel->raise();
  }
  EnableBrowsing(!value);
  panel->setVisible(value);
}

void TTransferFrm::DeviceStateChanged(bool connected) {
  if (connected) {
    ErrLb->setText("Connected, reading ...");
    Gdlb->setText("Please wait ...");
    QCoreApplication::processEvents();
    if (!LoadLibrary()) return;
    ShowOverlayPanel(ErrPnl, false);
    return;
  }
  ErrLb->setText("No device found");
  Gdlb->setText(look_.ReconnectText);
  StatusLb->setText(look_.LossStatus);
  EmptyViews();
  if (Copying) StopCopy(true);
  AfterDeviceLost();
  ShowOverlayPanel(ErrPnl, true);
}

void TTransferFrm::StopBtnClick() {
  if (Device->IsItunesRunning()) {
    Messages.Warning(this, look_.ItunesRunningText);
    return;
  }
  Device->StopItunesHelper();
  Messages.Information(this, look_.HelperStoppedText);
}

void TTransferFrm::StopCopy(bool wait) {
  if (!Copying) return;
  if (CopyThread) CopyThread->Terminate();
  if (wait) {
    WaitForWorker();
  } else {
    Copying = false;
  }
}

void TTransferFrm::WaitForWorker() {
  // The worker's reports are handed to this thread and wait there: keep
  // serving them until it has handed over its last one.
  if (!CopyThread) return;
  QEventLoop loop;
  QTimer poll;
  connect(&poll, &QTimer::timeout, &loop, [&] {
    if (CopyThread->Finished()) loop.quit();
  });
  poll.start(5);
  if (!CopyThread->Finished()) loop.exec();
  CopyThread.reset();
}

void TTransferFrm::SetCancelFace(bool done) {
  CancelBtn->LoadBitmapPixels(done ? pictures::DoneFace() : pictures::CancelFace());
  CancelBtn->SetDownBitmap(done ? pictures::DoneFace() : pictures::CancelFace());
  CancelBtn->SetCaption(done ? "Done" : "Cancel");
  CancelBtn->setEnabled(true);
}

void TTransferFrm::BeginTransfer(std::unique_ptr<TransferWorker> worker,
                                 const std::string& logHead) {
  WaitForWorker();  // the worker of the last transfer, if it is still going
  DetailLog = logHead;
  CopyThread = std::move(worker);
  Copying = true;
  SetCancelFace(false);
  DetailLb->hide();
  CopyPrgs->setValue(0);
  WorkShp->show();
  WorkShp->setEnabled(true);
  ShowOverlayPanel(CopyPnl, true);
}

void TTransferFrm::ToggleGoPnlUnderExportBtn(bool takeFocus) {
  if (GoPnl->isVisible()) {
    GoPnl->hide();
    return;
  }
  GoPnl->move(TopPnl->x() + ExportBtn->x(), TopPnl->y() + ExportBtn->y() + ExportBtn->height());
  GoPnl->raise();
  GoPnl->show();
  if (takeFocus) GoPnl->setFocus();
}

bool TTransferFrm::DestinationChosen(QLineEdit& edit, const std::function<QString()>& pickFolder,
                                     const QString& askText, const QString& missingText) {
  auto trimmed = [&edit] {
    edit.setText(QString::fromStdString(Trim(edit.text().toStdString())));
    return edit.text();
  };
  if (!trimmed().isEmpty()) return true;
  Messages.Warning(this, askText);
  const QString folder = pickFolder();
  if (!folder.isEmpty()) edit.setText(folder);
  if (!trimmed().isEmpty()) return true;
  Messages.Warning(this, missingText);
  return false;
}

QMenu* TTransferFrm::MakeCompanionMenu() {
  auto* menu = new QMenu(this);
  menu->addAction("Transfer SMS, contacts, history and more", this,
                  [] { OpenWebPage(kCompanionPage); });
  return menu;
}

void TTransferFrm::TransferEnded(const std::string& logTail) {
  DetailLog += logTail;
  Copying = false;
  WorkShp->setEnabled(false);
  WorkShp->hide();
  SetCancelFace(true);
  DetailLb->show();
}

void TTransferFrm::CancelBtnClick() {
  if (CancelBtn->Caption() == "Cancel") {
    StopCopy(false);
    CancelBtn->setEnabled(false);
    return;
  }
  OpenFolderAction(DestinationFolder());
  ShowOverlayPanel(CopyPnl, false);
}

void TTransferFrm::DetailLbClick() {
  TDetailLogFrm dialog(this, services_.LauncherPlace);
  dialog.AppendLog(DetailLog);
  dialog.exec();
}

void TTransferFrm::ExportBtnClick() {
  GoPnl->move((width() - GoPnl->width()) / 2, (height() - GoPnl->height()) / 2);
  GoPnl->raise();
  GoPnl->show();
  GoPnl->setFocus();
}

void TTransferFrm::closeEvent(QCloseEvent* event) {
  if (Copying) {
    Messages.Warning(
        this, "Transfer is in progress.\rPlease cancel the transfer before closing the program.");
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
  done(QDialog::Rejected);  // ends the modal loop
}

void TTransferFrm::reject() { close(); }  // Esc closes through the same rules

void TTransferFrm::FormClose() {
  SaveOptions();
  if (Device) Device->OnDeviceChange = nullptr;
  WaitForWorker();  // after Cancel it may still be finishing its item
  FreeLibrary();
  if (Device && Device->DiskModeConnected) {
    Device->EjectOnClose = Messages.Confirm(
        this,
        "Do you want to eject your iPod now?\rEject it only when you want to disconnect the iPod "
        "from PC.\rYou can also eject it later from iTunes.");
  }
  Device.reset();
}

}  // namespace ortelan::app
