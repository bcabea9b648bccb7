#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <atomic>
#include <thread>

#include "app/DetailLogFrm.h"
#include "app/LauncherFrm.h"
#include "app/Settings.h"
#include "support/FakeServices.h"
#include "support/TempDir.h"
#include "windows/music/MusicTranFrm.h"
#include "windows/photo/PhotoTranFrm.h"

namespace ortelan::app {
namespace {

// A copy worker on its own thread that hands a report to the window thread
// every few milliseconds, as the real workers do, until it is told to stop;
// its last report ends the transfer.
class HandingOverWorker : public TransferWorker {
 public:
  HandingOverWorker(platform::Dispatcher& dispatcher, std::function<void()> lastReport)
      : thread_([this, &dispatcher, last = std::move(lastReport)] {
          while (!terminated_) {
            dispatcher.InvokeAndWait([this] { ++reports_; });
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
          }
          dispatcher.InvokeAndWait(last);
          finished_ = true;
        }) {}
  ~HandingOverWorker() override { thread_.join(); }
  void Terminate() override { terminated_ = true; }
  bool Finished() const override { return finished_; }
  int Reports() const { return reports_; }

 private:
  std::atomic<bool> terminated_{false}, finished_{false};
  int reports_ = 0;  // written on the window thread only
  std::thread thread_;
};

class Frame : public ::testing::Test {
 protected:
  Frame() {
    auto volumes = std::make_unique<test::FakeVolumeSource>();
    fake = volumes.get();
    services = std::make_unique<AppServices>(std::move(volumes),
                                             std::make_unique<test::FaultyFileSystem>());
    root = dir / "ipod";
    test::DeviceFixture::MakeIpodTree(root);
  }
  std::unique_ptr<windows::TMusicTranFrm> OpenMusicWindow() {
    auto window = std::make_unique<windows::TMusicTranFrm>(*services, nullptr);
    window->Messages.Warning = [this](QWidget*, const QString& text) { warnings << text; };
    window->Messages.Confirm = [this](QWidget*, const QString& text) {
      questions << text;
      return false;
    };
    window->OpenFolderAction = [this](const QString& folder) { opened << folder; };
    window->show();
    return window;
  }
  // The change comes through the window thread's queue: its events run
  // until the window has it.
  void Plug(const TTransferFrm& window) {
    fake->Arrive(test::VolumeAt(root));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.ErrPnl->isVisible(); }));
  }
  void Unplug(const TTransferFrm& window) {
    fake->Remove(root);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.ErrPnl->isVisible(); }));
  }
  static bool Browsing(const windows::TMusicTranFrm& w) {
    return w.PlayLstList->isEnabled() && w.MusicList->isEnabled() && w.CheckBtn->isEnabled() &&
           w.ExportBtn->isEnabled();
  }

  test::TempDir dir;
  std::string root;
  test::FakeVolumeSource* fake = nullptr;
  std::unique_ptr<AppServices> services;
  QStringList warnings, questions, opened;
};

