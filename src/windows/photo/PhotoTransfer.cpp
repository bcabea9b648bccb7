// The photo window's transfer: the options panel GoPnl, the checks before an
// export, and the worker's progress on the progress panel.

#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>

#include "app/Labels.h"
#include "photo/PhotoCopyThread.h"
#include "windows/photo/PhotoTiles.h"
#include "windows/photo/PhotoTranFrm.h"

namespace ortelan::windows {

void TPhotoTranFrm::BuildOptions() {
  SetShp = new QFrame(GoPnl);
  SetShp->setObjectName("SetShp");
  SetShp->setStyleSheet("#SetShp { background: #DFE5EB; border: 1px solid #C0C7CF; }");
  SetShp->setGeometry(0, 0, GoPnl->width(), 76);
  DefaultBtn = app::FlatButton(GoPnl, "Default", QRect(302, 5, 56, 22));
  DefaultBtn->setToolTip("Default settings");
  AdBtn = app::FlatButton(GoPnl, "More ...", QRect(372, 5, 65, 22));
  DefaultBtn->setStyleSheet("QPushButton { text-decoration: underline; border: none; }");
  AdBtn->setStyleSheet(
      "QPushButton { text-decoration: underline; font-weight: bold; border: none; }");
  AdPop = MakeCompanionMenu();
  DestLb =
      app::Label(GoPnl, "Save photos or pictures to folder:", QPoint(16, 28), font(), Qt::black);
  DestLb->setStyleSheet("background: #DFE5EB;");
  DestEdt = new QLineEdit(GoPnl);
  DestEdt->setGeometry(16, 45, 392, 19);
  DestEdt->setAccessibleName("Save photos or pictures to folder");
  BrowseBtn = app::FlatButton(GoPnl, "...", QRect(414, 43, 23, 22));
  BrowseBtn->setToolTip("Choose the folder");
  BrowseBtn->setAccessibleName("Browse");
  ToPcBtn = new QPushButton("Start Transfer", GoPnl);
  ToPcBtn->setToolTip("Transfer selected files to the folder in your computer");
  ToPcBtn->setGeometry(298, 88, 142, 30);
  // This window's progress panel: no title line, the text higher up.
  PgLb->move(14, 13);
  CopyPrgs->resize(563, CopyPrgs->height());
  connect(DefaultBtn, &QPushButton::clicked, this, [this] { DefaultBtnClick(); });
  connect(AdBtn, &QPushButton::clicked, this, [this] { AdBtnClick(); });
  connect(BrowseBtn, &QPushButton::clicked, this, [this] { BrowseBtnClick(); });
  connect(ToPcBtn, &QPushButton::clicked, this, [this] { ToPcBtnClick(); });
  PickFolder = [this] {
    return QFileDialog::getExistingDirectory(
        this, "Select folder to save photos", QString(),
        QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
  };
}

// Under the button, toggled; shown, it takes the focus, so a click anywhere
// else closes it.
void TPhotoTranFrm::ExportBtnClick() { ToggleGoPnlUnderExportBtn(true); }

void TPhotoTranFrm::BrowseBtnClick() {
  const QString folder = PickFolder();
  if (!folder.isEmpty()) DestEdt->setText(folder);
}

void TPhotoTranFrm::DefaultBtnClick() {
  std::string folder;
  if (PhotoDb) {
    PhotoDb->GetDefaultFolder(folder);
  } else {
    TIpodPhotoDb(Device.get(), false, nullptr).GetDefaultFolder(folder);
  }
  DestEdt->setText(QString::fromStdString(folder));
}

void TPhotoTranFrm::AdBtnClick() { AdPop->popup(AdBtn->mapToGlobal(QPoint(0, AdBtn->height()))); }

void TPhotoTranFrm::ToPcBtnClick() {
  GoPnl->hide();
  StartTransfer();
}

void TPhotoTranFrm::StartTransfer() {
  if (Copying || !PhotoDb) return;
  if (PhotoList->TileCount() == 0) {
    Messages.Warning(this, "Nothing to transfer.");
    return;
  }
  const int32_t checked = PhotoDb->Photos.CheckedCount + PhotoDb->CamPhotos.CheckedCount;
  if (checked == 0) {
    Messages.Information(this, "No photo has been selected to transfer.");
    return;
  }
  if (!DestinationChosen(
          *DestEdt, PickFolder, "Please choose a traget folder to save the photo files.",
          "You need to choose a folder in your PC to save the transferred photos.")) {
    return;
  }
  std::string folder = DestEdt->text().toStdString();
  if (!PhotoDb->PrepareDestination(folder)) {
    Messages.Warning(this, QString::fromStdString(folder));
    return;
  }
  Options.DestFolder = DestEdt->text().toStdString();
  CopyPrgs->setRange(0, checked);
  PgLb->setText("");
  auto worker =
      std::make_unique<app::ThreadWorker<TPhotoCopyThread>>(*PhotoDb, services_.Dispatcher);
  TPhotoCopyThread& thread = worker->Worker();
  thread.OnProgress = [this](const std::string& name) { CopyProgress(name); };
  thread.OnDone = [this] { CopyDone(); };
  BeginTransfer(std::move(worker), TIpodPhotoDb::DetailLogHead(!Device->IsIos));
  thread.Start();
}

void TPhotoTranFrm::CopyProgress(const std::string& fileName) {
  PgLb->setText(QString::fromStdString(fileName));
  CopyPrgs->setValue(CopyPrgs->value() + 1);
}

void TPhotoTranFrm::CopyDone() {
  PgLb->setText("Done.");
  CopyPrgs->setValue(CopyPrgs->maximum());
  TransferEnded(PhotoDb ? PhotoDb->Log : std::string());
}

}  // namespace ortelan::windows
