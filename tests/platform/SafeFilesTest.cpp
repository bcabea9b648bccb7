// Reading only regular files, only below the device's root; writing files so
// that no reader ever sees a partial one; the destination's lock; what runs
// that were killed leave behind.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/FolderLock.h"
#include "platform/ReadFile.h"
#include "platform/linux/LinuxFileSystem.h"
#include "support/TempDir.h"

namespace ortelan::platform {
namespace {

namespace fs = std::filesystem;
using test::ListTree;
using test::ReadFileText;
using test::TempDir;
using test::WriteFile;

TEST(ReadFile, OpensOnlyRegularFilesAndNeverBlocks) {
  TempDir dir;
  WriteFile(dir / "file", "abc");
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0644), 0);
  const struct {
    std::string path;
    int code;
  } cases[] = {{dir / "file", 0},
               {dir / "fifo", kNotRegularFile},  // would block for ever in a plain open
               {"/dev/zero", kNotRegularFile},   // would never end
               {dir.Path(), EISDIR},
               {dir / "missing", ENOENT}};
  for (const auto& c : cases) {
    ReadFile file;
    EXPECT_EQ(file.Open(c.path), c.code) << c.path;
    EXPECT_EQ(file.IsOpen(), c.code == 0) << c.path;
  }
  EXPECT_EQ(ErrorText(kNotRegularFile), "Not a regular file");
}

TEST(ReadFile, RefusesFilesLargerThanTheCallerAllowsBeforeAllocating) {
  TempDir dir;
  const std::string big = dir / "big";
  WriteFile(big, "");
  fs::resize_file(big, uint64_t{64} << 30);  // sparse: takes no room
  ReadFile file;
  ASSERT_EQ(file.Open(big), 0);
  ByteBuffer bytes;
  EXPECT_EQ(file.ReadAll(bytes, uint64_t{512} << 20), EFBIG);
  EXPECT_TRUE(bytes.empty());
}

TEST(RootFolder, OpensOnlyBelowTheRoot) {
  TempDir dir;
  const std::string root = dir / "root";
  WriteFile(root + "/Music/a.mp3", "inside");
  WriteFile(dir / "secret", "outside");
  fs::create_symlink("a.mp3", root + "/Music/link-inside");
  fs::create_symlink(dir / "secret", root + "/Music/absolute-out");
  fs::create_symlink("../../secret", root + "/Music/relative-out");
  fs::create_symlink(dir.Path(), root + "/folder-out");
  ASSERT_EQ(mkfifo((root + "/Music/fifo").c_str(), 0644), 0);
  RootFolder folder;
  ASSERT_EQ(folder.Open(root), 0);
  const struct {
    std::string relative;
    bool opens;
  } cases[] = {
      {"Music/a.mp3", true},         {"Music/link-inside", true},  {"Music/absolute-out", false},
      {"Music/relative-out", false}, {"folder-out/secret", false}, {"../secret", false},
      {"Music/../../secret", false}, {"Music/fifo", false},        {"Music", false}};
  for (const auto& c : cases) {
    ReadFile file;
    const int code = folder.OpenFile(c.relative, file);
    EXPECT_EQ(code == 0, c.opens) << c.relative << ": " << code;
    if (code != 0) continue;
    ByteBuffer bytes;
    ASSERT_EQ(file.ReadAll(bytes, 100), 0);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "inside") << c.relative;
  }
}

// A copy that copies slowly and tells the parent once it has started.
class SlowFileSystem : public LinuxFileSystem {
 public:
  explicit SlowFileSystem(int startedPipe) : startedPipe_(startedPipe) {}

 protected:
  ssize_t CopyChunk(int in, int out, size_t) override {
    const ssize_t moved = LinuxFileSystem::CopyChunk(in, out, 4096);
    if (startedPipe_ >= 0 && write(startedPipe_, "x", 1) == 1) startedPipe_ = -1;
    usleep(2000);
    return moved;
  }

 private:
  int startedPipe_;
};

