#pragma once

// TLauncherFrm: the small main window that offers the two jobs and opens
// their transfer windows, one at a time, hiding itself meanwhile.

#include <QWidget>
#include <functional>
#include <memory>

#include "app/AppServices.h"
#include "app/TransferFrame.h"
#include "controls/PicBtn.h"

class QLabel;
class QToolButton;

namespace ortelan::app {

class TLauncherFrm : public QWidget {
  Q_OBJECT

 public:
  explicit TLauncherFrm(AppServices& services);
  ~TLauncherFrm() override;

  QWidget *TitlePnl = nullptr, *MainPnl = nullptr, *Downpnl = nullptr;
  QLabel *Shdlb = nullptr, *TitleLb = nullptr, *Homelb = nullptr;
  controls::TPicButton* CloseBtn = nullptr;
  QToolButton *MusicBtn = nullptr, *PhotoBtn = nullptr;
  // The open transfer window; empty while none is open.
  TTransferFrm* TransferFrm = nullptr;

  void MusicBtnClick();
  void PhotoBtnClick();
  // How a job's window is made (tests put their own in).
  std::function<std::unique_ptr<TTransferFrm>(AppServices&, QWidget*)> MakeMusicWindow,
      MakePhotoWindow;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  void RunJob(const std::function<std::unique_ptr<TTransferFrm>(AppServices&, QWidget*)>& make);

  AppServices& services_;
};

}  // namespace ortelan::app
