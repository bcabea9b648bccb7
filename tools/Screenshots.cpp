// Renders the program's windows in their states into PNG files: the
// launcher, each transfer window with no device, reading and ready, the
// progress panel and the detail log dialog; the music window also sorted,
// searched, with its check menu and options open, after a transfer in which
// one track failed, and on a device whose library is empty.
//   ortelan-screenshots OUTDIR DEMODEVICE   (QT_QPA_PLATFORM=offscreen works)

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <cstdio>
#include <filesystem>

#include "app/AppServices.h"
#include "app/DetailLogFrm.h"
#include "app/Fonts.h"
#include "app/LauncherFrm.h"
#include "device/SQLiteWrap.h"
#include "photo/ImageCodec.h"
#include "support/ItunesDbBuilder.h"
#include "support/PhotoDbBuilder.h"
#include "support/TempDir.h"
#include "windows/music/MusicTranFrm.h"
#include "windows/photo/PhotoPreviewFrm.h"
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

void SavePicture(const QPixmap& picture, const std::string& name) {
  const QString file = out + "/" + QString::fromStdString(name) + ".png";
  if (!picture.save(file)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    std::exit(1);
  }
  std::printf("%s\n", qPrintable(file));
}

void Save(QWidget& widget, const std::string& name) {
  widget.show();
  QApplication::processEvents();
  SavePicture(widget.grab(), name);
}

// Pop-up windows (menus, message boxes) drawn over the window's picture at
// their places on the screen.
void DrawPopup(QPixmap& picture, const QWidget& window, QWidget& popup) {
  QPainter painter(&picture);
  painter.drawPixmap(window.mapFromGlobal(popup.mapToGlobal(QPoint(0, 0))), popup.grab());
}

// The check menu as it opens from its button, with the submenu for the
// rows shown unfolded.
void SaveCheckMenu(windows::TMusicTranFrm& window, const std::string& name) {
  window.show();
  window.CheckBtnClick();
  QApplication::processEvents();
  QAction* within = window.PlMnu->menuAction();
  window.SongPop->setActiveAction(within);
  const QRect item = window.SongPop->actionGeometry(within);
  window.PlMnu->popup(window.SongPop->mapToGlobal(item.topRight()));
  QApplication::processEvents();
  QPixmap picture = window.grab();
  DrawPopup(picture, window, *window.SongPop);
  DrawPopup(picture, window, *window.PlMnu);
  window.PlMnu->hide();
  window.SongPop->hide();
  SavePicture(picture, name);
}

// The music window's views in their states: sorted, searched, its menus,
// a transfer.
void MoreStates(windows::TMusicTranFrm& window, const char* job) {
  SaveCheckMenu(window, std::string(job) + "-check-menu");
  window.MusicList->sortByColumn(6, Qt::DescendingOrder);
  window.activateWindow();
  window.MusicList->setFocus();
  window.MusicList->selectionModel()->select(
      QItemSelection(window.MusicList->model()->index(2, 0),
                     window.MusicList->model()->index(4, 0)),
      QItemSelectionModel::Select | QItemSelectionModel::Rows);
  Save(window, std::string(job) + "-sorted-by-size");
  window.SrEdt->setText("the");
  window.SearchTracks("the");
  window.ClearImg->show();
  Save(window, std::string(job) + "-search");
  window.ClearImgClick();
  window.MusicList->clearSelection();
  window.MusicList->header()->setSortIndicator(-1, Qt::AscendingOrder);
  window.ExportBtnClick();
  Save(window, std::string(job) + "-options");
  // A real transfer into a folder of its own: the copy marks.
  // The user's own options are put back afterwards: the window saves them.
  const app::MusicOptions saved = window.Options;
  QTemporaryDir dest;
  window.DestEdt->setText(dest.path());
  window.iTunesCb->setChecked(false);
  window.OpenFolderAction = [](const QString&) {};
  window.ToPcBtnClick();
  while (window.Copying) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  window.CancelBtnClick();                                // "Done": the panel goes
  window.MusicList->sortByColumn(0, Qt::AscendingOrder);  // the failed track first
  Save(window, std::string(job) + "-copied");
  window.MusicList->header()->setSortIndicator(-1, Qt::AscendingOrder);
  window.Options = saved;
  window.DestEdt->setText(QString::fromStdString(saved.DestFolder));
  window.FormatLst->setCurrentIndex(saved.NameScheme);
  window.iTunesCb->setChecked(saved.AddToItunes);
}

