// The music window's views on a connected iPod: the playlist tree, the track
// grid and the status line, as a user sees and clicks them.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "app/AppServices.h"
#include "support/FakeServices.h"
#include "support/ItunesDbBuilder.h"
#include "support/PhotoDbBuilder.h"
#include "support/TempDir.h"
#include "windows/music/MusicListLook.h"
#include "windows/music/MusicListModel.h"
#include "windows/music/MusicTranFrm.h"

namespace ortelan::windows {
namespace {

using fixtures::Library;

fixtures::Track MakeTrack(uint32_t id, const std::string& title, const std::string& file,
                          uint32_t size) {
  fixtures::Track t;
  t.Fields.Id = id;
  t.Fields.Size = size;
  t.Fields.DurationMs = 60000;
  t.Title = title;
  t.Location = ":iPod_Control:Music:F00:" + file;
  t.Artist = "Artist";
  return t;
}

class MusicWindow : public ::testing::Test {
 protected:
  MusicWindow() {
    auto volumes = std::make_unique<test::FakeVolumeSource>();
    fake = volumes.get();
    auto files = std::make_unique<test::FaultyFileSystem>();
    this->files = files.get();
    services = std::make_unique<app::AppServices>(std::move(volumes), std::move(files));
    root = dir / "ipod";
    Library lib;
    lib.Tracks = {MakeTrack(10, "Small", "A.mp3", 1024), MakeTrack(11, "Clip", "B.m4v", 2048),
                  MakeTrack(12, "Large", "C.mp3", 4096), MakeTrack(13, "Medium", "D.mp3", 3072)};
    lib.Playlists = {{"Ann's iPod", false, {10, 11, 12, 13}},
                     {"Twice", false, {12, 99, 12}},
                     {"Best", true, {13}}};
    test::WriteFile(root + "/iPod_Control/iTunes/iTunesDB", lib.Build());
    for (const fixtures::Track& t : lib.Tracks) {  // the files, of their recorded sizes
      std::string file = t.Location;
      for (char& c : file) c = c == ':' ? '/' : c;
      test::WriteFile(root + file, std::string(t.Fields.Size, 'm'));
    }
    window = std::make_unique<TMusicTranFrm>(*services, nullptr);
    window->Messages.Warning = [this](QWidget*, const QString& text) { messages << "W " + text; };
    window->Messages.Information = [this](QWidget*, const QString& text) {
      messages << "I " + text;
    };
    window->PickFolder = [this] {
      messages << "picker";
      return QString();
    };
    window->show();
    fake->Arrive(test::VolumeAt(root));  // through the window thread's queue
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->MusicDb != nullptr; }));
  }
  ~MusicWindow() override {
    window->Device->DiskModeConnected = false;  // no eject question
  }
  QStringList Titles() const {
    QStringList titles;
    const QAbstractItemModel* model = window->MusicList->model();
    for (int row = 0; row < model->rowCount(); ++row) {
      titles << model->index(row, 1).data().toString();
    }
    return titles;
  }

  test::TempDir dir;
  std::string root;
  test::FakeVolumeSource* fake = nullptr;
  test::FaultyFileSystem* files = nullptr;
  std::unique_ptr<app::AppServices> services;
  std::unique_ptr<TMusicTranFrm> window;
  QStringList messages;
};

