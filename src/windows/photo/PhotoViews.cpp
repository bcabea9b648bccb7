// The photo window's views: the album tree, the pages of tiles with their
// page bar, and the status line.

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollBar>
#include <QShortcut>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "app/PicturePanel.h"
#include "app/Pictures.h"
#include "windows/photo/PhotoPictures.h"
#include "windows/photo/PhotoTiles.h"
#include "windows/photo/PhotoTranFrm.h"

namespace ortelan::windows {

namespace {

constexpr int kWheelNotch = 120;  // pixels a notch of the wheel scrolls the tiles

QIcon AlbumIcon(pictures::TAlbumImage image) {
  return QIcon(QPixmap::fromImage(pictures::AlbumNodeImage(image)));
}

QLabel* PageLabel(const QString& text, QWidget* parent, const char* style) {
  auto* label = new QLabel(text, parent);
  label->setStyleSheet(style);
  return label;
}

QToolButton* ArrowButton(Qt::ArrowType arrow, const QString& hint, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setArrowType(arrow);
  button->setAutoRaise(true);
  button->setFixedSize(22, 18);
  button->setToolTip(hint);
  button->hide();
  return button;
}

// Raised through a page's per-tile callback when the page was given up (a
// new library, the close): the library's page loop ends there.
struct PageAbandoned {};

// The page bar's picture: the header strip stretched over the bar.
QImage PageBarPicture(QSize size) { return app::pictures::HeaderStrip().scaled(size); }

}  // namespace

void TPhotoTranFrm::BuildTree() {
  AlbumLstList = new QTreeWidget(LeftPnl);
  AlbumLstList->setHeaderHidden(true);
  AlbumLstList->setRootIsDecorated(false);  // no expand buttons
  AlbumLstList->setItemsExpandable(false);  // and nothing collapses
  AlbumLstList->setIndentation(21);
  AlbumLstList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  AlbumLstList->setStyleSheet("QTreeWidget { background: #D1D7E2; border: none; padding: 4px; }");
  auto* leftLayout = new QVBoxLayout(LeftPnl);
  leftLayout->setContentsMargins(0, 0, 0, 0);
  leftLayout->addWidget(AlbumLstList);
  connect(AlbumLstList, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* node) { AlbumLstListChange(node); });
}

void TPhotoTranFrm::BuildPageBar() {
  PagePnl = new app::PicturePanel(ContentPnl, PageBarPicture);
  PagePnl->setFixedHeight(24);
  auto* layout = new QHBoxLayout(PagePnl);
  layout->setContentsMargins(8, 0, 8, 0);
  layout->setSpacing(4);
  Readlb = PageLabel("0", PagePnl, "font-weight: bold; color: grey;");
  Readlb->hide();
  PageLb = new QLabel("Page:", PagePnl);
  PrvBtn = ArrowButton(Qt::LeftArrow, "Previous page", PagePnl);
  SelectPage = PageLabel("1", PagePnl, "font-weight: bold; color: #313131;");
  SelectPage->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Pgseplb = PageLabel("/", PagePnl, "color: #313131;");
  MaxPage = PageLabel("1", PagePnl, "color: #313131;");
  NxtBtn = ArrowButton(Qt::RightArrow, "Next page", PagePnl);
  layout->addWidget(Readlb);
  layout->addStretch();
  for (QWidget* w :
       std::initializer_list<QWidget*>{PageLb, PrvBtn, SelectPage, Pgseplb, MaxPage, NxtBtn}) {
    layout->addWidget(w);
  }
  connect(NxtBtn, &QToolButton::clicked, this, [this] { NxtBtnClick(); });
  connect(PrvBtn, &QToolButton::clicked, this, [this] { PrvBtnClick(); });
  // Page Up and Page Down turn the pages as the arrows do.
  auto* next = new QShortcut(QKeySequence(Qt::Key_PageDown), this);
  connect(next, &QShortcut::activated, this, [this] {
    if (NxtBtn->isVisible() && NxtBtn->isEnabled()) NxtBtnClick();
  });
  auto* previous = new QShortcut(QKeySequence(Qt::Key_PageUp), this);
  connect(previous, &QShortcut::activated, this, [this] {
    if (PrvBtn->isVisible() && PrvBtn->isEnabled()) PrvBtnClick();
  });
}

void TPhotoTranFrm::FillAlbumTree() {
  const TPhotoAlbumList& albums = PhotoDb->Albums;
  if (albums.Count() > 0) {
    auto* all = new QTreeWidgetItem(AlbumLstList, QStringList("All Pictures"));
    all->setIcon(0, AlbumIcon(pictures::TAlbumImage::Photo));
    for (int a = 1; a < albums.Count(); ++a) {
      auto* node =
          new QTreeWidgetItem(all, QStringList(QString::fromStdString(albums.GetItem(a).Name)));
      node->setIcon(0, AlbumIcon(pictures::TAlbumImage::Album));
    }
    all->setExpanded(true);
  }
  if (PhotoDb->CamPhotos.Count() > 0) {
    auto* camera = new QTreeWidgetItem(AlbumLstList, QStringList("Camera Photos"));
    camera->setIcon(0, AlbumIcon(pictures::TAlbumImage::Camera));
    camera->setData(0, Qt::UserRole, true);
  }
  if (AlbumLstList->topLevelItemCount() == 0)
    Messages.Error(this, "Cannot find photos in this iPod");
}