TEST_F(Frame, StatesFromNoDeviceThroughATransferToReady) {
  auto w = OpenMusicWindow();
  EXPECT_EQ(w->Caplb->text(), "Ortelan 6.5");
  EXPECT_TRUE(w->ErrPnl->isVisible());
  EXPECT_EQ(w->ErrLb->text(), "No device found");
  EXPECT_EQ(w->Gdlb->text(), "Please connect iPod, iPhone or iPad to the computer");
  EXPECT_TRUE(w->IphoneErrLb->isVisible());  // no iOS library on this system
  EXPECT_FALSE(Browsing(*w));

  Plug(*w);  // Reading, then Ready
  EXPECT_FALSE(w->ErrPnl->isVisible());
  EXPECT_TRUE(Browsing(*w));
  ASSERT_TRUE(w->MusicDb);

  w->ExportBtnClick();  // Options open
  EXPECT_TRUE(w->GoPnl->isVisible());
  w->PlayLstList->setFocus();  // the focus leaves it
  QApplication::processEvents();
  EXPECT_FALSE(w->GoPnl->isVisible());

  w->BeginTransfer(std::make_unique<HandingOverWorker>(services->Dispatcher,
                                                       [&] { w->TransferEnded("\r\nDone."); }),
                   "head\r\n");  // Copying
  EXPECT_TRUE(w->Copying);
  EXPECT_TRUE(w->CopyPnl->isVisible());
  EXPECT_EQ(w->CancelBtn->Caption(), "Cancel");
  EXPECT_TRUE(w->WorkShp->Running());
  EXPECT_FALSE(Browsing(*w));
  EXPECT_FALSE(w->close());  // refused while copying
  EXPECT_EQ(
      warnings,
      QStringList{
          "Transfer is in progress.\rPlease cancel the transfer before closing the program."});
  EXPECT_TRUE(w->isVisible());

  w->CancelBtnClick();  // Cancel requested
  EXPECT_FALSE(w->Copying);
  EXPECT_FALSE(w->CancelBtn->isEnabled());
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return w->CancelBtn->Caption() == QString("Done"); }));  // the worker's last report
  EXPECT_TRUE(w->CancelBtn->isEnabled());
  EXPECT_FALSE(w->WorkShp->Running());
  EXPECT_TRUE(w->DetailLb->isVisible());
  EXPECT_EQ(w->DetailLog, "head\r\n\r\nDone.");

  w->CancelBtnClick();  // "Done": the folder opens, Ready again
  EXPECT_EQ(opened.size(), 1);
  EXPECT_FALSE(w->CopyPnl->isVisible());
  EXPECT_TRUE(Browsing(*w));

  // Closing with the iPod attached asks the eject question, after the settings.
  EXPECT_TRUE(w->close());
  EXPECT_EQ(questions.size(), 1);
  EXPECT_TRUE(questions[0].startsWith("Do you want to eject your iPod now?\r"));
  EXPECT_EQ(fake->Ejected, 0);  // the answer was No
}

// The window thread waits for the worker and keeps serving its reports.
TEST_F(Frame, ADeviceLostDuringATransferStopsItWithoutDeadlock) {
  auto w = OpenMusicWindow();
  Plug(*w);
  auto* worker = new HandingOverWorker(services->Dispatcher, [&] { w->TransferEnded(""); });
  w->BeginTransfer(std::unique_ptr<TransferWorker>(worker), "");
  ASSERT_TRUE(QTest::qWaitFor([&] { return worker->Reports() > 3; }));
  Unplug(*w);
  EXPECT_FALSE(w->Copying);
  EXPECT_FALSE(w->CopyThread);  // ended and gone
  EXPECT_TRUE(w->ErrPnl->isVisible());
  EXPECT_EQ(w->ErrLb->text(), "No device found");
  EXPECT_EQ(
      w->Gdlb->text(),
      "1. Disconnect your iPod from computer first\r\r2. Then, re-connect it to the computer");
  EXPECT_EQ(w->StatusLb->text(), "Lost connection with device, operation aborted.");
  EXPECT_FALSE(Browsing(*w));
  EXPECT_TRUE(w->close());
  EXPECT_TRUE(questions.isEmpty());  // no disk-mode iPod: nothing asked
}

TEST_F(Frame, OverlayPanelsAreCentredAndThePhotoWindowHasItsOwnTexts) {
  auto w = OpenMusicWindow();
  w->resize(1000, 700);
  w->ShowOverlayPanel(w->ErrPnl, true);
  EXPECT_EQ(w->ErrPnl->pos(), QPoint((1000 - 492) / 2, (700 - 328) / 2));
  w->resize(700, 400);  // never below the minimum
  EXPECT_EQ(w->size(), QSize(800, 520));
  w->close();

  windows::TPhotoTranFrm photo(*services, nullptr);
  photo.show();
  EXPECT_EQ(photo.Caplb->text(), "Ortelan Photo 5.3");
  Plug(photo);
  EXPECT_FALSE(photo.ErrPnl->isVisible());
  ASSERT_TRUE(photo.PhotoDb);
  Unplug(photo);
  EXPECT_EQ(photo.StatusLb->text(), "Lost connection with iPod, operation abort.");
  EXPECT_EQ(
      photo.Gdlb->text(),
      "1. Disconnect your iPod from computer first\r\r2. Then, re-connect iPod to the computer");
  photo.close();
}

