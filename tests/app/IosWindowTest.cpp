// The music window with an iPhone behind a fake mobile-device library: it
// comes, is listed, goes and comes again.

#include <gtest/gtest.h>

#include <QFrame>
#include <QLabel>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

#include "app/AppServices.h"
#include "support/FakeMobileDevice.h"
#include "support/FakeServices.h"
#include "support/SqliteBuilder.h"
#include "support/TempDir.h"
#include "windows/music/MusicTranFrm.h"

namespace ortelan::windows {
namespace {

constexpr const char* kPhoneLibrary = R"(
INSERT INTO base_location VALUES (1, 'iTunes_Control/Music/F00');
INSERT INTO item (item_pid, base_location_id) VALUES (1, 1), (2, 1);
INSERT INTO item_extra VALUES (1, 'First', 'A.mp3', 3, 1000), (2, 'Second', 'B.mp3', 5, 1000);
INSERT INTO item_stats VALUES (1, 0, 0), (2, 0, 0);
INSERT INTO db_info VALUES (1, 9);
INSERT INTO container (container_pid, name) VALUES (9, 'Phone');
)";

TEST(IosWindow, MusicWindowFollowsTheIphoneThroughUnplugAndReplug) {
  test::TempDir phone;
  fixtures::sqlite::MakeDatabase(
      phone / "iTunes_Control/iTunes/MediaLibrary.sqlitedb",
      std::string(fixtures::sqlite::kMediaLibrarySchema) + kPhoneLibrary);
  test::WriteFile(phone / "iTunes_Control/Music/F00/A.mp3", "aaa");
  test::WriteFile(phone / "iTunes_Control/Music/F00/B.mp3", "bbbbb");
  test::FakeMobileDevice mobile(phone.Path());
  mobile.Attached = {"udid"};
  app::AppServices services(std::make_unique<test::FakeVolumeSource>(),
                            std::make_unique<test::FaultyFileSystem>());
  services.Mobile = &mobile;
  TMusicTranFrm window(services, nullptr);
  window.show();
  const auto rows = [&] { return window.MusicList->model()->rowCount(); };
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.MusicDb && rows() == 2; }));
  EXPECT_TRUE(window.Device->IsIos);
  EXPECT_EQ(window.IpodLb->text(), "Phone");

  mobile.Detach("udid");
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.ErrPnl->isVisible(); }));
  EXPECT_EQ(window.PlayLstList->topLevelItemCount(), 0);
  EXPECT_EQ(rows(), 0);

  mobile.Attach("udid");
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window.ErrPnl->isVisible() && rows() == 2; }));
}

}  // namespace
}  // namespace ortelan::windows
