#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zip.h>

#include <filesystem>
#include <random>
#include <set>

#include "music/MusicCopyThread.h"
#include "support/MusicFixture.h"

namespace ortelan {
namespace {

namespace fs = std::filesystem;
using test::ListTree;
using test::ReadFileText;
using test::WriteFile;

TEST(MakeNamePart, CleansTagsForFileNames) {
  const struct {
    std::string tag, fallback, part;
  } cases[] = {
      {"Song", " Name", "Song"},
      {"", " Artist", "Unknown Artist"},
      {"   ", " Artist", "Unknown Artist"},  // blanks only name nothing either
      {"\t \x01", " Name", "Unknown Name"},
      {"  Padded  ", " Name", "Padded"},
      {"a\"b*c/d:e<f>g?h\\i|j", " Name", "a_b_c_d_e_f_g_h_i_j"},
      {"Tab\there\x01", " Name", "Tab_here"},  // inner control characters, trimmed ends
      {std::string("nul\0in", 6), " Name", "nul_in"},
      {"del\x7f", " Name", "del_"},
      {".", " Name", "_."},
      {"..", " Name", "_.."},
      {" .. ", " Name", "_.."},
      {"...", " Name", "_..."},
      {"a.b", " Name", "a.b"},
      // Cut to 41 characters first, blanks trimmed after.
      {"The Long and Winding Road That Leads To Your Door", " Name",
       "The Long and Winding Road That Leads To Y"},
      {std::string(40, 'x') + " tail", " Name", std::string(40, 'x')},
      // 41 code points, never half a character.
      {std::string(40, 'a') + "\xC3\xA9\xC3\xA9", " Name", std::string(40, 'a') + "\xC3\xA9"},
      {"\xE5\xA4\x9C\xE3\x81\xAB", " Name", "\xE5\xA4\x9C\xE3\x81\xAB"},
      // Marks that make a name read backwards (U+202E, U+2066) become "_".
      {"evil\xE2\x80\xAEgpj.exe", " Name", "evil_gpj.exe"},
      {"\xE2\x81\xA6x\xE2\x80\x8E", " Name", "_x\xE2\x80\x8E"},  // U+200E stays
  };
  for (const auto& c : cases) {
    std::string part;
    MakeNamePart(c.tag, c.fallback, part);
    EXPECT_EQ(part, c.part) << "tag: " << c.tag;
  }
}

// A library built in memory over a device folder, with a file for each track.
class TrackCopy : public ::testing::Test {
 protected:
  void SetUp() override {
    m.Db = std::make_unique<TIpodMusicDb>(m.Fx.Device.get());
    dest = m.Dir / "dest";
    m.Db->RetryWait = std::chrono::milliseconds(0);
  }

  int AddTrack(const std::string& title, const std::string& content,
               const std::string& artist = "Artist", const std::string& album = "Album",
               const std::string& ext = ".mp3") {
    const int index = db().Tracks.Count();
    const std::string file = "F00/T" + std::to_string(index) + ext;
    WriteFile(m.Root() + "/iPod_Control/Music/" + file, content);
    TTrackItem& t = db().Tracks.Add();
    t.Title = title;
    t.Artist = artist;
    t.Album = album;
    t.Location = ":iPod_Control:Music:" + file;
    for (char& c : t.Location) c = c == '/' ? ':' : c;
    t.Size = static_cast<int64_t>(content.size());
    t.CopyState = -1;
    t.MediaKind = TIpodMusicDb::MediaKindOfExt(ext);
    db().Tracks.Check(index);
    return index;
  }

  // Checks the destination as a transfer does. The tests that copy without
  // a worker give its lock back at once, as the worker does at its end.
  void Prepare() {
    std::string folder = dest;
    ASSERT_TRUE(db().PrepareDestination(folder)) << folder;
    m.Fx.Device->ReleaseDestination();
  }

