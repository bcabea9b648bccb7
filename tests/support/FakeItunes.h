#pragma once

// An iTunes library in memory behind the automation interface: tracks and
// playlists the tests set up, every call recorded, any operation made to
// fail.

#include <set>
#include <string>
#include <vector>

#include "platform/ItunesAutomation.h"

namespace ortelan::test {

struct FakeItunesTrack {
  std::string Name;
  std::string Location;
  std::string Artist;
  int Kind = platform::kItunesFileTrack;
  int Rating = 0;
  int PlayedCount = 0;
};

struct FakeItunesPlaylist {
  std::string Name;
  int Kind = platform::kItunesUserPlaylist;
  int SpecialKind = 0;
  bool Smart = false;
  std::vector<size_t> Tracks;  // places in the library
};

class FakeItunes {
 public:
  std::vector<FakeItunesTrack> Library;
  std::vector<FakeItunesPlaylist> Playlists;
  // Files whose import gives no status.
  std::set<std::string> Refused;
  // Operations ("AddFile", "LibrarySourcePlaylists" ...) that throw.
  std::set<std::string> Failing;
  bool Reachable = true;
  int PollsPerImport = 2;
  std::vector<std::string> Calls;

  // Connects to this library, as the program connects to iTunes.
  platform::ItunesConnector Connector();
  // The ids the fake gives the library track at `place`.
  static platform::ItunesObjectIds IdsOf(size_t place);
  // Records the call; throws when it is failing.
  void Call(const std::string& name);
  // The names of a playlist's tracks, in order.
  std::vector<std::string> TrackNames(const FakeItunesPlaylist& list) const;
};

}  // namespace ortelan::test
