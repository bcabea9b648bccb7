#pragma once

// TTransferFrm: the frame both transfer windows share. A borderless window
// with a painted title bar and status bar, the overlay panels ErrPnl (device
// state), GoPnl (transfer options) and CopyPnl (a running transfer), the help
// and web links, and the rules for stopping a transfer and for closing. Each
// window fills in its look, texts, views and library.

#include <QColor>
#include <QDialog>
#include <QPoint>
#include <QSize>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "app/AppServices.h"
#include "app/Links.h"
#include "controls/PicBtn.h"
#include "controls/ProgressShape.h"
#include "device/iPodDev.h"

class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QMouseEvent;
class QProgressBar;
class QPushButton;
class QSplitter;

namespace ortelan::app {

// What differs between the music and the photo window's frames.
struct FrameLook {
  QString DesignCaption;  // "Ortelan", "Ortelan Photo"
  QString VersionSuffix;  // " 6.5", " 5.3"
  QSize DesignSize;
  int CaptionLeft = 0;
  QPoint AboutAt, HelpAt, CloseAt, CheckBtnAt, ExportBtnAt;  // in the design size
  QColor LinkColour;
  bool Resizable = false;
  int LeftPaneWidth = 0;
  QSize GoPnlSize;
  QColor BlockColour;
  const char* HelpPage = "";
  QString IphoneErrText;
  bool IphoneErrUnderlined = false;
  int IphoneErrTop = 0;
  QString ReconnectText;  // Gdlb after a loss
  QString LossStatus;     // StatusLb after a loss
  QString ItunesRunningText, HelperStoppedText;
};

// A copy worker as the frame sees it.
class TransferWorker {
 public:
  virtual ~TransferWorker() = default;
  // The Cancel request: seen at the worker's next progress report.
  virtual void Terminate() = 0;
  // True once the worker has handed over its final report.
  virtual bool Finished() const = 0;
};

// A worker thread (the music copy or the photo export) as the frame sees it.
template <typename Thread>
class ThreadWorker : public TransferWorker {
 public:
  template <typename... Args>
  explicit ThreadWorker(Args&&... args) : thread_(std::forward<Args>(args)...) {}
  Thread& Worker() { return thread_; }
  void Terminate() override { thread_.Terminate(); }
  bool Finished() const override { return thread_.Finished(); }

 private:
  Thread thread_;
};

// The frame's message boxes; tests replace them.
struct FrameMessages {
  std::function<void(QWidget*, const QString&)> Warning, Information, Error;
  std::function<bool(QWidget*, const QString&)> Confirm;  // Yes or No
  static FrameMessages Standard();
};

class TTransferFrm : public QDialog {
  Q_OBJECT

 public:
  ~TTransferFrm() override;

  // Window state.
  std::unique_ptr<TIpodDevice> Device;
  std::unique_ptr<TransferWorker> CopyThread;
  bool Copying = false;
  std::string DetailLog;  // MusicLog or PhotoLog
  FrameMessages Messages = FrameMessages::Standard();
  // What "Done" does with the destination folder (tests watch it).
  std::function<void(const QString&)> OpenFolderAction = OpenFolder;

  // The frame's controls.
  QWidget* TopPnl = nullptr;
  QLabel *Caplb = nullptr, *CapShLb = nullptr, *WebLb = nullptr, *HlpLb = nullptr;
  controls::TPicButton *CloseBtn = nullptr, *CheckBtn = nullptr, *ExportBtn = nullptr;
  QWidget* LowPnl = nullptr;
  QLabel *StatusLb = nullptr, *ResizeImg = nullptr;
  QSplitter* spl = nullptr;
  QWidget *LeftPnl = nullptr, *ContentPnl = nullptr;
  QFrame* ErrPnl = nullptr;
  QLabel *ErrLb = nullptr, *TipImg = nullptr, *Gdlb = nullptr, *IphoneErrLb = nullptr;
  QPushButton *HelpBtn = nullptr, *StopBtn = nullptr;
  QFrame* CopyPnl = nullptr;
  QLabel *DetailLb = nullptr, *PgLb = nullptr;
  controls::TProgressShape* WorkShp = nullptr;
  QProgressBar* CopyPrgs = nullptr;
  controls::TPicButton* CancelBtn = nullptr;
  QFrame* GoPnl = nullptr;

  void ApplyRoundRegion();
  void EnableBrowsing(bool value);
  void ShowOverlayPanel(QWidget* panel, bool value);
  void DeviceStateChanged(bool connected);
  void StopBtnClick();
  void StopCopy(bool wait);
  void CancelBtnClick();
  void DetailLbClick();
  // Shows the transfer options, centred and focused; a window may place them
  // otherwise.
  virtual void ExportBtnClick();

  // A transfer starts with its worker running; it ends with the worker's
  // final report (the windows call these from their transfer actions).
  void BeginTransfer(std::unique_ptr<TransferWorker> worker, const std::string& logHead);
  // GoPnl under ExportBtn, toggled; when shown it may take the focus.
  void ToggleGoPnlUnderExportBtn(bool takeFocus);
  // The destination folder of `edit`, trimmed and written back; when it is
  // empty, `askText`, the folder picker, and `missingText` when still empty.
  // False when no folder was chosen.
  bool DestinationChosen(QLineEdit& edit, const std::function<QString()>& pickFolder,
                         const QString& askText, const QString& missingText);
  // The "More ..." menu of GoPnl: its one item opens the companion page.
  QMenu* MakeCompanionMenu();
  void TransferEnded(const std::string& logTail);
  // The destination folder the "Done" button opens.
  virtual QString DestinationFolder() const = 0;

 protected:
  TTransferFrm(AppServices& services, FrameLook look, QWidget* parent);

  // The common start steps, for each window's own start sequence.
  void SetTitle();
  void CreateDevice();
  void ShowIosWarningIfNeeded();
  void FirstScan();
  void ItunesRunningHint();

  // What a window adds. LoadLibrary runs on a connection and returns false
  // when an error ended the reading (ErrPnl then keeps its texts).
  virtual bool LoadLibrary() = 0;
  virtual void EmptyViews() = 0;
  virtual void FreeLibrary() = 0;
  virtual void SaveOptions() = 0;
  virtual QList<QWidget*> BrowsingControls() const = 0;
  // After a lost device's views are emptied and its transfer stopped.
  virtual void AfterDeviceLost() {}

  void closeEvent(QCloseEvent* event) override;
  void reject() override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  // A press on the frame's own parts: moving and sizing the window, the
  // links. True when the press is used up.
  bool PressOnChrome(QObject* watched, const QMouseEvent& mouse);

  // Waits for the worker of the last transfer (serving its hand-overs) and
  // frees it: before the library it reads goes.
  void WaitForWorker();

  AppServices& services_;
  const FrameLook look_;
  QMetaObject::Connection focusWatch_;  // hides GoPnl when the focus leaves it

 private:
  void BuildChrome();
  void BuildErrPnl();
  void BuildCopyPnl();
  void PlaceAnchored();
  void FormClose();
  void SetCancelFace(bool done);
};

}  // namespace ortelan::app