  // Runs a transfer on a worker as the window does; returns the reports.
  std::vector<std::string> RunWorker(
      const std::function<void(TMusicCopyThread&, int)>& onReport = {}) {
    std::vector<std::string> reports;
    TMusicCopyThread worker(db(), m.Fx.Dispatcher, false, false);
    worker.OnProgress = [&](const std::string& text) {
      reports.push_back(text);
      if (onReport) onReport(worker, static_cast<int>(reports.size()));
    };
    worker.OnStatus = [&](const std::string& text, uint8_t kind) {
      reports.push_back("status " + std::to_string(kind) + " " + text);
    };
    worker.Start();
    m.Fx.Dispatcher.RunUntil([&] { return worker.Finished(); });
    return reports;
  }

  TIpodMusicDb& db() { return *m.Db; }
  test::MusicFixture m;
  std::string dest;
};

TEST_F(TrackCopy, EverySchemeNamesTheFileInsideTheDestination) {
  AddTrack("Title: 1", "x", "AC/DC", "Back");
  AddTrack("..", "x", "..", "");
  Prepare();
  const struct {
    uint8_t scheme;
    int track;
    std::string name;
  } cases[] = {
      {0, 0, "AC_DC/Back/Title_ 1"},     {1, 0, "Title_ 1"},
      {2, 0, "AC_DC - Title_ 1"},        {3, 0, "Title_ 1 - AC_DC"},
      {4, 0, "AC_DC - Back - Title_ 1"}, {5, 0, "Title_ 1 - Back - AC_DC"},
      {6, 0, "Title_ 1 - AC_DC - Back"}, {7, 0, "Title_ 1"},
      {0, 1, "_../Unknown Album/_.."},   {2, 1, "_.. - _.."},
  };
  for (const auto& c : cases) {
    std::string path;
    EXPECT_EQ(db().BuildDestName(c.track, c.scheme, path), 0);
    EXPECT_EQ(path, db().DestFolder + c.name) << int(c.scheme);
  }
  EXPECT_TRUE(fs::is_directory(dest + "/AC_DC/Back"));
  EXPECT_TRUE(fs::is_directory(dest + "/_../Unknown Album"));
}

TEST_F(TrackCopy, CopiesEveryCheckedTrackOnceAndNumbersSameNames) {
  AddTrack("Song", "first song");
  AddTrack("Song", "another song, same name");
  AddTrack("Skipped", "unchecked");
  db().Tracks.Uncheck(2);
  AddTrack("Clip", "video bytes", "Artist", "Album", ".m4v");
  Prepare();
  const auto reports = RunWorker();
  EXPECT_EQ(reports,
            (std::vector<std::string>{"1/3  Song", "2/3  Song", "3/3  Clip", "status 2 Done."}));
  EXPECT_EQ(ListTree(dest), (std::vector<std::string>{"Clip.m4v", "Song.mp3", "Song1.mp3"}));
  EXPECT_EQ(ReadFileText(dest + "/Song1.mp3"), "another song, same name");
  EXPECT_EQ(db().Tracks.GetItem(1).DestFile, dest + "/Song1.mp3");
  EXPECT_EQ(db().Tracks.GetItem(0).CopyState, 1);
  EXPECT_EQ(db().Tracks.GetItem(2).CopyState, -1);
  EXPECT_EQ(db().Log, "\r\nCopy files: t3, c3");

  // A second transfer finds every file in place and copies nothing.
  const int copies = m.Fx.Files.Copies;
  RunWorker();
  EXPECT_EQ(m.Fx.Files.Copies, copies);
  EXPECT_EQ(db().Log, "\r\nCopy files: t3, c3");
  EXPECT_EQ(ListTree(dest).size(), 3u);
}

TEST_F(TrackCopy, NothingCheckedOnlyLogsAndEnds) {
  AddTrack("Song", "x");
  db().Tracks.Uncheck(0);
  Prepare();
  EXPECT_EQ(RunWorker(), (std::vector<std::string>{"status 2 Done."}));
  EXPECT_EQ(db().Log, "\r\nCopy files: t0, c0");
}

TEST_F(TrackCopy, InvalidParameterIsRetriedOnce) {
  AddTrack("Once", "a");
  AddTrack("Always", "b");
  Prepare();
  int refusals = 0;
  m.Fx.Files.Refuse = [&](const std::string&, const std::string& d) {
    if (d.ends_with("Always.mp3") || (d.ends_with("Once.mp3") && refusals == 0)) {
      ++refusals;
      return EINVAL;
    }
    return 0;
  };
  EXPECT_EQ(db().CopyTracks(false), 1);
  EXPECT_EQ(refusals, 3);  // Once: one refusal, then copied; Always: refused twice
  EXPECT_EQ(db().Tracks.GetItem(1).CopyState, 0);
  EXPECT_EQ(db().Log, "\r\nAlways: Err " + std::to_string(EINVAL));
}

TEST_F(TrackCopy, LogsFortyErrorsAndStopsAfterThemOnlyWhenAsked) {
  for (int i = 0; i < 45; ++i) AddTrack("T" + std::to_string(i), "x");
  AddTrack("Last", "y");
  Prepare();
  fs::remove_all(m.Root() + "/iPod_Control/Music/F00");
  WriteFile(m.Root() + "/iPod_Control/Music/F00/T45.mp3", "y");
  auto lines = [&] { return std::count(db().Log.begin(), db().Log.end(), '\n'); };

  EXPECT_EQ(db().CopyTracks(false), 1);
  EXPECT_EQ(lines(), 40);
  EXPECT_TRUE(db().Log.ends_with("\r\nT39: Err " + std::to_string(ENOENT)));

  db().Log.clear();
  fs::remove(dest + "/Last.mp3");
  EXPECT_EQ(db().CopyTracks(true), 0);
  EXPECT_EQ(lines(), 42);
  EXPECT_TRUE(db().Log.ends_with(
      "\r\nToo many errors, transfer abort.\r\nPlease check the connection between your iPod and "
      "computer."));
}

TEST_F(TrackCopy, CancelLetsTheNextTrackFinishThenStops) {
  for (int i = 1; i <= 5; ++i) AddTrack("T" + std::to_string(i), "x");
  Prepare();
  const auto reports = RunWorker([](TMusicCopyThread& worker, int report) {
    if (report == 2) worker.Terminate();  // while track 2 is about to be copied
  });
  EXPECT_EQ(reports, (std::vector<std::string>{"1/5  T1", "2/5  T2", "3/5  T3", "status 2 Done."}));
  EXPECT_EQ(ListTree(dest), (std::vector<std::string>{"T1.mp3", "T2.mp3", "T3.mp3"}));
  EXPECT_EQ(db().Log, "\r\nCopy files: t5, c3");
}

// A device that goes during a transfer ends it: the tracks after it would
// fail alike.
TEST_F(TrackCopy, AnUnpluggedDeviceEndsTheTransferWithOneLine) {
  for (int i = 1; i <= 5; ++i) AddTrack("T" + std::to_string(i), "x");
  Prepare();
  RunWorker([&](TMusicCopyThread&, int report) {
    if (report == 2) m.Fx.Volumes.Remove(m.Root());  // handed to this thread as the watcher does
  });
  const size_t copied = ListTree(dest).size();
  EXPECT_GE(copied, 1u);
  EXPECT_LE(copied, 3u);  // the loss is seen before the next track
  EXPECT_NE(db().Log.find("[X] The device was unplugged: the transfer ends."), std::string::npos)
      << db().Log;
  // At most the track in flight when the loss came fails.
  const size_t failure = db().Log.find(": Err ");
  EXPECT_TRUE(failure == std::string::npos ||
              db().Log.find(": Err ", failure + 1) == std::string::npos)
      << db().Log;
}

// Faults come through the file-copy layer: the disk fills up during one track,
// the device is pulled during another. The transfer goes on and leaves only
// complete files.
TEST_F(TrackCopy, FailuresMidCopyLeaveOnlyCompleteFiles) {
  const std::string big(200000, 'b');
  AddTrack("A", big);
  AddTrack("B", big);
  AddTrack("C", big);
  AddTrack("D", big);
  Prepare();
  m.Fx.Files.FailAfterBytes = 65536;
  m.Fx.Files.FailOnly = [](const std::string& d) {
    return d.ends_with("B.mp3") || d.ends_with("C.mp3");
  };
  m.Fx.Files.Refuse = [&](const std::string&, const std::string& d) {
    m.Fx.Files.FailErrno = d.ends_with("B.mp3") ? ENOSPC : EIO;
    return 0;
  };
  EXPECT_EQ(db().CopyTracks(false), 2);
  EXPECT_EQ(db().Log, "\r\nB: Err " + std::to_string(ENOSPC) + "\r\nC: Err " + std::to_string(EIO));
  EXPECT_EQ(ListTree(m.Dir.Path()),
            (std::vector<std::string>{
                "dest/A.mp3", "dest/D.mp3", "ipod/iPod_Control/Music/F00/T0.mp3",
                "ipod/iPod_Control/Music/F00/T1.mp3", "ipod/iPod_Control/Music/F00/T2.mp3",
                "ipod/iPod_Control/Music/F00/T3.mp3"}));
  EXPECT_EQ(ReadFileText(dest + "/D.mp3"), big);
  EXPECT_EQ(db().Tracks.GetItem(1).CopyState, 0);
  EXPECT_EQ(db().Tracks.GetItem(1).DestFile, "");
}

TEST_F(TrackCopy, SchemeZeroFolderThatCannotBeMadeFailsTheTrackOnly) {
  AddTrack("Blocked", "x", "Artist", "Album");
  AddTrack("Fine", "y", "Other", "Album");
  Prepare();
  WriteFile(dest + "/Artist", "a file where the artist folder would go");
  db().NameScheme = 0;
  EXPECT_EQ(db().CopyTracks(false), 1);
  EXPECT_NE(db().Log.find("\r\n[X] Copy stopped at: Blocked\r\n Program cannot create folder: " +
                          dest + "/Artist/Album\r\nBlocked: Err "),
            std::string::npos)
      << db().Log;
  EXPECT_EQ(db().Tracks.GetItem(0).CopyState, 0);
  EXPECT_EQ(ListTree(dest), (std::vector<std::string>{"Artist", "Other/Album/Fine.mp3"}));
}

TEST_F(TrackCopy, DestinationOnTheDeviceIsRefused) {
  AddTrack("Song", "x");
  std::string folder = m.Root() + "/Music";
  EXPECT_FALSE(db().PrepareDestination(folder));
  EXPECT_TRUE(
      folder.ends_with(" is your iPod.\rYou cannot transfer the files from iPod to iPod. "
                       "Please choose another folder in your computer."));
  EXPECT_EQ(db().DestFolder, "");
}

// The entries of a ZIP archive: name and whether it was stored uncompressed.
std::vector<std::pair<std::string, bool>> ZipEntries(const std::string& path) {
  std::vector<std::pair<std::string, bool>> entries;
  zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, nullptr);
  if (!archive) return entries;
  for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
    zip_stat_t st;
    zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &st);
    entries.emplace_back(st.name, st.comp_method == ZIP_CM_STORE);
  }
  zip_close(archive);
  std::sort(entries.begin(), entries.end());
  return entries;
}

