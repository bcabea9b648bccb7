// The iTunesDB reader: the chunked music database of disk-mode iPods, and its
// zlib-compressed form iTunesCDB.
//
// Every chunk is reached by an absolute offset computed from the lengths the
// file gives. Each read is bounds-checked; a chunk that points outside the
// data, or a zero length that would make the reader visit the same chunk
// again, ends its list as broken. A read budget proportional to the data size
// keeps crafted files with overlapping chunks from costing more than a linear
// amount of time and memory.

#include <zlib.h>

#include <algorithm>
#include <thread>

#include "device/DevicePaths.h"
#include "device/iPodDev.h"
#include "music/iPodMusic.h"
#include "util/ChunkTags.h"
#include "util/Sizes.h"
#include "util/Text.h"

namespace ortelan {

namespace {

constexpr uint64_t kMhbdRead = 24;
constexpr uint64_t kMhsdRead = 16;
constexpr uint64_t kListRead = 12;  // mhlt, mhlp
constexpr uint64_t kMhitRead = 212;
constexpr uint64_t kMhitDbId = 112;  // 8 bytes
constexpr uint64_t kMhodRead = 40;
constexpr uint64_t kMhypRead = 48;
constexpr uint64_t kMhipRead = 36;
constexpr uint32_t kFirstTypeWithoutText = 15;
constexpr uint32_t kSmartPlaylistData = 50;
constexpr size_t kMaxInflatedSize = 512u << 20;

enum MhodType : uint32_t { kTitle = 1, kLocation = 2, kAlbum = 3, kArtist = 4, kGenre = 5 };

// One data object. A chunk that is not an mhod counts as absent: length 0,
// type 0, no text.
struct Mhod {
  uint32_t Length = 0;
  uint32_t Type = 0;
  std::span<const uint8_t> Text;  // UTF-16LE, for types below 15
  bool Broken = false;            // an mhod whose header or text leaves the data
};

Mhod ReadMhod(const ByteReader& r, uint64_t q) {
  Mhod m;
  if (!TagIs(r, q, "mhod")) return m;
  if (!r.Has(q, kMhodRead)) {
    m.Broken = true;
    return m;
  }
  m.Length = U32At(r, q + 8);
  m.Type = U32At(r, q + 12);
  if (m.Type < kFirstTypeWithoutText) m.Broken = !r.Bytes(q + kMhodRead, U32At(r, q + 28), m.Text);
  return m;
}

// Reads one track at `p` into `track`; false when one of its data objects
// is broken or the budget is spent.
bool ReadTrack(const ByteReader& r, uint64_t p, ReadBudget& budget, TTrackItem& track) {
  const uint32_t headerLen = U32At(r, p + 4);
  const uint32_t mhodCount = U32At(r, p + 12);
  track.Checked = true;
  track.CopyState = csUntouched;
  track.ItunesSourceId = -1;
  track.TrackId = U32At(r, p + 16);
  r.U8(p + 31, track.Rating);
  track.Size = U32At(r, p + 36);
  track.Duration = U32At(r, p + 40);
  track.PlayCount = static_cast<int32_t>(U32At(r, p + 80));
  if (headerLen >= kMhitDbId + 8) r.U64LE(p + kMhitDbId, track.DbId);

  uint64_t q = p + headerLen;
  for (uint32_t j = 0; j < mhodCount; ++j) {
    const Mhod m = ReadMhod(r, q);
    if (m.Broken || !budget.Spend(kMhodRead + m.Text.size())) return false;
    switch (m.Type) {
      case kTitle:
        track.Title = Utf16LeToUtf8(m.Text);
        break;
      case kLocation:
        track.Location = Utf16LeToUtf8(m.Text);
        break;
      case kAlbum:
        track.Album = Utf16LeToUtf8(m.Text);
        break;
      case kArtist:
        track.Artist = Utf16LeToUtf8(m.Text);
        break;
      case kGenre:
        track.Genre = Utf16LeToUtf8(m.Text);
        break;
      default:
        break;
    }
    if (m.Length == 0) break;  // every further read would meet this chunk again
    q += m.Length;
  }
  track.MediaKind = TIpodMusicDb::MediaKindOfExt(PathExtension(track.Location));
  if (track.MediaKind == mkBook) track.Checked = false;  // books are offered unchecked
  TIpodMusicDb::FormatDuration(track.Duration, track.DurationText);
  track.SizeText = TIpodDevice::FormatSize(track.Size);
  return true;
}

// Reads the tracks at `starts` into `tracks`, stopping at the first broken
// one; returns how many were read. Large lists are read in two halves at
// once: the tracks are independent of each other once their starts are known.
size_t ReadTracks(const ByteReader& r, const std::vector<uint64_t>& starts, ReadBudget& budget,
                  TTrackItem* tracks) {
  auto readRange = [&](size_t from, size_t to, ReadBudget& rangeBudget) {
    for (size_t i = from; i < to; ++i) {
      if (!ReadTrack(r, starts[i], rangeBudget, tracks[i])) return i;
    }
    return to;
  };
  constexpr size_t kParallelFrom = 4096;
  if (starts.size() < kParallelFrom || std::thread::hardware_concurrency() < 2) {
    return readRange(0, starts.size(), budget);
  }
  const size_t mid = starts.size() / 2;
  ReadBudget firstBudget = budget.TakeHalf();
  size_t firstEnd = 0;
  std::thread helper([&] { firstEnd = readRange(0, mid, firstBudget); });
  const size_t secondEnd = readRange(mid, starts.size(), budget);
  helper.join();
  budget.Join(firstBudget);
  return firstEnd < mid ? firstEnd : secondEnd;
}

}  // namespace

bool TIpodMusicDb::ReadTrackList(const ByteReader& r, uint64_t start, uint32_t headerLen) {
  const uint64_t list = start + headerLen;
  if (!TagIs(r, list, "mhlt") || !r.Has(list, kListRead)) return false;
  const uint32_t count = U32At(r, list + 8);
  Tracks.Clear();
  TotalSize = 0;

  // First the chain of track headers, then the tracks themselves.
  std::vector<uint64_t> starts;
  starts.reserve(std::min<uint64_t>(count, r.Size() / kMhitRead));
  bool chainWhole = true;
  uint64_t p = list + U32At(r, list + 4);
  for (uint32_t i = 0; i < count; ++i) {
    if (!readBudget_.Spend(kMhitRead) || !r.Has(p, kMhitRead)) {
      chainWhole = false;
      break;
    }
    starts.push_back(p);
    const uint32_t totalLen = U32At(r, p + 8);
    if (totalLen == 0 && i + 1 < count) {  // the next track would be this one again
      chainWhole = false;
      break;
    }
    p += totalLen;
  }

  TTrackItem* slots = Tracks.AppendSlots(starts.size());
  const size_t read = ReadTracks(r, starts, readBudget_, slots);
  Tracks.Truncate(Tracks.Count() - static_cast<int>(starts.size() - read));
  for (const TTrackItem& track : Tracks) {
    TotalSize = SaturatingAdd(TotalSize, track.Size);
    if (track.Checked) Tracks.CountChecked(track);
  }
  return chainWhole && read == starts.size();
}

bool TIpodMusicDb::ReadPlayLists(const ByteReader& r, uint64_t start, uint32_t headerLen) {
  const uint64_t list = start + headerLen;
  if (!TagIs(r, list, "mhlp") || !r.Has(list, kListRead)) return false;
  const uint32_t count = U32At(r, list + 8);
  PlayLists.Clear();
  uint64_t p = list + U32At(r, list + 4);
  for (uint32_t i = 0; i < count; ++i) {
    if (!readBudget_.Spend(kMhypRead) || !r.Has(p, kMhypRead)) return false;
    const uint32_t totalLen = U32At(r, p + 8);
    if (!ReadPlayList(r, p, PlayLists.Add())) return false;
    if (totalLen == 0 && i + 1 < count) return false;
    p += totalLen;
  }
  return true;
}

bool TIpodMusicDb::ReadPlayList(const ByteReader& r, uint64_t start, TPlayListItem& playlist) {
  const uint32_t itemCount = U32At(r, start + 16);
  uint64_t q = start + U32At(r, start + 4);
  for (;;) {
    const Mhod m = ReadMhod(r, q);
    if (!readBudget_.Spend(kMhodRead + m.Text.size())) return false;
    if (m.Broken) return false;
    if (m.Type == 0) break;
    if (m.Type == kTitle) playlist.Name = Utf16LeToUtf8(m.Text);
    if (m.Type == kSmartPlaylistData) playlist.Smart = true;
    if (m.Length == 0) return false;  // would read this chunk forever
    q += m.Length;
  }
  uint64_t item = q;
  for (uint32_t k = 0; k < itemCount; ++k) {
    if (!readBudget_.Spend(kMhipRead)) return false;
    if (!r.Has(item, kMhipRead)) return false;
    if (TagIs(r, item, "mhip")) {
      playlist.TrackIds.push_back(U32At(r, item + 24));
      ++playlist.Count;
    }
    const uint32_t itemLen = U32At(r, item + 8);
    if (itemLen == 0 && k + 1 < itemCount) return false;
    item += itemLen;
  }
  return true;
}

bool TIpodMusicDb::ParseItunesDb(TMemoryStream& stream, bool compressed,
                                 const std::string& deviceLog) {
  if (compressed) InflateDb(stream);
  bool result = false;
  try {
    const ByteReader r(stream.View());
    readBudget_ = ReadBudget::For(r);
    if (!TagIs(r, 0, "mhbd") || !r.Has(0, kMhbdRead)) {
      AddLog("MHDB incorrect");
      return false;
    }
    const uint32_t children = U32At(r, 20);
    uint64_t a = U32At(r, 4);
    for (uint32_t i = 0; i < children; ++i) {
      if (!r.Has(a, kMhsdRead) || !readBudget_.Spend(kMhsdRead)) break;
      const uint32_t headerLen = U32At(r, a + 4);
      const uint32_t totalLen = U32At(r, a + 8);
      const uint32_t type = U32At(r, a + 12);
      if (type == 1) {
        result = ReadTrackList(r, a, headerLen);
        if (!result) break;
      } else if (type == 2) {
        if (!ReadPlayLists(r, a, headerLen)) break;
      }
      if (totalLen == 0) break;  // the next data set would be this one again
      a += totalLen;
    }
  } catch (const std::exception&) {
    AddLog("Exception on reading iTunesDb\xD4\x9E" + deviceLog);
  }
  return result;
}

bool TIpodMusicDb::LoadItunesDb() {
  TMemoryStream stream;
  bool compressed = false;
  if (!Device->ReadItunesDb(stream, compressed)) return false;
  return ParseItunesDb(stream, compressed, Device->ErrorText());
}

void TIpodMusicDb::InflateDb(TMemoryStream& stream) {
  uint32_t headerLen = 0;
  const ByteReader r(stream.View());
  if (!r.Has(0, kMhbdRead) || !r.U32LE(4, headerLen) || headerLen > r.Size()) {
    throw EInflateError("iTunesCDB header is damaged");
  }
  const ByteBuffer body(stream.Bytes.begin() + headerLen, stream.Bytes.end());
  stream.Bytes.resize(headerLen);

  z_stream z{};
  if (inflateInit(&z) != Z_OK) throw EInflateError(z.msg ? z.msg : "zlib initialisation failed");
  z.next_in = const_cast<Bytef*>(body.data());
  z.avail_in = static_cast<uInt>(body.size());
  int rc = Z_OK;
  size_t produced = headerLen;
  while (rc != Z_STREAM_END) {
    if (stream.Bytes.size() - produced < 4096) {
      if (stream.Bytes.size() >= kMaxInflatedSize) {
        inflateEnd(&z);
        throw EInflateError("iTunesCDB inflates to more than 512 MiB");
      }
      stream.Bytes.resize(std::min(
          kMaxInflatedSize, std::max<size_t>(stream.Bytes.size() * 2, body.size() * 4 + 65536)));
    }
    z.next_out = stream.Bytes.data() + produced;
    z.avail_out = static_cast<uInt>(stream.Bytes.size() - produced);
    rc = inflate(&z, Z_NO_FLUSH);
    produced = stream.Bytes.size() - z.avail_out;
    if (rc == Z_BUF_ERROR && z.avail_in == 0) {
      inflateEnd(&z);
      throw EInflateError("iTunesCDB ends inside its compressed data");
    }
    if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) {
      const std::string message = z.msg ? z.msg : zError(rc);
      inflateEnd(&z);
      throw EInflateError(message);
    }
  }
  inflateEnd(&z);
  stream.Bytes.resize(produced);
  stream.Position = 0;
}

}  // namespace ortelan