// The photo window: ticked tiles, the camera roll, the check menu, the
// options panel and a closer look at a photo.
void MoreStates(windows::TPhotoTranFrm& window, const char* job) {
  const std::string name(job);
  for (const int tile : {1, 4, 9, 10}) window.PhotoDb->PhotoTileClick(tile);
  window.UpdateStatus();
  Save(window, name + "-ticked");
  window.show();
  window.CheckBtnClick();
  QApplication::processEvents();
  QPixmap menu = window.grab();
  DrawPopup(menu, window, *window.SongPop);
  window.SongPop->hide();
  SavePicture(menu, name + "-check-menu");
  window.ExportBtnClick();
  Save(window, name + "-options");
  window.GoPnl->hide();
  {
    windows::TPhotoPreviewFrm preview(&window, *window.PhotoDb, false, {3, 4, 5}, 0);
    Save(preview, name + "-preview");
  }
  for (const int tile : {1, 4, 9, 10}) window.PhotoDb->PhotoTileClick(tile);  // as they were
  QTreeWidgetItem* camera =
      window.AlbumLstList->topLevelItem(window.AlbumLstList->topLevelItemCount() - 1);
  window.AlbumLstList->setCurrentItem(camera);
  Save(window, name + "-camera-roll");
  window.AlbumLstList->setCurrentItem(window.AlbumLstList->topLevelItem(0));
}

// A library of 400 photos: "All Pictures" has two pages; the second shown.
void MultiPageAlbum(const std::string& name) {
  namespace pd = ortelan::fixtures::photodb;
  constexpr uint32_t kPhotos = 400, kRecord = 64 * 64 * 2;
  ortelan::test::TempDir device;
  std::vector<ortelan::fixtures::Bytes> images, all;
  std::string store;
  for (uint32_t i = 0; i < kPhotos; ++i) {
    const pd::ThumbRef display{1066, i * kRecord, kRecord, 64, 64, 0, 0, ":Thumbs:F1066_1.ithmb"};
    images.push_back(pd::Image(1000 + i, display, display));
    all.push_back(pd::Mhia(1000 + i));
    for (int y = 0; y < 64; ++y) {  // a gradient of its own colour
      for (int x = 0; x < 64; ++x) {
        const auto pixel = static_cast<uint16_t>(((i * 7 + x / 3) & 31) << 11 |
                                                 ((i * 3 + y) & 63) << 5 | ((i + x + y) & 31));
        store += static_cast<char>(pixel & 0xFF);
        store += static_cast<char>(pixel >> 8);
      }
    }
  }
  ortelan::test::WriteFile(device / "iPod_Control/iTunes/iTunesDB", std::string());
  ortelan::test::WriteFile(
      device / "Photos/Photo Database",
      pd::Mhfd({pd::Section(1, pd::Mhli(images)),
                pd::Section(2, pd::Mhla({pd::Mhba({pd::StringMhod(1, "Library")}, all)}))}));
  ortelan::test::WriteFile(device / "Photos/Thumbs/F1066_1.ithmb", store);
  app::AppServices services(std::vector<std::string>{device.Path()});
  windows::TPhotoTranFrm window(services, nullptr);
  window.show();
  QApplication::processEvents();
  window.NxtBtnClick();
  Save(window, name);
  window.Device->OnDeviceChange = nullptr;
  window.Device->DiskModeConnected = false;
}