TEST_F(MusicWindow, ShowsTheTreeTheTracksAndTheStatus) {
  QTreeWidget& tree = *window->PlayLstList;
  ASSERT_EQ(tree.topLevelItemCount(), 6);
  const QStringList nodes = {"All Music", "Movies", "Books", "Ringtone", "Twice", "Best"};
  for (int i = 0; i < nodes.size(); ++i) {
    EXPECT_EQ(tree.topLevelItem(i)->text(0), nodes[i]);
    EXPECT_FALSE(tree.topLevelItem(i)->icon(0).isNull());
  }
  EXPECT_EQ(window->IpodLb->text(), "Ann's iPod");
  EXPECT_EQ(tree.currentItem(), tree.topLevelItem(0));
  EXPECT_EQ(Titles(), (QStringList{"Small", "Large", "Medium"}));
  EXPECT_EQ(window->StatusLb->text().toStdString(),
            "3 items, 8.00 KB  ( Selected 4 items, 10.00 KB / Total 4 items, 10.00 KB )");

  // A check taken off in the grid shows in every view and in the status.
  QAbstractItemModel* model = window->MusicList->model();
  const QRect cell = window->MusicList->visualRect(model->index(1, 1));
  QTest::mouseClick(window->MusicList->viewport(), Qt::LeftButton, {},
                    TMusicListDelegate::CheckRect(cell).center());
  EXPECT_EQ(window->StatusLb->text().toStdString(),
            "3 items, 8.00 KB  ( Selected 3 items, 6.00 KB / Total 4 items, 10.00 KB )");
  tree.setCurrentItem(tree.topLevelItem(4));
  EXPECT_EQ(Titles(), (QStringList{"Large", "Large"}));  // listed twice, the missing id not
  EXPECT_EQ(model->index(0, 1).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
  EXPECT_TRUE(window->StatusLb->text().startsWith("2 itmes, 8.00 KB  ( Selected 3 items"))
      << window->StatusLb->text().toStdString();

  // The size header: ascending first, then descending.
  tree.setCurrentItem(tree.topLevelItem(0));
  QHeaderView* header = window->MusicList->header();
  const QPoint size(header->sectionViewportPosition(6) + 5, 5);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, size);
  EXPECT_EQ(Titles(), (QStringList{"Small", "Medium", "Large"}));
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, size);
  EXPECT_EQ(Titles(), (QStringList{"Large", "Medium", "Small"}));

  fake->Remove(root);  // the iPod goes: both views empty
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->ErrPnl->isVisible(); }));
  EXPECT_EQ(tree.topLevelItemCount(), 0);
  EXPECT_EQ(model->rowCount(), 0);
}

TEST_F(MusicWindow, SearchBoxFollowsItsKeyRules) {
  QLineEdit& box = *window->SrEdt;
  QTest::keyClicks(&box, "la");
  EXPECT_FALSE(window->ClearImg->isHidden());  // shown from the second character on
  QTest::keyClick(&box, Qt::Key_Return);
  EXPECT_EQ(Titles(), QStringList{"Large"});
  EXPECT_EQ(window->StatusLb->text().toStdString(), "Found 1, 4.00 KB");
  QTest::keyClick(&box, Qt::Key_Escape);  // as the clear picture
  EXPECT_EQ(box.text(), "");
  EXPECT_TRUE(window->ClearImg->isHidden());
  EXPECT_EQ(Titles(), (QStringList{"Small", "Large", "Medium"}));

  QTest::keyClicks(&box, "m");
  EXPECT_TRUE(window->ClearImg->isHidden());  // the first character does not show it
  QTest::keyClick(&box, Qt::Key_Return);
  EXPECT_EQ(Titles(), (QStringList{"Small", "Medium"}));
  QTest::keyClick(&box, Qt::Key_Backspace);  // its last character: the view comes back
  EXPECT_EQ(Titles(), (QStringList{"Small", "Large", "Medium"}));

  QTest::keyClicks(&box, "zz");
  QTest::keyClick(&box, Qt::Key_Return);
  EXPECT_TRUE(Titles().isEmpty());
  QTest::keyClicks(&box, "x");
  QTest::keyClick(&box, Qt::Key_Return);  // nothing listed: the box does nothing
  EXPECT_EQ(window->StatusLb->text().toStdString(), "Found 0, 0.00 KB");

  // Enter on the tree's node brings its view back and moves to the grid.
  window->PlayLstList->setFocus();
  QTest::keyClick(window->PlayLstList, Qt::Key_Return);
  EXPECT_EQ(Titles(), (QStringList{"Small", "Large", "Medium"}));
  EXPECT_TRUE(window->MusicList->hasFocus());
}

