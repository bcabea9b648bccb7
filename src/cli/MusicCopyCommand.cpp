// ortelan-cli music copy: the window's music transfer from the command line.

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "music/MusicCopyThread.h"
#include "music/NameSchemes.h"
#include "music/iPodMusic.h"
#include "platform/Console.h"
#include "util/Text.h"

namespace ortelan::cli {

namespace {

bool Contains(const std::string& text, const std::string& part) {
  return AsciiUpperCase(text).find(AsciiUpperCase(part)) != std::string::npos;
}

bool InPlaylist(const TIpodMusicDb& db, const std::string& name, const TTrackItem& track) {
  for (const TPlayListItem& list : db.PlayLists) {
    if (!SameTextAscii(list.Name, name)) continue;
    if (list.VoiceMemos) return track.MediaKind == mkVoiceMemo;
    for (const int64_t id : list.TrackIds) {
      // A playlist names tracks by id; the first track with the id is meant.
      for (const TTrackItem& candidate : db.Tracks) {
        if (candidate.TrackId == id) {
          if (&candidate == &track) return true;
          break;
        }
      }
    }
    return false;
  }
  return false;
}

// Checks the tracks the selection names and unchecks the others; "checked"
// keeps the marks the library was loaded with.
void ApplySelection(TIpodMusicDb& db, const std::string& selection) {
  if (selection == "checked") return;
  static const std::pair<const char*, uint8_t> kinds[] = {{"kind:audio", mkAudio},
                                                          {"kind:video", mkVideo},
                                                          {"kind:book", mkBook},
                                                          {"kind:ringtone", mkRingtone},
                                                          {"kind:voicememo", mkVoiceMemo}};
  std::function<bool(const TTrackItem&)> wanted;
  if (selection == "all") {
    wanted = [](const TTrackItem&) { return true; };
  } else if (selection.rfind("playlist:", 0) == 0) {
    const std::string name = selection.substr(9);
    if (name.empty()) throw UsageError{"playlist: needs the playlist's name"};
    wanted = [&db, name](const TTrackItem& t) { return InPlaylist(db, name, t); };
  } else if (selection.rfind("search:", 0) == 0) {
    const std::string text = selection.substr(7);
    wanted = [text](const TTrackItem& t) {
      return Contains(t.Title, text) || Contains(t.Artist, text) || Contains(t.Album, text);
    };
  } else {
    for (const auto& entry : kinds) {
      const uint8_t kind = entry.second;
      if (selection == entry.first) {
        wanted = [kind](const TTrackItem& t) { return t.MediaKind == kind; };
      }
    }
  }
  if (!wanted) throw UsageError{"unknown selection: " + selection};
  for (int i = 0; i < db.Tracks.Count(); ++i) {
    wanted(db.Tracks.GetItem(i)) ? db.Tracks.Check(i) : db.Tracks.Uncheck(i);
  }
}

// Shows each track as the worker reports it: one rewritten line on a
// terminal, plain lines otherwise.
class ProgressDisplay {
 public:
  explicit ProgressDisplay(const TIpodMusicDb& db)
      : db_(db), terminal_(platform::StdoutIsTerminal()) {
    for (int i = 0; i < db.Tracks.Count(); ++i) {
      if (db.Tracks.GetItem(i).Checked) order_.push_back(i);
    }
  }

  void Report(const std::string& text) {
    if (next_ > 0) done_ += db_.Tracks.GetItem(order_[next_ - 1]).Size;
    ++next_;
    if (!terminal_) {
      std::printf("%s\n", Shown(text).c_str());
      return;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const double rate = seconds > 0 ? done_ / seconds : 0;
    const double left = rate > 0 ? (db_.Tracks.CheckedSize - done_) / rate : 0;
    std::printf("\r\x1b[K%s  %.1f MB/s  %d:%02d left", Column(text, 60).c_str(), rate / 1e6,
                static_cast<int>(left) / 60, static_cast<int>(left) % 60);
    std::fflush(stdout);
  }

  void End() {
    if (terminal_ && next_ > 0) std::printf("\n");
  }

 private:
  const TIpodMusicDb& db_;
  bool terminal_;
  std::vector<int> order_;
  size_t next_ = 0;
  int64_t done_ = 0;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// The detail log as the window writes it, with line breaks for a terminal.
std::string DetailLog(const TIpodDevice& device, const TIpodMusicDb& db, int scheme) {
  return LogForTerminal(TIpodMusicDb::DetailLogHead(scheme, !device.IsIos) + db.DetailLogTail());
}

struct MusicCopyOptions {
  std::string To;
  std::string Selection;
  std::vector<std::string> Folders;
  int Scheme = nsTitle;
  bool Playlists = false;
  bool TrackList = false;
  bool Covers = false;
};

MusicCopyOptions ReadOptions(Arguments& args) {
  MusicCopyOptions options;
  options.To = args.Value("--to");
  const std::string schemeText = args.Value("--scheme", "1");
  options.Selection = args.Value("--select", "checked");
  options.Folders = args.Values("--device");
  options.Playlists = args.Flag("--playlists");
  options.TrackList = args.Flag("--list");
  options.Covers = args.Flag("--covers");
  args.ExpectEmpty();
  if (options.To.empty()) throw UsageError{"--to DIR is required"};
  // One digit: the schemes are fewer than ten.
  static_assert(kNameSchemeCount <= 10);
  if (schemeText.size() != 1 || schemeText[0] < '0' || schemeText[0] - '0' >= kNameSchemeCount) {
    throw UsageError{"--scheme takes a number from 0 to " + std::to_string(kNameSchemeCount - 1)};
  }
  options.Scheme = schemeText[0] - '0';
  if (options.Covers && options.Scheme != nsArtistAlbumFolders)
    throw UsageError{"--covers needs --scheme 0 (a folder per album)"};
  return options;
}

// The copy worker run to its end, its progress shown; the number copied.
int RunCopy(TIpodMusicDb& db, DeviceSession& session) {
  ProgressDisplay display(db);
  TMusicCopyThread worker(db, session.Dispatcher(), false, false);
  worker.OnProgress = [&](const std::string& text) { display.Report(text); };
  worker.Start();
  RunWorkerUntilDone(
      session.Dispatcher(), [&] { return worker.Finished(); }, [&] { worker.Terminate(); });
  worker.WaitFor();
  display.End();
  return worker.Copied;
}

}  // namespace

int MusicCopyCommand(Arguments args) {
  const MusicCopyOptions options = ReadOptions(args);
  DeviceSession session(options.Folders);
  if (!session.Connect()) return kExitNotFound;
  TIpodDevice& device = session.Device();
  TIpodMusicDb db(&device);
  bool loaded = false;
  if (!LoadMusic(db, loaded)) return kExitNotFound;
  if (!loaded) {
    std::fprintf(stderr, "The music library could not be read.%s\n",
                 LogForTerminal(db.Log).c_str());
    return kExitNotFound;
  }
  ApplySelection(db, options.Selection);

  // The scheme first: the room needed depends on the names already there.
  db.NameScheme = static_cast<uint8_t>(options.Scheme);
  db.SavePlaylists = options.Playlists;
  db.SaveTrackList = options.TrackList;
  db.SaveCovers = options.Covers;
  std::string folder = DestinationFolder(options.To);
  if (!db.PrepareDestination(folder)) {
    PrintDestinationError(folder);
    return kExitNotFound;
  }

  const int copied = RunCopy(db, session);
  std::printf("%s\n", DetailLog(device, db, options.Scheme).c_str());
  return copied == db.Tracks.CheckedCount ? kExitOk : kExitSomeFailed;
}

}  // namespace ortelan::cli
