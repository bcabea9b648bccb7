#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <thread>

#include "platform/QueueDispatcher.h"
#include "support/FakeServices.h"
#include "support/TempDir.h"

namespace ortelan::platform {
namespace {

using test::FaultyFileSystem;
using test::ReadFileText;
using test::TempDir;
using test::WriteFile;

// Opens `source` and copies it as the device manager does.
int Copy(FileSystem& files, const std::string& source, const std::string& dest) {
  ReadFile file;
  if (const int code = file.Open(source)) return code;
  return files.CopyFileExclusive(file, dest);
}

TEST(CopyFileExclusive, CopiesEveryByte) {
  TempDir dir;
  std::string big(3 << 20, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 4096);
  WriteFile(dir / "src", big);
  LinuxFileSystem files;
  EXPECT_EQ(Copy(files, dir / "src", dir / "dst"), 0);
  EXPECT_EQ(ReadFileText(dir / "dst"), big);
  WriteFile(dir / "empty", "");
  EXPECT_EQ(Copy(files, dir / "empty", dir / "empty2"), 0);
  EXPECT_EQ(ReadFileText(dir / "empty2"), "");
}

TEST(CopyFileExclusive, NeverOverwrites) {
  TempDir dir;
  WriteFile(dir / "src", "new");
  WriteFile(dir / "dst", "old");
  LinuxFileSystem files;
  EXPECT_EQ(Copy(files, dir / "src", dir / "dst"), EEXIST);
  EXPECT_EQ(ReadFileText(dir / "dst"), "old");
  // Nor through a link left at the destination.
  std::filesystem::create_symlink(dir / "elsewhere", dir / "link");
  EXPECT_EQ(Copy(files, dir / "src", dir / "link"), EEXIST);
  EXPECT_FALSE(std::filesystem::exists(dir / "elsewhere"));
}

TEST(CopyFileExclusive, LeavesNoPartialFileWhenItFails) {
  TempDir dir;
  WriteFile(dir / "src", std::string(1 << 20, 'x'));
  struct Case {
    int error;
    uint64_t after;
  } cases[] = {{ENOSPC, 4096}, {EIO, 0}, {EIO, 1000000}};
  for (const Case& c : cases) {
    FaultyFileSystem files;
    files.FailAfterBytes = c.after;
    files.FailErrno = c.error;
    EXPECT_EQ(Copy(files, dir / "src", dir / "dst"), c.error);
    EXPECT_FALSE(std::filesystem::exists(dir / "dst")) << c.error << " after " << c.after;
    EXPECT_EQ(test::ListTree(dir.Path()), std::vector<std::string>{"src"});  // no temporary left
  }
  LinuxFileSystem files;
  EXPECT_EQ(Copy(files, dir / "missing", dir / "dst"), ENOENT);
  EXPECT_EQ(Copy(files, dir.Path(), dir / "dst"), EISDIR);
  EXPECT_FALSE(std::filesystem::exists(dir / "dst"));
}

TEST(FileSystem, FreeSpaceAndMountPointUseTheNearestExistingFolder) {
  TempDir dir;
  LinuxFileSystem files;
  uint64_t free = 0;
  EXPECT_TRUE(files.FreeSpace(dir / "not/yet/there", free));
  EXPECT_GT(free, 0u);
  EXPECT_EQ(NearestExistingAncestor(dir / "not/yet/there"), dir.Path());
  EXPECT_EQ(files.MountPointOf("/proc/self/not-there"), "/proc");
}

TEST(QueueDispatcher, RunsWorkOnTheOwnerThread) {
  QueueDispatcher dispatcher;
  const auto owner = std::this_thread::get_id();
  std::thread::id ranOn;
  bool posted = false;
  dispatcher.InvokeAndWait([&] { ranOn = std::this_thread::get_id(); });  // inline
  EXPECT_EQ(ranOn, owner);
  bool done = false;
  std::thread worker([&] {
    dispatcher.InvokeAndWait([&] { ranOn = std::this_thread::get_id(); });
    dispatcher.Post([&] { posted = true; });
    dispatcher.Post([&] { done = true; });
  });
  dispatcher.RunUntil([&] { return done; });
  worker.join();
  EXPECT_EQ(ranOn, owner);
  EXPECT_TRUE(posted);
}

}  // namespace
}  // namespace ortelan::platform
