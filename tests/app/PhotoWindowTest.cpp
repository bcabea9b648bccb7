// The photo window on a connected iPod: the album tree, pages of tiles with
// their page bar, the status line and the check menu, as a user clicks them.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QWheelEvent>
#include <atomic>
#include <chrono>
#include <thread>

#include "app/AppServices.h"
#include "photo/ImageCodec.h"
#include "support/FakeServices.h"
#include "support/PhotoDbBuilder.h"
#include "support/TempDir.h"
#include "windows/photo/PhotoPreviewFrm.h"
#include "windows/photo/PhotoTiles.h"
#include "windows/photo/PhotoTranFrm.h"

namespace ortelan::windows {
namespace {

using namespace fixtures::photodb;
using fixtures::Bytes;

constexpr int kPhotos = 351;  // the default layout holds 350 a page
constexpr uint32_t kRecord = 64 * 64 * 2;

class PhotoWindow : public ::testing::Test {
 protected:
  PhotoWindow() {
    ImageCodec::Start();
    auto volumes = std::make_unique<test::FakeVolumeSource>();
    fake = volumes.get();
    auto files = std::make_unique<test::FaultyFileSystem>();
    this->files = files.get();
    services = std::make_unique<app::AppServices>(std::move(volumes), std::move(files));
    root = dir / "ipod";
    test::DeviceFixture::MakeIpodTree(root);
    std::vector<Bytes> images, all;
    for (uint32_t i = 0; i < kPhotos; ++i) {
      const ThumbRef display{1066, i * kRecord, kRecord, 64, 64, 0, 0, ":Thumbs:F1066_1.ithmb"};
      images.push_back(Image(100 + i, display, display));
      all.push_back(Mhia(100 + i));
    }
    const Bytes database =
        Mhfd({Section(1, Mhli(images)),
              Section(2, Mhla({Mhba({StringMhod(1, "Library")}, all),
                               Mhba({StringMhod(1, "Sixteen chars!!!")}, {Mhia(100)}),
                               Mhba({StringMhod(1, "Seventeen chars!!")}, {}),
                               Mhba({StringMhod(1, "Empty")}, {})}))});
    test::WriteFile(root + "/Photos/Photo Database", database);
    test::WriteFile(root + "/Photos/Thumbs/F1066_1.ithmb", std::string(kPhotos * kRecord, '\x1F'));
    window = std::make_unique<TPhotoTranFrm>(*services, nullptr);
    window->Messages.Warning = [this](QWidget*, const QString& text) { messages << "W " + text; };
    window->Messages.Information = [this](QWidget*, const QString& text) {
      messages << "I " + text;
    };
    window->PickFolder = [this] {
      messages << "picker";
      return QString();
    };
    window->OpenFolderAction = [](const QString&) {};
    window->show();
    fake->Arrive(test::VolumeAt(root));  // through the window thread's queue
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->PhotoDb != nullptr; }));
  }
  ~PhotoWindow() override { window->Device->DiskModeConnected = false; }

  QTreeWidgetItem* Node(int album) const {
    QTreeWidgetItem* all = window->AlbumLstList->topLevelItem(0);
    return album == 0 ? all : all->child(album - 1);
  }
  QString Bar() const {
    return window->SelectPage->text() + "/" + window->MaxPage->text() +
           (window->PrvBtn->isHidden() ? "" : " prev") +
           (window->NxtBtn->isHidden() ? "" : " next");
  }

  test::TempDir dir;
  std::string root;
  test::FakeVolumeSource* fake = nullptr;
  test::FaultyFileSystem* files = nullptr;
  std::unique_ptr<app::AppServices> services;
  std::unique_ptr<TPhotoTranFrm> window;
  QStringList messages;
};

TEST_F(PhotoWindow, PagesTurnWithTheirBarAndTheStatusCountsTheTiles) {
  ASSERT_EQ(window->AlbumLstList->topLevelItemCount(), 1);
  EXPECT_EQ(window->AlbumLstList->topLevelItem(0)->text(0), "All Pictures");
  EXPECT_EQ(window->AlbumLstList->topLevelItem(0)->childCount(), 3);
  EXPECT_EQ(window->AlbumLstList->currentItem(), Node(0));  // selected after the read
  EXPECT_EQ(Bar(), "1/2 next");
  EXPECT_EQ(window->PhotoList->TileCount(), 350);
  EXPECT_EQ(window->StatusLb->text().toStdString(), "350 photos  ( Total 351 photos )");

  QTest::mouseClick(window->NxtBtn, Qt::LeftButton);
  EXPECT_EQ(Bar(), "2/2 prev");
  EXPECT_EQ(window->PhotoList->TileCount(), 1);
  EXPECT_EQ(window->PhotoList->Tile(0)->pos(), QPoint(20, 20));
  QTest::mouseClick(window->PrvBtn, Qt::LeftButton);
  EXPECT_EQ(Bar(), "1/2 next");

  // A click on a tile checks its photo; the status says so.
  QTest::mouseClick(window->PhotoList->Tile(3), Qt::LeftButton);
  EXPECT_TRUE(window->PhotoDb->Photos.GetItem(3).Checked);
  EXPECT_EQ(window->StatusLb->text().toStdString(),
            "350 photos  ( Selected 1 photos / Total 351 photos )");

  window->AlbumLstList->setCurrentItem(Node(1));  // one page: no arrows
  EXPECT_EQ(Bar(), "1/1");
  window->AlbumLstList->setCurrentItem(Node(3));  // no photos: page 1 of 0
  EXPECT_EQ(Bar(), "1/0");
  EXPECT_EQ(window->PhotoList->TileCount(), 0);
  EXPECT_TRUE(window->StatusLb->text().startsWith("0 photos"));

  fake->Remove(root);  // the tree empties, the last page stays, disabled
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->ErrPnl->isVisible(); }));
  EXPECT_EQ(window->AlbumLstList->topLevelItemCount(), 0);
}