// "All Pictures" is album 0, its children albums 1 ...
int TPhotoTranFrm::AlbumOfNode(QTreeWidgetItem* node) {
  if (!node) return -1;
  return node->parent() ? node->parent()->indexOfChild(node) + 1 : 0;
}

int TPhotoTranFrm::SelectedAlbum() const { return AlbumOfNode(AlbumLstList->currentItem()); }

bool TPhotoTranFrm::CameraNodeSelected() const {
  const QTreeWidgetItem* node = AlbumLstList->currentItem();
  return node && node->data(0, Qt::UserRole).toBool();
}

void TPhotoTranFrm::AlbumLstListChange(QTreeWidgetItem* node) {
  if (Closing || !node || !PhotoDb) return;
  if (node->data(0, Qt::UserRole).toBool()) {
    ShowCameraRoll();
  } else {
    ShowAlbum(AlbumOfNode(node));
  }
}

void TPhotoTranFrm::ShowAlbum(int album) {
  if (album > PhotoDb->Albums.Count() - 1) return;
  SelectPage->setText("1");
  PrvBtn->hide();
  const int pages = PhotoDb->AlbumPageCount(album);
  MaxPage->setText(QString::number(pages));
  NxtBtn->setVisible(pages >= 2);
  ShowPageOfSelectedNode(1);
}

void TPhotoTranFrm::ShowCameraRoll() {
  SelectPage->setText("1");
  PrvBtn->hide();
  const int pages = PhotoDb->CamPageCount();
  MaxPage->setText(QString::number(pages));
  NxtBtn->setVisible(pages >= 2);
  ShowPageOfSelectedNode(1);
}

void TPhotoTranFrm::ShowPageOfSelectedNode(int page) {
  const int generation = pageGeneration_;
  const int count = ShowPage(page, CameraNodeSelected());
  if (generation != pageGeneration_ - 1) return;  // another page or library took over meanwhile
  PageSummary = QString::number(count);
  UpdateStatus();
}

int TPhotoTranFrm::ShowPage(int page, bool camera) {
  Readlb->setText("0");
  Readlb->show();
  EnableBrowsing(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const int outer = activeGeneration_;
  activeGeneration_ = ++pageGeneration_;
  TIpodPhotoDb& db = *PhotoDb;  // kept alive by LoadLibrary and FreeLibrary while in use
  ++pagesBuilding_;
  int count = 0;
  try {
    if (camera) {
      count = db.ShowCamPage(page, MovieBitmapPath().toStdString());
    } else {
      count = db.ShowAlbumPage(SelectedAlbum(), page, 1);
    }
  } catch (const PageAbandoned&) {
    count = 0;
  } catch (const std::exception& error) {
    Messages.Error(this, QString::fromStdString(error.what()));
  }
  --pagesBuilding_;
  activeGeneration_ = outer;
  if (pagesBuilding_ == 0) retiredDb_.reset();
  QApplication::restoreOverrideCursor();
  Readlb->hide();
  EnableBrowsing(true);
  return count;
}

void TPhotoTranFrm::TileLoaded(int32_t count) {
  Readlb->setText(QString::number(count));
  QApplication::processEvents();
  if (activeGeneration_ != pageGeneration_) throw PageAbandoned{};
}

void TPhotoTranFrm::NxtBtnClick() {
  const int page = SelectPage->text().toInt() + 1;
  SelectPage->setText(QString::number(page));
  if (page == MaxPage->text().toInt()) NxtBtn->hide();
  PrvBtn->show();
  ShowPageOfSelectedNode(page);
}

void TPhotoTranFrm::PrvBtnClick() {
  const int page = SelectPage->text().toInt() - 1;
  SelectPage->setText(QString::number(page));
  if (page == 1) PrvBtn->hide();
  NxtBtn->show();
  ShowPageOfSelectedNode(page);
}

void TPhotoTranFrm::UpdateStatus() {
  if (!PhotoDb) return;
  const int total = PhotoDb->Photos.Count() + PhotoDb->CamPhotos.Count();
  const int checked = PhotoDb->Photos.CheckedCount + PhotoDb->CamPhotos.CheckedCount;
  if (PhotoDb->Photos.CheckedCount > 0 || PhotoDb->CamPhotos.CheckedCount > 0) {
    StatusLb->setText(QString("%1 photos  ( Selected %2 photos / Total %3 photos )")
                          .arg(PageSummary)
                          .arg(checked)
                          .arg(total));
  } else {
    StatusLb->setText(QString("%1 photos  ( Total %2 photos )").arg(PageSummary).arg(total));
  }
}

bool TPhotoTranFrm::eventFilter(QObject* watched, QEvent* event) {
  // A wheel turn in this window scrolls the tiles, whichever control has the
  // focus; the control still gets the event.
  // An event passed on to the parents is seen again: it scrolls once.
  if (event->type() == QEvent::Wheel && event != lastWheel_ && PhotoList &&
      watched->isWidgetType()) {
    auto* widget = static_cast<QWidget*>(watched);
    lastWheel_ = event;
    if (widget->window() == this && widget != PhotoList && !PhotoList->isAncestorOf(widget)) {
      const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
      QScrollBar* bar = PhotoList->verticalScrollBar();
      bar->setValue(bar->value() - delta * kWheelNotch / 120);
    }
  }
  return TTransferFrm::eventFilter(watched, event);
}

}  // namespace ortelan::windows