template <typename Window>
void WindowStates(const char* job, const std::string& demo, const std::string& logHead,
                  const std::string& logTail, const QString& progress, const QString& done) {
  {
    app::AppServices none(std::vector<std::string>{});
    Window window(none, nullptr);
    Save(window, std::string(job) + "-no-device");
    window.ErrLb->setText("Connected, reading ...");
    window.Gdlb->setText("Please wait ...");
    Save(window, std::string(job) + "-reading");
    window.Device->OnDeviceChange = nullptr;
  }
  app::AppServices services(std::vector<std::string>{demo});
  Window window(services, nullptr);
  // The music window writes its own status line once its library is shown.
  if (window.StatusLb->text().isEmpty()) window.StatusLb->setText("Ready");
  Save(window, std::string(job) + "-ready");
  MoreStates(window, job);
  window.BeginTransfer(std::make_unique<StillWorker>(), logHead);
  window.PgLb->setText(progress);
  window.CopyPrgs->setValue(31);
  Save(window, std::string(job) + "-progress");
  window.TransferEnded(logTail);
  window.PgLb->setText(done);
  window.CopyPrgs->setValue(100);
  Save(window, std::string(job) + "-done");
  app::TDetailLogFrm log(&window, services.LauncherPlace);
  log.AppendLog(window.DetailLog);
  Save(log, std::string(job) + "-detail-log");
  window.Device->OnDeviceChange = nullptr;
  window.Device->DiskModeConnected = false;  // no eject question
  window.Messages.Confirm = [](QWidget*, const QString&) { return false; };
}

// A device whose iTunesDB holds no track: the window says so over its empty
// views. The message box is caught while it waits for its answer.
void EmptyLibrary(const std::string& name) {
  namespace fx = ortelan::fixtures;
  ortelan::test::TempDir device;
  fx::Library empty;
  empty.Playlists = {{"Empty iPod", false, {}}};
  ortelan::test::WriteFile(device / "iPod_Control/iTunes/iTunesDB", empty.Build());
  QPixmap message;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    QWidget* box = QApplication::activeModalWidget();
    if (!qobject_cast<QMessageBox*>(box)) return;
    message = box->grab();
    box->close();
    watch.stop();
  });
  watch.start(10);
  app::AppServices services(std::vector<std::string>{device.Path()});
  windows::TMusicTranFrm window(services, nullptr);
  window.show();
  QApplication::processEvents();
  QPixmap picture = window.grab();
  if (!message.isNull()) {
    QPainter painter(&picture);
    painter.drawPixmap((picture.width() - message.width()) / 2,
                       (picture.height() - message.height()) / 2, message);
  }
  SavePicture(picture, name);
  window.Device->OnDeviceChange = nullptr;
  window.Device->DiskModeConnected = false;
}

// A copy of the demo device with one track's file gone: its transfer shows
// a failed copy mark.
std::string DemoWithMissingTrack(const std::string& demo, const ortelan::test::TempDir& into) {
  namespace fs = std::filesystem;
  const std::string copy = into / "demo";
  fs::copy(demo, copy, fs::copy_options::recursive);
  fs::remove(copy + "/iPod_Control/Music/F01/ELIS.mp3");
  return copy;
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
  const ortelan::test::TempDir work;
  WindowStates<windows::TMusicTranFrm>(
      "music", DemoWithMissingTrack(demo, work), TIpodMusicDb::DetailLogHead(1, true),
      "\r\nCopy files: t38, c37\r\nWhat's \"This\"*: Err 28\r\nDone.",
      "Copying 12 of 38: Café del Mar", "37 of 38 files copied.");
  WindowStates<windows::TPhotoTranFrm>("photo", demo, TIpodPhotoDb::DetailLogHead(true),
                                       "\r\nCopy pics: t24, c24", "Copying 12 of 24: 211.jpg",
                                       "24 of 24 photos copied.");
  EmptyLibrary("music-empty-library");
  MultiPageAlbum("photo-page-2");
  return 0;
}