TEST_F(PhotoWindow, CheckMenuCoversTheWholeAlbumAndItsCaptionIsCut) {
  window->AlbumLstList->setCurrentItem(Node(1));
  window->SongPopPopup();
  EXPECT_EQ(window->AllMnu->text().toStdString(), "Select all in \"Sixteen chars!!!\"");
  window->AlbumLstList->setCurrentItem(Node(2));
  window->SongPopPopup();
  EXPECT_EQ(window->InvertMnu->text().toStdString(), "Invert in \"Seventeen chars!..\"");

  // "Invert in" All Pictures flips every photo, also those of page 2, and
  // the tiles shown.
  window->AlbumLstList->setCurrentItem(Node(0));
  QTest::mouseClick(window->PhotoList->Tile(0), Qt::LeftButton);
  window->SongPopPopup();
  window->InvertMnu->trigger();
  EXPECT_EQ(window->PhotoDb->Photos.CheckedCount, kPhotos - 1);
  EXPECT_FALSE(window->PhotoList->Tile(0)->Checked);
  EXPECT_TRUE(window->PhotoList->Tile(1)->Checked);
  EXPECT_TRUE(window->PhotoDb->Photos.GetItem(350).Checked);
  window->UnAllMnu->trigger();
  EXPECT_EQ(window->PhotoDb->Photos.CheckedCount, 0);
  EXPECT_EQ(window->StatusLb->text().toStdString(), "350 photos  ( Total 351 photos )");
}

TEST_F(PhotoWindow, StartTransferChecksInTheirOrderThenExports) {
  window->AlbumLstList->setCurrentItem(Node(3));  // an empty page
  window->StartTransfer();
  window->AlbumLstList->setCurrentItem(Node(1));
  window->StartTransfer();
  QTest::mouseClick(window->PhotoList->Tile(0), Qt::LeftButton);
  window->DestEdt->setText("  ");
  window->StartTransfer();
  EXPECT_EQ(window->DestEdt->text(), "");  // trimmed, written back
  window->DestEdt->setText(QString::fromStdString(root + "/Photos"));
  window->StartTransfer();
  ASSERT_EQ(messages.size(), 6) << messages.join(" | ").toStdString();
  EXPECT_EQ(messages[0], "W Nothing to transfer.");
  EXPECT_EQ(messages[1], "I No photo has been selected to transfer.");
  EXPECT_EQ(messages[2], "W Please choose a traget folder to save the photo files.");
  EXPECT_EQ(messages[3], "picker");
  EXPECT_EQ(messages[4],
            "W You need to choose a folder in your PC to save the transferred photos.");
  EXPECT_TRUE(messages[5].startsWith("W ")) << messages[5].toStdString();  // the iPod itself

  // The export: the bar counts the checked photo, the log has its head.
  window->DestEdt->setText(QString::fromStdString(dir / "out"));
  window->ExportBtnClick();  // a click on the tiles' empty area closes it
  EXPECT_TRUE(window->GoPnl->isVisible());
  QTest::mouseClick(window->PhotoList->viewport(), Qt::LeftButton, {},
                    window->PhotoList->viewport()->rect().bottomRight() - QPoint(5, 5));
  EXPECT_FALSE(window->GoPnl->isVisible());
  window->ExportBtnClick();
  EXPECT_TRUE(window->GoPnl->isVisible());
  QTest::mouseClick(window->ToPcBtn, Qt::LeftButton);
  EXPECT_FALSE(window->GoPnl->isVisible());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Copying; }));
  EXPECT_EQ(window->CopyPrgs->maximum(), 1);
  EXPECT_EQ(window->CopyPrgs->value(), 1);
  EXPECT_EQ(window->PgLb->text(), "Done.");
  EXPECT_EQ(test::ListTree(dir / "out").size(), 1u);
  EXPECT_TRUE(window->DetailLog.starts_with("Ortelan Photo 5.3\r\n[iPod]\r\n"))
      << window->DetailLog;
}