TEST(CopyFileExclusive, AKilledCopyLeavesNoFileUnderTheRealName) {
  TempDir dir;
  WriteFile(dir / "device/track.mp3", std::string(4 << 20, 't'));
  fs::create_directories(dir / "dest");
  int started[2];
  ASSERT_EQ(pipe(started), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    SlowFileSystem files(started[1]);
    ReadFile source;
    source.Open(dir / "device/track.mp3");
    _exit(files.CopyFileExclusive(source, dir / "dest/track.mp3"));
  }
  char byte = 0;
  ASSERT_EQ(read(started[0], &byte, 1), 1);  // the copy is under way
  kill(child, SIGTERM);
  int status = 0;
  waitpid(child, &status, 0);
  close(started[0]);
  close(started[1]);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_FALSE(fs::exists(dir / "dest/track.mp3"));
  ASSERT_EQ(ListTree(dir / "dest").size(), 1u);  // the hidden temporary file
  EXPECT_EQ(ListTree(dir / "dest")[0].rfind(".ortelan-", 0), 0u);

  // The next run into the folder clears it away and copies the whole track.
  LinuxFileSystem files;
  ReadFile source;
  ASSERT_EQ(source.Open(dir / "device/track.mp3"), 0);
  ASSERT_EQ(files.CopyFileExclusive(source, dir / "dest/track.mp3"), 0);
  EXPECT_EQ(ListTree(dir / "dest"), std::vector<std::string>{"track.mp3"});
  EXPECT_EQ(ReadFileText(dir / "dest/track.mp3").size(), 4u << 20);
}

TEST(RemoveLeftoverPartFiles, KeepsTheFilesOfARunStillWriting) {
  TempDir dir;
  WriteFile(dir / ".ortelan-1-1.part", "left by a killed run");
  WriteFile(dir / ".ortelan-2-1.part", "being written");
  WriteFile(dir / "song.part", "the user's own");
  const int writing = open((dir / ".ortelan-2-1.part").c_str(), O_RDONLY);
  ASSERT_EQ(flock(writing, LOCK_EX), 0);
  EXPECT_EQ(RemoveLeftoverPartFiles(dir.Path()), 1);
  close(writing);
  EXPECT_EQ(ListTree(dir.Path()), (std::vector<std::string>{".ortelan-2-1.part", "song.part"}));
}

TEST(FolderLock, OneRunAtATimePerFolder) {
  TempDir dir;
  FolderLock first, second;
  ASSERT_EQ(first.TryLock(dir.Path()), 0);
  EXPECT_EQ(second.TryLock(dir.Path()), EWOULDBLOCK);
  first.Unlock();
  EXPECT_TRUE(ListTree(dir.Path()).empty());  // the lock file goes with the lock
  EXPECT_EQ(second.TryLock(dir.Path()), 0);
}

TEST(LiesInside, KnowsTheFolderUnderAnotherName) {
  TempDir dir;
  const std::string device = dir / "ipod";
  fs::create_directories(device + "/Music");
  fs::create_directories(dir / "home");
  fs::create_symlink(device, dir / "home/link");
  EXPECT_TRUE(LiesInside(device + "/Music/new", device, false));
  EXPECT_TRUE(LiesInside(dir / "home/link/Music", device, false));
  EXPECT_FALSE(LiesInside(dir / "home/new", device, false));
  // Not a mount point: the rest of its volume is no part of it.
  EXPECT_FALSE(LiesInside(dir / "home/new", device, true));

  fs::create_directories(dir / "bound");
  fs::create_directories(dir / "volume");
  if (mount(device.c_str(), (dir / "bound").c_str(), nullptr, MS_BIND, nullptr) != 0) {
    GTEST_SKIP() << "mounting needs privileges this run does not have";
  }
  const bool boundInside = LiesInside(dir / "bound/Music/x", device, false);
  umount((dir / "bound").c_str());
  EXPECT_TRUE(boundInside);

  // A volume of its own: a part of it bound elsewhere still lies on it.
  ASSERT_EQ(mount("tmpfs", (dir / "volume").c_str(), "tmpfs", 0, "size=1m"), 0);
  fs::create_directories(dir / "volume/Music");
  mount((dir / "volume/Music").c_str(), (dir / "bound").c_str(), nullptr, MS_BIND, nullptr);
  const bool onVolume = LiesInside(dir / "bound/new", dir / "volume", true);
  const bool inFolder = LiesInside(dir / "bound/new", dir / "volume", false);
  umount((dir / "bound").c_str());
  umount((dir / "volume").c_str());
  EXPECT_TRUE(onVolume);
  EXPECT_FALSE(inFolder);
}

TEST(RemoveStaleWorkFolders, RemovesOnlyThoseOfEndedRuns) {
  TempDir dir;
  const pid_t ended = fork();
  if (ended == 0) _exit(0);
  waitpid(ended, nullptr, 0);
  const std::string stale = "ortelan-" + std::to_string(ended) + "-abc123";
  const std::string mine = "ortelan-" + std::to_string(getpid()) + "-def456";
  WriteFile(dir / (stale + "/~or1"), "copy of a database");
  WriteFile(dir / (mine + "/~or1"), "in use");
  WriteFile(dir / "ortelan-notes/keep", "not ours");
  RemoveStaleWorkFolders(dir.Path());
  EXPECT_EQ(ListTree(dir.Path()), (std::vector<std::string>{mine + "/~or1", "ortelan-notes/keep"}));
}

}  // namespace
}  // namespace ortelan::platform