TEST_F(MusicWindow, CheckMenuActsOnTheLibraryOrOnTheRowsShown) {
  window->PlayLstList->setCurrentItem(window->PlayLstList->topLevelItem(4));
  window->SongPopPopup();
  EXPECT_EQ(window->PlMnu->title().toStdString(), "In  \"Twice\"");
  const QList<QAction*> top = window->SongPop->actions();
  ASSERT_EQ(top[0]->text(), "Uncheck all");
  top[0]->trigger();
  EXPECT_EQ(window->MusicDb->Tracks.CheckedCount, 0);
  EXPECT_EQ(window->StatusLb->text().toStdString(),
            "2 itmes, 8.00 KB  ( Total 4 items, 10.00 KB )");
  window->PlMnu->actions()[0]->trigger();              // "Check all" within the playlist
  EXPECT_EQ(window->MusicDb->Tracks.CheckedCount, 1);  // its one track, listed twice
  EXPECT_TRUE(window->MusicDb->Tracks.GetItem(2).Checked);
  window->PlMnu->actions()[4]->trigger();  // "Invert"
  EXPECT_EQ(window->MusicDb->Tracks.CheckedCount, 0);
}

TEST_F(MusicWindow, StartTransferChecksInTheirOrder) {
  QTreeWidget& tree = *window->PlayLstList;
  tree.setCurrentItem(tree.topLevelItem(2));  // "Books": no rows
  window->StartTransfer(false);
  tree.setCurrentItem(tree.topLevelItem(0));
  window->CheckEveryTrack(false);
  window->StartTransfer(false);
  window->CheckEveryTrack(true);
  window->DestEdt->setText("   ");
  window->StartTransfer(false);
  EXPECT_EQ(window->DestEdt->text(), "");  // trimmed in the box
  window->DestEdt->setText(QString::fromStdString(root + "/Music"));
  window->StartTransfer(false);
  ASSERT_EQ(messages.size(), 6);
  EXPECT_EQ(messages[0], "W Nothing to transfer.");
  EXPECT_EQ(messages[1], "I No music has been selected to transfer.");
  EXPECT_EQ(messages[2], "W Please choose a traget folder to save the music files.");
  EXPECT_EQ(messages[3], "picker");
  EXPECT_EQ(messages[4],
            "W You need to choose a folder in your PC to save all the transferred files.");
  EXPECT_TRUE(
      messages[5].endsWith(" is your iPod.\rYou cannot transfer the files from iPod to "
                           "iPod. Please choose another folder in your computer."));
  EXPECT_FALSE(window->Copying);
}

TEST_F(MusicWindow, ATransferCopiesTheCheckedTracksAndMarksThem) {
  window->MusicDb->Tracks.Uncheck(1);  // the clip stays behind
  const std::string dest = dir / "out";
  window->ExportBtnClick();
  EXPECT_TRUE(window->GoPnl->isVisible());
  window->DestEdt->setText(QString::fromStdString("  " + dest + "  "));
  window->FormatLst->setCurrentIndex(2);
  window->iTunesCb->setChecked(false);
  window->ToPcBtnClick();
  EXPECT_FALSE(window->GoPnl->isVisible());
  EXPECT_TRUE(window->Copying);
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->CancelBtn->Caption() == QString("Done"); }));
  EXPECT_EQ(test::ListTree(dest),
            (std::vector<std::string>{"Artist - Large.mp3", "Artist - Medium.mp3",
                                      "Artist - Small.mp3"}));
  EXPECT_EQ(window->MusicDb->Tracks.GetItem(0).CopyState, 1);
  EXPECT_EQ(window->MusicDb->Tracks.GetItem(1).CopyState, -1);
  const QAbstractItemModel* model = window->MusicList->model();
  EXPECT_FALSE(model->index(0, 0).data(Qt::DecorationRole).isNull());  // the copy mark
  EXPECT_EQ(window->DetailLog, "Ortelan 6.5, 2\r\n[iPod]\r\n\r\nCopy files: t3, c3\r\nDone.");
  EXPECT_EQ(window->CopyPrgs->value(), window->CopyPrgs->maximum());
  EXPECT_EQ(window->Options.DestFolder, dest);
  EXPECT_EQ(window->Options.NameScheme, 2);
}