TEST_F(PhotoWindow, APreviewStepsThroughTheAlbumAndTicksWhatItShows) {
  QStringList captions;
  window->RunPreview = [&](TPhotoPreviewFrm& preview) {
    captions << preview.Caption()->text();
    EXPECT_EQ(preview.Picture()->pixmap().size(), QSize(64, 64));  // the export thumbnail
    QTest::keyClick(&preview, Qt::Key_Right);
    captions << preview.Caption()->text();
    QTest::keyClick(&preview, Qt::Key_Space);
    captions << preview.Caption()->text();
    QTest::keyClick(&preview, Qt::Key_Left);
    QTest::keyClick(&preview, Qt::Key_Left);  // at the first: stays
    captions << preview.Caption()->text();
  };
  // A double click as the window system delivers it: a click, then the
  // second press as a double click, then its release.
  QWidget* tile = window->PhotoList->Tile(0);
  QTest::mouseClick(tile, Qt::LeftButton);
  QTest::mouseDClick(tile, Qt::LeftButton);
  QTest::mouseRelease(tile, Qt::LeftButton);
  EXPECT_EQ(captions, (QStringList{"100.jpg  (1 of 351)", "101.jpg  (2 of 351)",
                                   "101.jpg  (2 of 351)  - ticked", "100.jpg  (1 of 351)"}));
  EXPECT_TRUE(window->PhotoDb->Photos.GetItem(1).Checked);
  EXPECT_TRUE(window->PhotoList->Tile(1)->Checked);
  EXPECT_FALSE(window->PhotoDb->Photos.GetItem(0).Checked);  // a double click ticks twice
  EXPECT_TRUE(window->StatusLb->text().contains("Selected 1 photos"));

  // A wheel notch over the album tree scrolls the tiles 120 pixels.
  QScrollBar* bar = window->PhotoList->verticalScrollBar();
  bar->setValue(500);
  const QPoint over(20, 20);
  QWheelEvent wheel(over, window->AlbumLstList->viewport()->mapToGlobal(over), QPoint(),
                    QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(window->AlbumLstList->viewport(), &wheel);
  EXPECT_EQ(bar->value(), 380);

  // Page Down and Page Up turn the pages.
  QTest::keyClick(window.get(), Qt::Key_PageDown);
  EXPECT_EQ(Bar(), "2/2 prev");
  QTest::keyClick(window.get(), Qt::Key_PageUp);
  EXPECT_EQ(Bar(), "1/2 next");
}

TEST_F(PhotoWindow, ADeviceReconnectedWhileAPageBuildsGivesThatPageUp) {
  // The page builds with an event pass per tile: the device goes and comes
  // back in one of them, and its new library shows its own page 1.
  QTimer::singleShot(0, [this] {
    fake->Remove(root);
    fake->Arrive(test::VolumeAt(root));
  });
  window->ShowAlbum(0);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return !window->ErrPnl->isVisible() && window->PhotoList->TileCount() == 350; }));
  EXPECT_EQ(window->AlbumLstList->topLevelItemCount(), 1);
  EXPECT_EQ(window->PhotoList->TileCount(), 350);
  EXPECT_TRUE(window->PhotoList->Tile(0)->isEnabled());
  EXPECT_EQ(Bar(), "1/2 next");
  EXPECT_EQ(window->StatusLb->text().toStdString(), "350 photos  ( Total 351 photos )");
}

TEST_F(PhotoWindow, ADeviceLostDuringAnExportStopsItAndKeepsTheTilesDisabled) {
  std::atomic<int> written{0};
  files->RefuseWrite = [&](const std::string&) {
    ++written;
    std::this_thread::sleep_for(std::chrono::milliseconds(40));  // a slow disk
    return 0;
  };
  window->SongPopPopup();
  window->AllMnu->trigger();  // all 351 photos
  window->DestEdt->setText(QString::fromStdString(dir / "out"));
  window->ToPcBtnClick();
  ASSERT_TRUE(window->Copying);
  ASSERT_TRUE(QTest::qWaitFor([&] { return written > 0; }));
  fake->Remove(root);  // pulled out in the middle
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Copying; }));
  EXPECT_EQ(window->StatusLb->text().toStdString(), "Lost connection with iPod, operation abort.");
  EXPECT_TRUE(window->ErrPnl->isVisible());
  EXPECT_EQ(window->AlbumLstList->topLevelItemCount(), 0);
  EXPECT_EQ(window->PhotoList->TileCount(), 350);  // the last page stays, disabled
  EXPECT_FALSE(window->PhotoList->Tile(0)->isEnabled());
  EXPECT_LT(written, 20);  // it stopped long before the end
}

}  // namespace
}  // namespace ortelan::windows