TEST_F(TrackCopy, BookFoldersArePackedUnderAFreeName) {
  Prepare();
  std::mt19937 random(7);
  std::string noise(4096, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  auto makeFolder = [&] {
    WriteFile(dest + "/Book/chapter1.xhtml", std::string(2000, 'a'));
    WriteFile(dest + "/Book/images/cover.jpg", noise);
  };
  makeFolder();
  ASSERT_TRUE(db().PackBookFolder(dest + "/Book/", dest + "/Book", ".epub"));
  EXPECT_EQ(ZipEntries(dest + "/Book.epub"),
            (std::vector<std::pair<std::string, bool>>{{"chapter1.xhtml", false},
                                                       {"images/cover.jpg", true}}));
  EXPECT_FALSE(fs::exists(dest + "/Book"));

  makeFolder();  // the same book again: already there, nothing new
  ASSERT_TRUE(db().PackBookFolder(dest + "/Book/", dest + "/Book", ".epub"));
  EXPECT_EQ(ListTree(dest), (std::vector<std::string>{"Book.epub"}));

  WriteFile(dest + "/Book_1.epub", "another book of another size");
  fs::resize_file(dest + "/Book.epub", 10);
  makeFolder();
  ASSERT_TRUE(db().PackBookFolder(dest + "/Book/", dest + "/Book", ".epub"));
  EXPECT_EQ(ListTree(dest), (std::vector<std::string>{"Book.epub", "Book_1.epub", "Book_2.epub"}));

  fs::create_directories(dest + "/Empty");
  EXPECT_FALSE(db().PackBookFolder(dest + "/Empty/", dest + "/Empty", ".epub"));
  EXPECT_FALSE(fs::exists(dest + "/Empty"));
}

TEST_F(TrackCopy, TemporaryFoldersAreRemovedOnlyInsideTheDestination) {
  Prepare();
  WriteFile(m.Dir / "outside/keep.txt", "keep");
  WriteFile(dest + "/inside/x", "x");
  db().RemoveTempFolder(m.Dir / "outside");
  db().RemoveTempFolder(dest + "/../outside");
  db().RemoveTempFolder(dest);
  EXPECT_TRUE(fs::exists(m.Dir / "outside/keep.txt"));
  EXPECT_TRUE(fs::exists(dest));
  db().RemoveTempFolder(dest + "/inside");
  EXPECT_FALSE(fs::exists(dest + "/inside"));
  std::string ext;
  TIpodMusicDb::BookExt("Books/Some Book", ext);
  EXPECT_EQ(ext, ".epub");
  TIpodMusicDb::BookExt("Books/manual.PDF", ext);
  EXPECT_EQ(ext, ".PDF");
}

TEST_F(TrackCopy, LongNamesOfWideCharactersFitTheFileSystemUnderEveryScheme) {
  const std::string cjk = [] {
    std::string text;
    for (int i = 0; i < 45; ++i) text += "\xE5\xA4\x9C";  // 3 bytes each
    return text;
  }();
  const std::string emoji = [] {
    std::string text;
    for (int i = 0; i < 45; ++i) text += "\xF0\x9F\x8E\xB5";  // 4 bytes each
    return text;
  }();
  for (uint8_t scheme = 0; scheme <= 6; ++scheme) {
    m.Db = std::make_unique<TIpodMusicDb>(m.Fx.Device.get());
    dest = m.Dir / ("dest" + std::to_string(scheme));
    // Two tracks whose tags differ only past the cut, and one with the same tags.
    AddTrack(emoji + "a", "first", cjk, emoji);
    AddTrack(emoji + "b", "second, longer", cjk, emoji);
    AddTrack(emoji, "third track of its own", cjk, emoji);
    db().NameScheme = scheme;
    Prepare();
    ASSERT_EQ(db().CopyTracks(false), 3) << int(scheme) << db().Log;
    std::set<std::string> names;
    for (const TTrackItem& t : db().Tracks) {
      names.insert(t.DestFile);
      const std::string name = fs::path(t.DestFile).filename().string();
      EXPECT_LE(name.size(), 255u) << int(scheme);
      EXPECT_TRUE(name.ends_with(".mp3")) << int(scheme);
    }
    EXPECT_EQ(names.size(), 3u) << int(scheme);  // told apart by the numbering
    EXPECT_EQ(ReadFileText(db().Tracks.GetItem(1).DestFile), "second, longer");
  }
}

TEST_F(TrackCopy, TwoTracksOfOneRunWithTheSameNameAndSizeAreBothWritten) {
  AddTrack("Song", "version A");
  AddTrack("Song", "version B");
  Prepare();
  RunWorker();
  EXPECT_EQ(ListTree(dest), (std::vector<std::string>{"Song.mp3", "Song1.mp3"}));
  EXPECT_EQ(ReadFileText(dest + "/Song.mp3"), "version A");
  EXPECT_EQ(ReadFileText(dest + "/Song1.mp3"), "version B");

  // The next run finds both in place and copies nothing.
  const int copies = m.Fx.Files.Copies;
  RunWorker();
  EXPECT_EQ(m.Fx.Files.Copies, copies);
  EXPECT_EQ(db().Log, "\r\nCopy files: t2, c2");
}

TEST_F(TrackCopy, ANameTakenBetweenTheLookAndTheCopyMovesOnToTheNextOne) {
  AddTrack("Song", "mine");
  Prepare();
  m.Fx.Files.Refuse = [&](const std::string&, const std::string& d) {
    if (!d.ends_with("/Song.mp3")) return 0;
    WriteFile(d, "another run's track");  // it got there first
    return EEXIST;
  };
  EXPECT_EQ(db().CopyTracks(false), 1);
  EXPECT_EQ(db().Tracks.GetItem(0).DestFile, dest + "/Song1.mp3");
  EXPECT_EQ(ReadFileText(dest + "/Song1.mp3"), "mine");
  EXPECT_EQ(ReadFileText(dest + "/Song.mp3"), "another run's track");
}

TEST_F(TrackCopy, ASecondRunIntoTheSameFolderIsToldAnotherRuns) {
  AddTrack("Song", "x");
  std::string folder = dest;
  ASSERT_TRUE(db().PrepareDestination(folder));  // the first run holds the folder
  test::DeviceFixture other;
  ASSERT_TRUE(other.ConnectIpodAt(m.Root()));
  TIpodMusicDb second(other.Device.get());
  std::string again = dest;
  EXPECT_FALSE(second.PrepareDestination(again));
  EXPECT_EQ(again, "Another transfer into " + dest +
                       " is running.\rPlease wait until it has ended or choose another folder.");
  RunWorker();  // the first run ends and gives the folder back
  again = dest;
  EXPECT_TRUE(second.PrepareDestination(again));
}

TEST_F(TrackCopy, ARerunNeedsRoomOnlyForWhatIsNotThereYet) {
  AddTrack("Song", std::string(5000, 's'));
  AddTrack("Other", std::string(3000, 'o'));
  db().NameScheme = 2;
  Prepare();
  RunWorker();
  m.Fx.Files.FreeBytes = 100;  // the disk is nearly full now
  std::string folder = dest;
  EXPECT_TRUE(db().PrepareDestination(folder)) << folder;
  m.Fx.Device->ReleaseDestination();
  EXPECT_EQ(db().BytesStillNeeded(dest), 0);
  AddTrack("New", std::string(2000, 'n'));
  EXPECT_EQ(db().BytesStillNeeded(dest), 2000);
  folder = dest;
  EXPECT_FALSE(db().PrepareDestination(folder));
}

TEST_F(TrackCopy, ASpecialFileAsATrackIsNamedInTheLog) {
  AddTrack("Pipe", "x");
  const std::string file = m.Root() + "/iPod_Control/Music/F00/T0.mp3";
  fs::remove(file);
  ASSERT_EQ(mkfifo(file.c_str(), 0644), 0);
  Prepare();
  EXPECT_EQ(db().CopyTracks(false), 0);
  EXPECT_EQ(db().Log, "\r\nPipe: Err " + std::to_string(platform::kNotRegularFile) +
                          "\r\n Not a regular file: :iPod_Control:Music:F00:T0.mp3");
  EXPECT_TRUE(ListTree(dest).empty());
}

TEST_F(TrackCopy, PlaylistsAreHandedOnAsM3u8FilesBesideTheTracks) {
  const int one = AddTrack("One", "1111", "Ann", "First");
  const int two = AddTrack("Two", "22", "", "Second");
  const int left = AddTrack("Left", "3");
  db().Tracks.Uncheck(left);
  for (const int i : {one, two, left}) db().Tracks.GetItem(i).TrackId = 100 + i;
  db().Tracks.GetItem(one).Duration = 61500;
  const auto addList = [&](const std::string& name, std::vector<int64_t> ids) {
    TPlayListItem& list = db().PlayLists.Add();
    list.Name = name;
    list.TrackIds = std::move(ids);
    list.Count = static_cast<int32_t>(list.TrackIds.size());
  };
  addList("Library", {100, 101, 102});  // the whole library: no file
  addList("Mix/Tape", {101, 100, 999, 100});
  addList("Only Left", {102});  // nothing of it copied: no file
  db().NameScheme = 0;
  db().SavePlaylists = true;
  WriteFile(dest + "/Mix_Tape.m3u8", "someone else's");
  Prepare();
  RunWorker();
  const std::string expected =
      "#EXTM3U\n#EXTINF:0,Two\nUnknown Artist/Second/Two.mp3\n"
      "#EXTINF:62,Ann - One\nAnn/First/One.mp3\n#EXTINF:62,Ann - One\nAnn/First/One.mp3\n";
  EXPECT_EQ(ReadFileText(dest + "/Mix_Tape.m3u8"), "someone else's");
  EXPECT_EQ(ReadFileText(dest + "/Mix_Tape1.m3u8"), expected);
  EXPECT_FALSE(fs::exists(dest + "/Only Left.m3u8"));
  EXPECT_FALSE(fs::exists(dest + "/Library.m3u8"));
  // A second run finds its list in place and writes no other.
  Prepare();
  RunWorker();
  EXPECT_FALSE(fs::exists(dest + "/Mix_Tape2.m3u8"));
  EXPECT_NE(db().Log.find("Playlist files: 1"), std::string::npos);
}

TEST_F(TrackCopy, TrackListCarriesRatingsAndPlayCountsAsCsv) {
  const int quoted = AddTrack("Say \"Hi\", Bye", "1234", "Ann", "First");
  AddTrack("Unchecked", "5");
  db().Tracks.Uncheck(1);
  TTrackItem& track = db().Tracks.GetItem(quoted);
  track.Rating = 60;
  track.PlayCount = 7;
  track.Duration = 2400;
  track.Genre = "Pop";
  db().SaveTrackList = true;
  Prepare();
  RunWorker();
  EXPECT_EQ(ReadFileText(dest + "/tracks.csv"),
            "path,title,artist,album,genre,kind,duration_s,size,rating,play_count\r\n"
            "\"Say _Hi_, Bye.mp3\",\"Say \"\"Hi\"\", Bye\",Ann,First,Pop,audio,2,4,3,7\r\n");
}

// A list entry that begins with "#" would be a comment to every player; a
// cell that begins like a formula would run in a spreadsheet.
TEST_F(TrackCopy, ListsNeverHandOnCommentsOrFormulas) {
  const int dream = AddTrack("#9 Dream", "99", "John", "Walls");
  const std::pair<std::string, std::string> cells[] = {
      {"=HYPERLINK(\"http://x\",\"x\")", "\"'=HYPERLINK(\"\"http://x\"\",\"\"x\"\")\""},
      {"+cmd", "'+cmd"},
      {"-1+1", "'-1+1"},
      {"@SUM(1)", "'@SUM(1)"},
      {"\tTab", "'\tTab"},
      {"Plain-Title", "Plain-Title"},
  };
  for (const auto& [title, cell] : cells)
    AddTrack(title, "x" + std::to_string(db().Tracks.Count()));
  db().Tracks.GetItem(dream).TrackId = 9;
  db().PlayLists.Add();  // the library
  TPlayListItem& mix = db().PlayLists.Add();
  mix.Name = "Mix";
  mix.TrackIds = {9};
  mix.Count = 1;
  db().NameScheme = nsTitle;  // the path starts with the title
  db().SavePlaylists = db().SaveTrackList = true;
  Prepare();
  RunWorker();
  EXPECT_EQ(ReadFileText(dest + "/Mix.m3u8"),
            "#EXTM3U\n#EXTINF:0,John - #9 Dream\n./#9 Dream.mp3\n");
  const std::string csv = ReadFileText(dest + "/tracks.csv");
  for (const auto& [title, cell] : cells) {
    EXPECT_NE(csv.find("," + cell + ",Artist,"), std::string::npos) << title << "\n" << csv;
  }
}

// A title alone in the path column starts the line: it is guarded there too.
TEST_F(TrackCopy, APathCellThatLooksLikeAFormulaIsGuarded) {
  AddTrack("=1+1", "x", "");
  db().NameScheme = nsTitle;
  db().SaveTrackList = true;
  Prepare();
  RunWorker();
  const std::string csv = ReadFileText(dest + "/tracks.csv");
  EXPECT_NE(csv.find("\r\n'=1+1"), std::string::npos) << csv;
}

}  // namespace
}  // namespace ortelan
