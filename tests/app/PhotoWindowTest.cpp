// The photo window on a connected iPod: the album tree, pages of tiles with
// their page bar, the status line and the check menu, as a user clicks them.

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include "app/AppServices.h"
#include "photo/ImageCodec.h"
#include "support/FakeServices.h"
#include "support/PhotoDbBuilder.h"
#include "support/TempDir.h"
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
    services = std::make_unique<app::AppServices>(std::move(volumes),
                                                  std::make_unique<test::FaultyFileSystem>());
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
    window->show();
    fake->Arrive(test::VolumeAt(root));
    QTest::qWait(20);
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
  std::unique_ptr<app::AppServices> services;
  std::unique_ptr<TPhotoTranFrm> window;
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
  QTest::qWait(20);
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

}  // namespace
}  // namespace ortelan::windows
