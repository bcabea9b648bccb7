#pragma once

// TPhotoTranFrm: the window of the photo job. Its frame is TTransferFrm; this
// holds the photo window's look, start sequence, connection and close steps,
// and its library. Its views are the album tree and the pages of tiles.

#include <functional>
#include <memory>

#include "app/Settings.h"
#include "app/TransferFrame.h"
#include "photo/iPodPhoto.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QMenu;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

class QAction;

namespace ortelan::windows {

class TPhotoTileBox;

class TPhotoTranFrm : public app::TTransferFrm {
  Q_OBJECT

 public:
  TPhotoTranFrm(app::AppServices& services, QWidget* parent);
  ~TPhotoTranFrm() override;

  std::unique_ptr<TIpodPhotoDb> PhotoDb;
  app::PhotoOptions Options;
  bool Closing = false;
  QString PageSummary;  // the number of tiles on the page shown
  QTreeWidget* AlbumLstList = nullptr;
  QWidget* PagePnl = nullptr;
  QLabel *Readlb = nullptr, *PageLb = nullptr, *SelectPage = nullptr, *Pgseplb = nullptr,
         *MaxPage = nullptr;
  QToolButton *PrvBtn = nullptr, *NxtBtn = nullptr;
  TPhotoTileBox* PhotoList = nullptr;
  QMenu* SongPop = nullptr;  // the check menu
  QAction *AllMnu = nullptr, *UnAllMnu = nullptr, *InvertMnu = nullptr;

  // The transfer options in GoPnl (PhotoTransfer.cpp).
  QFrame* SetShp = nullptr;
  QPushButton *DefaultBtn = nullptr, *AdBtn = nullptr, *BrowseBtn = nullptr, *ToPcBtn = nullptr;
  QLabel* DestLb = nullptr;
  QLineEdit* DestEdt = nullptr;
  QMenu* AdPop = nullptr;
  // The folder picker; empty when cancelled. Tests replace it.
  std::function<QString()> PickFolder;

  QString DestinationFolder() const override;

  // The album tree, the pages and the status line (PhotoViews.cpp).
  void FillAlbumTree();
  void AlbumLstListChange(QTreeWidgetItem* node);
  void ShowAlbum(int album);
  void ShowCameraRoll();
  int ShowPage(int page, bool camera);
  void NxtBtnClick();
  void PrvBtnClick();
  void TileLoaded(int32_t count);
  void UpdateStatus();

  // A closer look at the item of a tile (PhotoPreview.cpp).
  void OpenPreview(int32_t tile, bool camera);
  void TogglePreviewedItem(int32_t index, bool camera);
  // Opens the preview; tests replace it to drive the preview themselves.
  std::function<void(class TPhotoPreviewFrm&)> RunPreview;

  // The check menu (PhotoChecks.cpp).
  void CheckBtnClick();
  void SongPopPopup();
  void ApplyAlbumCheck(TIpodPhotoDb::TCheckMode mode, int album);
  void ApplyCameraCheck(TIpodPhotoDb::TCheckMode mode);

  // The transfer (PhotoTransfer.cpp).
  void ExportBtnClick() override;
  void BrowseBtnClick();
  void DefaultBtnClick();
  void AdBtnClick();
  void ToPcBtnClick();
  void StartTransfer();
  void CopyProgress(const std::string& fileName);
  void CopyDone();

 protected:
  bool LoadLibrary() override;
  void EmptyViews() override;
  void FreeLibrary() override;
  void SaveOptions() override;
  QList<QWidget*> BrowsingControls() const override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate();
  void BuildPageBar();
  void BuildTree();
  void BuildCheckMenu();
  void BuildOptions();
  void ApplyCheckCommand(TIpodPhotoDb::TCheckMode mode);
  bool CameraNodeSelected() const;
  int SelectedAlbum() const;
  static int AlbumOfNode(QTreeWidgetItem* node);
  void ShowPageOfSelectedNode(int page);
  QString MovieBitmapPath() const;

  // Pages build with a pass of the event loop per tile. A page given up
  // meanwhile (a new library, the close) ends at its next tile; the library
  // it was built from is kept until no page is being built.
  int pageGeneration_ = 0, activeGeneration_ = 0, pagesBuilding_ = 0;
  std::unique_ptr<TIpodPhotoDb> retiredDb_;
  void RetireLibrary();
  const QEvent* lastWheel_ = nullptr;
};

}  // namespace ortelan::windows