TEST_F(MusicWindow, MoreMenuHandsThePlaylistsAndATrackListOn) {
  QStringList items;
  for (const QAction* action : window->AdPop->actions()) items << action->text();
  EXPECT_TRUE(items.contains("Save playlists as M3U8 files"));
  EXPECT_TRUE(items.contains("Save a track list with ratings (CSV)"));
  window->PlaylistsAct->trigger();
  window->TrackListAct->trigger();
  const std::string dest = dir / "lists";
  window->ExportBtnClick();
  window->DestEdt->setText(QString::fromStdString(dest));
  window->FormatLst->setCurrentIndex(2);
  window->iTunesCb->setChecked(false);
  window->ToPcBtnClick();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->CancelBtn->Caption() == QString("Done"); }));
  EXPECT_EQ(test::ReadFileText(dest + "/Twice.m3u8"),
            "#EXTM3U\n#EXTINF:60,Artist - Large\nArtist - Large.mp3\n"
            "#EXTINF:60,Artist - Large\nArtist - Large.mp3\n");
  EXPECT_TRUE(std::filesystem::exists(dest + "/Best.m3u8"));
  EXPECT_TRUE(std::filesystem::exists(dest + "/tracks.csv"));
  EXPECT_TRUE(window->Options.SavePlaylists);
  EXPECT_TRUE(window->Options.SaveTrackList);
}

TEST_F(MusicWindow, AlbumCoversAreOnByDefaultWhereAlbumsHaveFolders) {
  EXPECT_EQ(window->CoversAct->text(), "Save album covers (cover.jpg)");
  EXPECT_TRUE(window->CoversAct->isChecked());
  window->FormatLst->setCurrentIndex(2);
  EXPECT_FALSE(window->CoversAct->isEnabled());
  // The first scheme chosen from the list the box drops down, as a user
  // does: the panel stays open meanwhile.
  window->ExportBtnClick();
  window->FormatLst->setFocus();
  window->FormatLst->showPopup();
  QAbstractItemView* list = window->FormatLst->view();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
  QTest::keyClick(list, Qt::Key_Home);
  QTest::keyClick(list, Qt::Key_Return);
  QTRY_VERIFY(!list->window()->isVisible());
  EXPECT_TRUE(window->GoPnl->isVisible());
  EXPECT_EQ(window->FormatLst->currentIndex(), 0);
  ASSERT_TRUE(window->CoversAct->isEnabled());
  // Its tracks, all of database id 0, share a white 2 x 2 picture.
  using namespace fixtures::photodb;
  const ThumbRef ref{1028, 0, 8, 2, 2, 0, 0, ":F1028_1.ithmb"};
  test::WriteFile(root + "/iPod_Control/Artwork/ArtworkDB",
                  Mhfd({Section(1, Mhli({ArtworkImage(1, 0, {ref})}))}));
  test::WriteFile(root + "/iPod_Control/Artwork/F1028_1.ithmb", std::string(8, '\xff'));
  const std::string dest = dir / "covers";
  window->DestEdt->setText(QString::fromStdString(dest));
  window->iTunesCb->setChecked(false);
  window->ToPcBtnClick();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->CancelBtn->Caption() == QString("Done"); }));
  EXPECT_TRUE(std::filesystem::exists(dest + "/Artist/Unknown Album/cover.jpg"));
  EXPECT_NE(window->DetailLog.find("Covers: 1"), std::string::npos) << window->DetailLog;
}

TEST_F(MusicWindow, ADeviceLostDuringATransferStopsItAndEmptiesTheViews) {
  std::atomic<int> started{0};
  files->Refuse = [&](const std::string&, const std::string&) {
    ++started;
    std::this_thread::sleep_for(std::chrono::milliseconds(40));  // a slow device
    return 0;
  };
  window->DestEdt->setText(QString::fromStdString(dir / "out"));
  window->iTunesCb->setChecked(false);
  window->ToPcBtnClick();
  ASSERT_TRUE(window->Copying);
  ASSERT_TRUE(QTest::qWaitFor([&] { return started > 0; }));
  fake->Remove(root);  // pulled out in the middle
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Copying; }));
  EXPECT_EQ(window->StatusLb->text().toStdString(),
            "Lost connection with device, operation aborted.");
  EXPECT_TRUE(window->ErrPnl->isVisible());
  EXPECT_EQ(window->PlayLstList->topLevelItemCount(), 0);
  EXPECT_EQ(window->MusicList->model()->rowCount(), 0);
  EXPECT_LT(started, 4);  // it stopped before the end
}

}  // namespace
}  // namespace ortelan::windows
