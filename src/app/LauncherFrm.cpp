#include "app/LauncherFrm.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QScreen>
#include <QToolButton>
#include <QWindow>

#include "app/Fonts.h"
#include "app/Labels.h"
#include "app/Links.h"
#include "app/PicturePanel.h"
#include "app/Pictures.h"
#include "app/WindowShape.h"

namespace ortelan::app {

namespace {

QToolButton* JobButton(QWidget* parent, const QString& caption, const QString& tip,
                       const QImage& glyph, QPoint at) {
  auto* button = new QToolButton(parent);
  button->setText(caption);
  button->setToolTip(tip);
  button->setIcon(QIcon(QPixmap::fromImage(glyph)));
  button->setIconSize(QSize(48, 48));
  button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  button->setAutoRaise(true);
  button->setGeometry(QRect(at, QSize(120, 97)));
  return button;
}

}  // namespace

TLauncherFrm::TLauncherFrm(AppServices& services)
    : QWidget(nullptr, Qt::FramelessWindowHint), services_(services) {
  setWindowTitle("Ortelan Suit");
  setFont(UiFont(8));
  setFixedSize(386, 226);
  setAutoFillBackground(true);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, Qt::white);
  setPalette(palette);

  TitlePnl = new PicturePanel(this, pictures::TitleBar);
  TitlePnl->setGeometry(0, 0, 386, 48);
  TitlePnl->installEventFilter(this);
  Shdlb =
      Label(TitlePnl, "Ortelan Suit", QPoint(11, 14), UiFont(10, true), QColor(0xFD, 0xFD, 0xFD));
  TitleLb = Label(TitlePnl, "Ortelan Suit", QPoint(11, 13), UiFont(10, true), Qt::black);
  TitleLb->installEventFilter(this);
  CloseBtn = new controls::TPicButton(TitlePnl);
  CloseBtn->SetBitmap(pictures::CloseFace(false));
  CloseBtn->SetDownBitmap(pictures::CloseFace(true));
  CloseBtn->move(386 - 14 - 8, 8);
  connect(CloseBtn, &controls::TPicButton::Clicked, this, &QWidget::close);

  MainPnl = new QWidget(this);
  MainPnl->setGeometry(0, 48, 386, 226 - 48 - 25);
  MusicBtn = JobButton(MainPnl, "Transfer Music", "Transfer Music, Movies and Playlists",
                       pictures::MusicGlyph(), QPoint(48, 24));
  PhotoBtn = JobButton(MainPnl, "Transfer Photos", "Transfer photos and pictures",
                       pictures::PhotoGlyph(), QPoint(216, 24));
  connect(MusicBtn, &QToolButton::clicked, this, &TLauncherFrm::MusicBtnClick);
  connect(PhotoBtn, &QToolButton::clicked, this, &TLauncherFrm::PhotoBtnClick);
  for (int x : {0, 385}) {  // lshp, rshp
    auto* line = new QWidget(MainPnl);
    line->setGeometry(x, 0, 1, MainPnl->height());
    line->setStyleSheet("background: #474747;");
  }

  Downpnl = new PicturePanel(this, pictures::BottomBar);
  Downpnl->setGeometry(0, 226 - 25, 386, 25);
  Downpnl->installEventFilter(this);
  const QString site = QString(kHomePage).remove("https://").remove(QRegularExpression("/$"));
  Homelb = Label(Downpnl, site, QPoint(254, 3), font(), Qt::black);
  Homelb->setCursor(Qt::PointingHandCursor);
  Homelb->installEventFilter(this);

  ApplyRoundRegion(*this);  // never resized: shaped once
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  services_.LauncherPlace = geometry();
}

TLauncherFrm::~TLauncherFrm() = default;

void TLauncherFrm::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  services_.LauncherPlace = geometry();
}

bool TLauncherFrm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (watched == Homelb && mouse->button() == Qt::LeftButton) {
      OpenWebPage(kHomePage);
      return true;
    }
    if ((watched == TitlePnl || watched == TitleLb || watched == Downpnl) &&
        mouse->button() == Qt::LeftButton) {
      if (windowHandle()) windowHandle()->startSystemMove();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TLauncherFrm::MusicBtnClick() { RunJob(MakeMusicWindow); }
void TLauncherFrm::PhotoBtnClick() { RunJob(MakePhotoWindow); }

void TLauncherFrm::RunJob(
    const std::function<std::unique_ptr<TTransferFrm>(AppServices&, QWidget*)>& make) {
  if (!make || TransferFrm) return;
  const QPoint place = pos();
  hide();
  // Shown again at its place however the job ends, an error included.
  struct ShowAgain {
    TLauncherFrm* launcher;
    QPoint place;
    ~ShowAgain() {
      launcher->TransferFrm = nullptr;
      launcher->move(place);
      launcher->show();
    }
  } showAgain{this, place};
  std::unique_ptr<TTransferFrm> window = make(services_, this);
  TransferFrm = window.get();
  window->exec();
}

}  // namespace ortelan::app
