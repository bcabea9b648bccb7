#pragma once

// Writes iTunesDB chunk trees, for tests, benchmarks and the demo device.
// The low-level functions write one chunk each and can be combined into any
// tree, broken ones included; Library builds a whole well-formed database.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ortelan::fixtures {

using Bytes = std::vector<uint8_t>;

Bytes Utf16Le(std::string_view utf8);
Bytes Concat(const std::vector<Bytes>& parts);

// A string data object; `declaredLength` overrides the byte length field.
Bytes MhodString(uint32_t type, std::string_view utf8);
Bytes MhodRawText(uint32_t type, const Bytes& text, uint32_t declaredLength);
// A data object without text (types 15 and above), `size` bytes long.
Bytes MhodOpaque(uint32_t type, uint32_t size = 44);

struct TrackFields {
  uint32_t Id = 0;
  uint8_t Rating = 0;
  uint32_t Size = 0;
  uint32_t DurationMs = 0;
  uint32_t PlayCount = 0;
  uint64_t DbId = 0;  // names the track's artwork
};
Bytes Mhit(const TrackFields& fields, const std::vector<Bytes>& mhods);
Bytes Mhlt(const std::vector<Bytes>& tracks, const char* tag = "mhlt");
Bytes Mhip(uint32_t trackId, const char* tag = "mhip");
Bytes Mhyp(const std::vector<Bytes>& mhods, const std::vector<Bytes>& items);
Bytes Mhlp(const std::vector<Bytes>& playlists, const char* tag = "mhlp");
Bytes Mhsd(uint32_t type, const Bytes& list);
Bytes Mhbd(const std::vector<Bytes>& dataSets, const char* tag = "mhbd");
// The iTunesCDB form: the database header as it stands, the rest deflated.
Bytes Compress(const Bytes& database);

struct Track {
  TrackFields Fields;
  std::string Title, Location, Album, Artist, Genre;
  std::vector<Bytes> ExtraMhods;  // composer, comment, sort names ...
};

struct Playlist {
  std::string Name;
  bool Smart = false;
  std::vector<uint32_t> TrackIds;
};

// A whole database: tracks in data set 1, playlists (the first one is the
// master) in data set 2, and a podcast list (type 3) that readers pass over.
struct Library {
  std::vector<Track> Tracks;
  std::vector<Playlist> Playlists;
  Bytes Build() const;
};

}  // namespace ortelan::fixtures
