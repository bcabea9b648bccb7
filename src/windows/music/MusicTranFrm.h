#pragma once

// TMusicTranFrm: the window of the music job. Its frame is TTransferFrm; this
// holds the music window's look, start sequence, connection and close steps,
// and its library. Its views are the playlist tree and the track list.

#include <memory>

#include "app/Settings.h"
#include "app/TransferFrame.h"
#include "music/iPodMusic.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QMenu;
class QToolButton;
class QTreeWidget;
class QTreeView;
class QTreeWidgetItem;

namespace ortelan::windows {

class TMusicListModel;
enum class TCheckCommand : int;

class TMusicTranFrm : public app::TTransferFrm {
  Q_OBJECT

 public:
  TMusicTranFrm(app::AppServices& services, QWidget* parent);
  ~TMusicTranFrm() override;

  std::unique_ptr<TIpodMusicDb> MusicDb;
  app::MusicOptions Options;
  QImage HeaderBitmap;
  QLabel* IpodLb = nullptr;
  QLineEdit* SrEdt = nullptr;
  QTreeWidget* PlayLstList = nullptr;
  QTreeView* MusicList = nullptr;
  TMusicListModel* MusicModel = nullptr;  // the grid's rows over MusicDb
  QString ViewSummary;
  QToolButton* ClearImg = nullptr;  // clears the search
  QMenu* SongPop = nullptr;         // the check menu
  QMenu* PlMnu = nullptr;           // its submenu for the rows shown

  // The transfer options in GoPnl and the progress title (MusicTransfer.cpp).
  QFrame* SetShp = nullptr;
  QPushButton *DefaultBtn = nullptr, *AdBtn = nullptr, *BrowseBtn = nullptr, *ToPcBtn = nullptr;
  QLabel* DestLb = nullptr;
  QLineEdit* DestEdt = nullptr;
  QComboBox* FormatLst = nullptr;
  QCheckBox* iTunesCb = nullptr;
  QMenu* AdPop = nullptr;
  QAction* PlaylistsAct = nullptr;  // "Save playlists as M3U8 files"
  QAction* TrackListAct = nullptr;  // "Save a track list with ratings (CSV)"
  // "Save album covers (cover.jpg)": only the album folders of the first
  // naming scheme have room for them.
  QAction* CoversAct = nullptr;
  QLabel* Tilb = nullptr;
  // The folder picker; empty when cancelled. Tests replace it.
  std::function<QString()> PickFolder;

  QString DestinationFolder() const override;

  // The views (the playlist tree and the track grid) and the status line.
  void FillPlayListTree();
  void PlayLstListChange(QTreeWidgetItem* current);
  void ShowView(int node);
  void UpdateStatus();

  // The search (see MusicSearch.cpp). SrEdtKeyPress sees the box's text
  // before the key takes effect and says whether it swallowed the key.
  bool SrEdtKeyPress(int key);
  void ClearImgClick();
  void SearchTracks(const QString& text);

  // The check menu (see MusicChecks.cpp).
  void CheckBtnClick();
  void SongPopPopup();
  void CheckEveryTrack(bool check);
  void ApplyCheckCommand(TCheckCommand command);

  // The transfer (see MusicTransfer.cpp).
  void ExportBtnClick() override;
  void BrowseBtnClick();
  void DefaultBtnClick();
  void AdBtnClick();
  void ToPcBtnClick();
  void StartTransfer(bool addToItunes);
  void CopyProgress(const std::string& text);
  void CopyStatus(const std::string& text, uint8_t kind);

 protected:
  bool LoadLibrary() override;
  void EmptyViews() override;
  void FreeLibrary() override;
  void SaveOptions() override;
  QList<QWidget*> BrowsingControls() const override;
  void AfterDeviceLost() override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void FormCreate();
  void PlaceSearchBox();
  void BuildTrackGrid();
  void BuildSearch();
  void BuildCheckMenu();
  void BuildOptions();
  void OptionsToControls();
  void ControlsToOptions();
  int SelectedNode() const;
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace ortelan::windows
