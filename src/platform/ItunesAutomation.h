#pragma once

// iTunes as its automation interface shows it: the library's tracks and
// playlists, adding a file, creating a playlist. Only the operations the
// export uses. Every call that fails throws ItunesError with the message.

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace ortelan::platform {

struct ItunesError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The four numbers that name an object of the library.
struct ItunesObjectIds {
  int32_t Source = 0;
  int32_t Playlist = 0;
  int32_t Track = 0;
  int32_t Database = 0;
};

// Kinds as the application numbers them.
constexpr int kItunesFileTrack = 1;
constexpr int kItunesUserPlaylist = 2;
constexpr int kItunesFolderPlaylist = 4;  // a user playlist's special kind

class ItunesTrack {
 public:
  virtual ~ItunesTrack() = default;
  virtual int Kind() = 0;
  // The file's path on the PC; empty when it has none.
  virtual std::string Location() = 0;
  virtual std::string Artist() = 0;
  virtual ItunesObjectIds Ids() = 0;
  virtual void SetRating(int rating) = 0;
  virtual void SetPlayedCount(int count) = 0;
};

// An import under way.
class ItunesImport {
 public:
  virtual ~ItunesImport() = default;
  virtual bool InProgress() = 0;
  virtual int TrackCount() = 0;
  // 1-based.
  virtual std::unique_ptr<ItunesTrack> Track(int index) = 0;
};

class ItunesPlaylist {
 public:
  virtual ~ItunesPlaylist() = default;
  virtual int Kind() = 0;
  virtual std::string Name() = 0;
  virtual int SpecialKind() = 0;
  virtual bool Smart() = 0;
  // The first track of that name; null when none.
  virtual std::unique_ptr<ItunesTrack> TrackByName(const std::string& name) = 0;
  virtual void AddTrack(ItunesTrack& track) = 0;
};

// The library playlist: every track of the library.
class ItunesLibrary {
 public:
  virtual ~ItunesLibrary() = default;
  virtual std::unique_ptr<ItunesTrack> TrackByName(const std::string& name) = 0;
  // Null when the application gives no status (it refused the file).
  virtual std::unique_ptr<ItunesImport> AddFile(const std::string& path) = 0;
};

// The playlists of the library source.
class ItunesPlaylists {
 public:
  virtual ~ItunesPlaylists() = default;
  virtual int Count() = 0;
  // 1-based; null when there is none at that place.
  virtual std::unique_ptr<ItunesPlaylist> Item(int index) = 0;
};

class ItunesApplication {
 public:
  virtual ~ItunesApplication() = default;
  virtual void MinimiseMainWindow() = 0;
  virtual std::unique_ptr<ItunesLibrary> LibraryPlaylist() = 0;
  virtual std::unique_ptr<ItunesPlaylists> LibrarySourcePlaylists() = 0;
  virtual std::unique_ptr<ItunesPlaylist> CreatePlaylist(const std::string& name) = 0;
  virtual std::unique_ptr<ItunesTrack> ObjectByIds(const ItunesObjectIds& ids) = 0;
  virtual std::string Version() = 0;
};

// Reaches the running (or newly started) application from the calling
// thread; throws ItunesError when it cannot be reached.
using ItunesConnector = std::function<std::unique_ptr<ItunesApplication>()>;

// The platform's way there: on Linux there is no iTunes, and it throws.
std::unique_ptr<ItunesApplication> ConnectItunes();

}  // namespace ortelan::platform
