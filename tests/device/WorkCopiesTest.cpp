#include <gtest/gtest.h>

#include <filesystem>

#include "device/SQLiteWrap.h"
#include "support/FakeServices.h"
#include "support/SqliteBuilder.h"
#include "support/TempDir.h"

namespace ortelan {
namespace {

namespace fs = std::filesystem;
using fixtures::sqlite::MakeDatabaseWithLog;

class WorkCopies : public ::testing::Test {
 protected:
  void SetUp() override {
    root = dir / "ipod";
    ASSERT_TRUE(fx.ConnectIpodAt(root));
  }
  int64_t Count(const std::string& database, const std::string& table) {
    TSQLiteDatabase db(database);
    return db.Query("SELECT count(*) FROM " + table)->ColumnInt64(0);
  }

  test::TempDir dir;
  test::DeviceFixture fx;
  std::string root;
};

// The database is read from copies with its log applied, and the device's
// files stay as they were, byte for byte.
TEST_F(WorkCopies, TheLogIsAppliedToTheCopyAndTheDeviceFilesStayUntouched) {
  const std::string onDevice = root + "/iPod_Control/iTunes/MediaLibrary.sqlitedb";
  MakeDatabaseWithLog(onDevice, "CREATE TABLE item (x); INSERT INTO item VALUES (1);",
                      "INSERT INTO item VALUES (2);");
  const std::string databaseBytes = test::ReadFileText(onDevice);
  const std::string logBytes = test::ReadFileText(onDevice + "-wal");
  ASSERT_FALSE(logBytes.empty());

  std::string database, log;
  fx.Device->FetchItunesFile("MediaLibrary.sqlitedb", false, database, "");
  fx.Device->FetchItunesFile("MediaLibrary.sqlitedb-wal", false, log, "-wal");
  ASSERT_FALSE(database.empty());
  EXPECT_EQ(log, database + "-wal");
  EXPECT_EQ(fs::path(database).parent_path(), fs::path(fx.Device->WorkFile).parent_path());
  EXPECT_NE(database.find(platform::PrivateTempFolder()), std::string::npos);
  EXPECT_EQ(Count(database, "item"), 2);  // the row that only the log holds is there

  fx.Device->DeleteWorkCopy(database);
  fx.Device->DeleteWorkCopy(log);
  for (const char* suffix : {"", "-wal", "-shm"}) EXPECT_FALSE(fs::exists(database + suffix));
  EXPECT_EQ(test::ReadFileText(onDevice), databaseBytes);
  EXPECT_EQ(test::ReadFileText(onDevice + "-wal"), logBytes);
  EXPECT_FALSE(fs::exists(onDevice + "-shm"));
}

TEST_F(WorkCopies, MissingFilesAndForeignPaths) {
  std::string path = "stale";
  fx.Device->FetchItunesFile("Library.itdb", true, path, "");
  EXPECT_EQ(path, "");
  EXPECT_EQ(fx.Device->ErrorText().find("Copy itdb failed"), std::string::npos);

  // Only copies of the work file are ever deleted.
  const std::string devicesOwn = root + "/iPod_Control/iTunes/iTunesDB";
  test::WriteFile(devicesOwn, "x");
  fx.Device->DeleteWorkCopy(devicesOwn);
  EXPECT_TRUE(fs::exists(devicesOwn));

  test::WriteFile(root + "/PhotoData/Photos.sqlite", "photos");
  fx.Files.Refuse = [](const std::string&, const std::string&) { return EIO; };
  fx.Device->FetchPhotoDataFile("Photos.sqlite", "", path);
  EXPECT_EQ(path, "");
  EXPECT_NE(fx.Device->ErrorText().find("Copy photodb failed: Input/output error"),
            std::string::npos);
}

TEST_F(WorkCopies, TheManagerDeletesItsWorkFileWhenItGoes) {
  test::WriteFile(root + "/PhotoData/Photos.sqlite", "photos");
  std::string path;
  fx.Device->FetchPhotoDataFile("Photos.sqlite", "", path);
  ASSERT_EQ(test::ReadFileText(path), "photos");
  fx.Device.reset();
  EXPECT_FALSE(fs::exists(path));
}

}  // namespace
}  // namespace ortelan