TEST(Settings, DefaultsOnAFreshProfileAndWhatIsKept) {
  const std::string home = getenv("HOME");
  MusicOptions music;
  PhotoOptions photos;
  LoadSettings(music);
  LoadSettings(photos);
  EXPECT_EQ(music.DestFolder, home + "/Music/iTunes/iTunes Music/");
  EXPECT_EQ(music.NameScheme, 1);
  EXPECT_FALSE(music.AddToItunes);
  EXPECT_EQ(photos.DestFolder, home + "/Pictures/iPod Photos/");

  music.DestFolder = "  /srv/music \t";
  music.NameScheme = 4;
  music.AddToItunes = true;
  photos.DestFolder = "/srv/photos";
  SaveSettings(music);
  SaveSettings(photos);
  {
    QSettings stored(QSettings::NativeFormat, QSettings::UserScope, "Ortelan", "Ortelan");
    EXPECT_EQ(stored.value("Outpath").toString(), "  /srv/music \t");  // untrimmed
    EXPECT_EQ(stored.value("Sync").toInt(), 1);
  }
  MusicOptions again;
  PhotoOptions photosAgain;
  LoadSettings(again);
  LoadSettings(photosAgain);
  EXPECT_EQ(again.DestFolder, "/srv/music");  // trimmed when read
  EXPECT_EQ(again.NameScheme, 4);
  EXPECT_TRUE(again.AddToItunes);
  EXPECT_EQ(photosAgain.DestFolder, "/srv/photos");  // each window its own
}

TEST(DetailLog, ShowsTheFinishedTransferOnceBelowItsDesignLine) {
  const std::string music =
      TIpodMusicDb::DetailLogHead(1, true) + "\r\nCopy files: t2, c2" + "\r\nDone.";
  EXPECT_EQ(music, "Ortelan 6.5, 1\r\n[iPod]\r\n\r\nCopy files: t2, c2\r\nDone.");
  const std::string photo = TIpodPhotoDb::DetailLogHead(false) + "\r\nCopy pics: t3, c3";
  EXPECT_EQ(photo, "Ortelan Photo 5.3\r\n\r\nCopy pics: t3, c3");
  for (int i = 0; i < 2; ++i) {  // two dialogs, the same text in each
    TDetailLogFrm dialog(nullptr, QRect(100, 100, 386, 226));
    dialog.AppendLog(music);
    EXPECT_EQ(dialog.LogMem->toPlainText(),
              "Please include this log when contacting us.\nOrtelan 6.5, 1\n[iPod]\n\nCopy files: "
              "t2, c2\nDone.");
    EXPECT_EQ(dialog.pos(), QPoint(100 + (386 - 428) / 2, 100 + (226 - 345) / 2));
  }
}

// One job window at a time, made anew for every job; the launcher hides
// meanwhile and comes back at its place, also when the window raised.
TEST(Launcher, OpensEachJobInANewWindowAndComesBackAtItsPlace) {
  AppServices services(std::make_unique<test::FakeVolumeSource>(),
                       std::make_unique<test::FaultyFileSystem>());
  TLauncherFrm launcher(services);
  EXPECT_EQ(launcher.windowTitle(), "Ortelan Suit");
  EXPECT_EQ(launcher.size(), QSize(386, 226));
  launcher.show();
  launcher.move(123, 87);
  const QPoint place = launcher.pos();
  std::vector<TTransferFrm*> opened;
  bool hiddenMeanwhile = true;
  launcher.MakeMusicWindow = [&](AppServices& s, QWidget* parent) {
    auto window = std::make_unique<windows::TMusicTranFrm>(s, parent);
    opened.push_back(window.get());
    QTimer::singleShot(50, window.get(), [&launcher, &hiddenMeanwhile, w = window.get()] {
      hiddenMeanwhile = hiddenMeanwhile && !launcher.isVisible() && launcher.TransferFrm == w;
      w->close();
    });
    return std::unique_ptr<TTransferFrm>(std::move(window));
  };
  launcher.MusicBtnClick();
  launcher.MusicBtnClick();
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_NE(opened[0], nullptr);
  EXPECT_TRUE(hiddenMeanwhile);
  EXPECT_TRUE(launcher.isVisible());
  EXPECT_EQ(launcher.pos(), place);
  EXPECT_EQ(launcher.TransferFrm, nullptr);

  launcher.MakePhotoWindow = [](AppServices&, QWidget*) -> std::unique_ptr<TTransferFrm> {
    throw std::runtime_error("no window");
  };
  EXPECT_THROW(launcher.PhotoBtnClick(), std::runtime_error);
  EXPECT_TRUE(launcher.isVisible());
  EXPECT_EQ(launcher.pos(), place);
}

}  // namespace
}  // namespace ortelan::app
