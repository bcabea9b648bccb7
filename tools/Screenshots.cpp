// Renders the program's windows in their states into PNG files: the
// launcher, each transfer window with no device, reading and ready, the
// progress panel and the detail log dialog.
//   ortelan-screenshots OUTDIR DEMODEVICE   (QT_QPA_PLATFORM=offscreen works)

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeView>
#include <cstdio>

#include "app/AppServices.h"
#include "app/DetailLogFrm.h"
#include "app/Fonts.h"
#include "app/LauncherFrm.h"
#include "device/SQLiteWrap.h"
#include "photo/ImageCodec.h"
#include "windows/music/MusicTranFrm.h"
#include "windows/photo/PhotoTranFrm.h"

namespace {

using namespace ortelan;

// A worker that stands still: the progress panel as it looks mid-transfer.
class StillWorker : public app::TransferWorker {
 public:
  void Terminate() override {}
  bool Finished() const override { return true; }
};

QString out;

void Save(QWidget& widget, const char* name) {
  widget.show();
  QApplication::processEvents();
  const QString file = out + "/" + name + ".png";
  if (!widget.grab().save(file)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    std::exit(1);
  }
  std::printf("%s\n", qPrintable(file));
}

// The music window's views in their states: sorted, searched.
void MoreStates(windows::TMusicTranFrm& window, const char* job) {
  window.MusicList->sortByColumn(6, Qt::DescendingOrder);
  Save(window, (std::string(job) + "-sorted-by-size").c_str());
  window.SrEdt->setText("the");
  window.SearchTracks("the");
  window.ClearImg->show();
  Save(window, (std::string(job) + "-search").c_str());
  window.ClearImgClick();
  window.MusicList->header()->setSortIndicator(-1, Qt::AscendingOrder);
  window.ExportBtnClick();
  Save(window, (std::string(job) + "-options").c_str());
  // A real transfer into a folder of its own: the copy marks.
  // The user's own options are put back afterwards: the window saves them.
  const app::MusicOptions saved = window.Options;
  QTemporaryDir dest;
  window.DestEdt->setText(dest.path());
  window.iTunesCb->setChecked(false);
  window.OpenFolderAction = [](const QString&) {};
  window.ToPcBtnClick();
  while (window.Copying) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  window.CancelBtnClick();  // "Done": the panel goes
  Save(window, (std::string(job) + "-copied").c_str());
  window.Options = saved;
  window.DestEdt->setText(QString::fromStdString(saved.DestFolder));
  window.FormatLst->setCurrentIndex(saved.NameScheme);
  window.iTunesCb->setChecked(saved.AddToItunes);
}

void MoreStates(windows::TPhotoTranFrm&, const char*) {}

template <typename Window>
void WindowStates(const char* job, const std::string& demo, const std::string& logHead,
                  const std::string& logTail, const QString& progress, const QString& done) {
  {
    app::AppServices none(std::vector<std::string>{});
    Window window(none, nullptr);
    Save(window, (std::string(job) + "-no-device").c_str());
    window.ErrLb->setText("Connected, reading ...");
    window.Gdlb->setText("Please wait ...");
    Save(window, (std::string(job) + "-reading").c_str());
    window.Device->OnDeviceChange = nullptr;
  }
  app::AppServices services(std::vector<std::string>{demo});
  Window window(services, nullptr);
  // The music window writes its own status line once its library is shown.
  if (window.StatusLb->text().isEmpty()) window.StatusLb->setText("Ready");
  Save(window, (std::string(job) + "-ready").c_str());
  MoreStates(window, job);
  window.BeginTransfer(std::make_unique<StillWorker>(), logHead);
  window.PgLb->setText(progress);
  window.CopyPrgs->setValue(31);
  Save(window, (std::string(job) + "-progress").c_str());
  window.TransferEnded(logTail);
  window.PgLb->setText(done);
  window.CopyPrgs->setValue(100);
  Save(window, (std::string(job) + "-done").c_str());
  app::TDetailLogFrm log(&window, services.LauncherPlace);
  log.AppendLog(window.DetailLog);
  Save(log, (std::string(job) + "-detail-log").c_str());
  window.Device->OnDeviceChange = nullptr;
  window.Device->DiskModeConnected = false;  // no eject question
  window.Messages.Confirm = [](QWidget*, const QString&) { return false; };
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: ortelan-screenshots OUTDIR DEMODEVICE\n");
    return 2;
  }
  const SQLiteLibrary sqlite;
  ImageCodec::Start();
  QApplication application(argc, argv);
  app::SetUpFonts();
  out = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(out);
  const std::string demo = argv[2];
  {
    app::AppServices services(std::vector<std::string>{demo});
    app::TLauncherFrm launcher(services);
    Save(launcher, "launcher");
  }
  WindowStates<windows::TMusicTranFrm>(
      "music", demo, TIpodMusicDb::DetailLogHead(1, true),
      "\r\nCopy files: t38, c37\r\nWhat's \"This\"*: Err 28\r\nDone.",
      "Copying 12 of 38: Café del Mar", "37 of 38 files copied.");
  WindowStates<windows::TPhotoTranFrm>("photo", demo, TIpodPhotoDb::DetailLogHead(true),
                                       "\r\nCopy pics: t24, c24", "Copying 12 of 24: 211.jpg",
                                       "24 of 24 photos copied.");
  return 0;
}
