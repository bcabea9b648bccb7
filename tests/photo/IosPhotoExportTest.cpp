// A photo export from an iPhone that is unplugged while the device does not
// answer: the export ends at once, names the loss once and leaves no part
// file. Run under ThreadSanitizer too (the detach comes on another thread).

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "device/iPodDev.h"
#include "photo/PhotoCopyThread.h"
#include "photo/iPodPhoto.h"
#include "support/FakeMobileDevice.h"
#include "support/FakeServices.h"
#include "support/SqliteBuilder.h"
#include "support/TempDir.h"

namespace ortelan {
namespace {

TEST(IosPhotoExport, AnUnplugWhileTheDeviceIsSilentEndsTheExport) {
  test::TempDir phone, pc;
  fixtures::sqlite::MakeDatabase(phone / "PhotoData/Photos.sqlite",
                                 fixtures::sqlite::PhotosSchema(8, 14, 15) + R"(
INSERT INTO ZGENERICASSET VALUES (30, 15, 0, 'DCIM/100APPLE', 'IMG_0001.JPG', 0),
  (31, 15, 1, 'DCIM/100APPLE', 'IMG_0002.JPG', 0), (32, 15, 2, 'DCIM/100APPLE', 'IMG_0003.JPG', 0);
)");
  for (const char* name : {"IMG_0001.JPG", "IMG_0002.JPG", "IMG_0003.JPG"}) {
    test::WriteFile(phone / (std::string("DCIM/100APPLE/") + name), std::string(64, 'j'));
  }
  test::FakeMobileDevice fake(phone.Path());
  fake.Attached = {"udid"};
  test::DeviceFixture fx(&fake);
  fx.Dispatcher.RunPending();
  ASSERT_TRUE(fx.Device->IsIos);
  fx.Device->IosSession().SetBufferSize(16);

  TIpodPhotoDb db(fx.Device.get(), false, nullptr);
  ASSERT_TRUE(db.LoadPhotoLibrary()) << db.Log;
  ASSERT_EQ(db.Photos.Count(), 3);
  for (int i = 0; i < db.Photos.Count(); ++i) db.Photos.Check(i);
  std::string folder = pc.Path();
  ASSERT_TRUE(db.PrepareDestination(folder));

  fake.StallReadsAfter = fake.BytesRead() + 64 + 16;  // in the second photo
  std::thread unplug([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    fake.Detach("udid");  // as the library's thread reports it
  });
  const auto start = std::chrono::steady_clock::now();
  TPhotoCopyThread worker(db, fx.Dispatcher);
  worker.Start();
  fx.Dispatcher.RunUntil([&] { return worker.Finished(); });
  unplug.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(test::ListTree(pc.Path()), std::vector<std::string>{"IMG_0001.JPG"});
  const std::string gone = "[X] The device was unplugged: the transfer ends.";
  const size_t said = db.Log.find(gone);
  EXPECT_NE(said, std::string::npos) << db.Log;
  EXPECT_EQ(db.Log.find(gone, said + 1), std::string::npos) << db.Log;
  EXPECT_NE(fx.Device->ErrorText().find("Copy fail: Read error: the device was unplugged"),
            std::string::npos)
      << fx.Device->ErrorText();
}

}  // namespace
}  // namespace ortelan
