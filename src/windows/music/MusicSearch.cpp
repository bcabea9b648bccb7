// The music window's search box: Enter searches the whole library, emptying
// the box (Backspace on its last character, the clear picture, Escape) shows
// the tree's view again.

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QToolButton>
#include <QTreeWidget>

#include "windows/music/MusicListModel.h"
#include "windows/music/MusicTranFrm.h"

namespace ortelan::windows {

namespace {

constexpr int kClearSize = 14;

// A grey disc with a white cross.
QIcon ClearPicture() {
  QPixmap picture(kClearSize, kClearSize);
  picture.fill(Qt::transparent);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xA8, 0xAE, 0xB8));
  p.drawEllipse(QRectF(1, 1, kClearSize - 2, kClearSize - 2));
  p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(4.5, 4.5), QPointF(9.5, 9.5));
  p.drawLine(QPointF(9.5, 4.5), QPointF(4.5, 9.5));
  return QIcon(picture);
}

}  // namespace

void TMusicTranFrm::BuildSearch() {
  ClearImg = new QToolButton(TopPnl);
  ClearImg->setIcon(ClearPicture());
  ClearImg->setIconSize(QSize(kClearSize, kClearSize));
  ClearImg->setAutoRaise(true);
  ClearImg->setStyleSheet("QToolButton { border: none; background: transparent; }");
  ClearImg->resize(kClearSize, kClearSize);
  ClearImg->setToolTip("Clear the search");
  ClearImg->setAccessibleName("Clear search");
  ClearImg->hide();
  PlaceSearchBox();
  connect(ClearImg, &QToolButton::clicked, this, [this] { ClearImgClick(); });
  SrEdt->setAccessibleName("Search");
  SrEdt->installEventFilter(this);
}

int TMusicTranFrm::SelectedNode() const {
  return PlayLstList->currentItem() ? PlayLstList->indexOfTopLevelItem(PlayLstList->currentItem())
                                    : -1;
}

bool TMusicTranFrm::SrEdtKeyPress(int key) {
  // After a search that found nothing the box does nothing until the view
  // is filled again.
  if (MusicModel->rowCount() == 0) return false;
  const QString text = SrEdt->text();
  const bool blank = text.trimmed().isEmpty();
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    if (blank) return false;
    SearchTracks(text);
    ClearImg->show();
    return true;
  }
  if (key == Qt::Key_Backspace) {
    if (text.size() == 1) {
      ShowView(SelectedNode());
      ClearImg->hide();
    }
    return false;
  }
  if (!blank && ClearImg->isHidden()) ClearImg->show();
  return false;
}

void TMusicTranFrm::ClearImgClick() {
  SrEdt->clear();
  ShowView(SelectedNode());
  ClearImg->hide();
}

void TMusicTranFrm::SearchTracks(const QString& text) {
  ViewSummary = MusicModel->SearchTracks(text);
  // The totals come back with the next UpdateStatus.
  StatusLb->setText(ViewSummary);
}

bool TMusicTranFrm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == SrEdt && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Escape) {
      ClearImgClick();
      return true;
    }
    if (SrEdtKeyPress(key)) return true;
  }
  return TTransferFrm::eventFilter(watched, event);
}

}  // namespace ortelan::windows
