#pragma once

// TPhotoTranFrm: the window of the photo job. Its frame is TTransferFrm; this
// holds the photo window's look, start sequence, connection and close steps,
// and its library. Its views are the album tree and the pages of tiles.

#include <memory>

#include "app/Settings.h"
#include "app/TransferFrame.h"
#include "photo/iPodPhoto.h"

class QLabel;
class QScrollArea;
class QTreeWidget;

namespace ortelan::windows {

class TPhotoTranFrm : public app::TTransferFrm {
  Q_OBJECT

 public:
  TPhotoTranFrm(app::AppServices& services, QWidget* parent);
  ~TPhotoTranFrm() override;

  std::unique_ptr<TIpodPhotoDb> PhotoDb;
  app::PhotoOptions Options;
  bool Closing = false;
  QTreeWidget* AlbumLstList = nullptr;
  QWidget* PagePnl = nullptr;
  QLabel *PageLb = nullptr, *SelectPage = nullptr, *MaxPage = nullptr;
  QScrollArea* PhotoList = nullptr;

  QString DestinationFolder() const override;

 protected:
  bool LoadLibrary() override;
  void EmptyViews() override;
  void FreeLibrary() override;
  void SaveOptions() override;
  QList<QWidget*> BrowsingControls() const override;

 private:
  void FormCreate();
};

}  // namespace ortelan::windows
