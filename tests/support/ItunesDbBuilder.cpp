#include "support/ItunesDbBuilder.h"

#include <zlib.h>

#include <cstring>
#include <stdexcept>

namespace ortelan::fixtures {

namespace {

constexpr uint32_t kMhbdHeader = 104;
constexpr uint32_t kMhsdHeader = 96;
constexpr uint32_t kListHeader = 92;
constexpr uint32_t kMhitHeader = 388;
constexpr uint32_t kMhypHeader = 108;
constexpr uint32_t kMhipHeader = 76;

void Put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

Bytes Header(const char* tag, uint32_t headerLen) {
  Bytes b(headerLen, 0);
  std::memcpy(b.data(), tag, 4);
  Put32(b, 4, headerLen);
  return b;
}

void Append(Bytes& to, const Bytes& more) {
  const size_t old = to.size();
  to.resize(old + more.size());
  if (!more.empty()) std::memcpy(to.data() + old, more.data(), more.size());
}

// A chunk whose third field is its total length: header, then children.
Bytes WithChildren(Bytes header, const std::vector<Bytes>& children) {
  for (const Bytes& c : children) Append(header, c);
  Put32(header, 8, static_cast<uint32_t>(header.size()));
  return header;
}

}  // namespace

Bytes Utf16Le(std::string_view s) {
  Bytes out;
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    uint32_t cp = c;
    int extra = 0;
    if (c >= 0xF0)
      cp = c & 0x07, extra = 3;
    else if (c >= 0xE0)
      cp = c & 0x0F, extra = 2;
    else if (c >= 0xC0)
      cp = c & 0x1F, extra = 1;
    for (int k = 1; k <= extra && i + k < s.size(); ++k) cp = (cp << 6) | (s[i + k] & 0x3F);
    i += 1 + extra;
    auto unit = [&](uint32_t u) {
      out.push_back(static_cast<uint8_t>(u));
      out.push_back(static_cast<uint8_t>(u >> 8));
    };
    if (cp >= 0x10000) {
      cp -= 0x10000;
      unit(0xD800 + (cp >> 10));
      unit(0xDC00 + (cp & 0x3FF));
    } else {
      unit(cp);
    }
  }
  return out;
}

Bytes Concat(const std::vector<Bytes>& parts) {
  Bytes out;
  for (const Bytes& p : parts) Append(out, p);
  return out;
}

Bytes MhodRawText(uint32_t type, const Bytes& text, uint32_t declaredLength) {
  Bytes b(40, 0);
  std::memcpy(b.data(), "mhod", 4);
  Put32(b, 4, 24);
  Put32(b, 12, type);
  Put32(b, 24, 1);  // position
  Put32(b, 28, declaredLength);
  Append(b, text);
  Put32(b, 8, static_cast<uint32_t>(b.size()));
  return b;
}

Bytes MhodString(uint32_t type, std::string_view utf8) {
  const Bytes text = Utf16Le(utf8);
  return MhodRawText(type, text, static_cast<uint32_t>(text.size()));
}

Bytes MhodOpaque(uint32_t type, uint32_t size) {
  Bytes b(size, 0);
  std::memcpy(b.data(), "mhod", 4);
  Put32(b, 4, 24);
  Put32(b, 8, size);
  Put32(b, 12, type);
  return b;
}

Bytes Mhit(const TrackFields& f, const std::vector<Bytes>& mhods) {
  Bytes b = Header("mhit", kMhitHeader);
  Put32(b, 12, static_cast<uint32_t>(mhods.size()));
  Put32(b, 16, f.Id);
  b[31] = f.Rating;
  Put32(b, 36, f.Size);
  Put32(b, 40, f.DurationMs);
  Put32(b, 80, f.PlayCount);
  Put32(b, 112, static_cast<uint32_t>(f.DbId));
  Put32(b, 116, static_cast<uint32_t>(f.DbId >> 32));
  return WithChildren(std::move(b), mhods);
}

Bytes Mhlt(const std::vector<Bytes>& tracks, const char* tag) {
  Bytes b = Header(tag, kListHeader);
  Put32(b, 8, static_cast<uint32_t>(tracks.size()));
  for (const Bytes& t : tracks) Append(b, t);
  return b;
}

Bytes Mhip(uint32_t trackId, const char* tag) {
  Bytes b = Header(tag, kMhipHeader);
  Put32(b, 12, 1);  // one child: the position object
  Put32(b, 24, trackId);
  return WithChildren(std::move(b), {MhodOpaque(100, 44)});
}

Bytes Mhyp(const std::vector<Bytes>& mhods, const std::vector<Bytes>& items) {
  Bytes b = Header("mhyp", kMhypHeader);
  Put32(b, 12, static_cast<uint32_t>(mhods.size()));
  Put32(b, 16, static_cast<uint32_t>(items.size()));
  std::vector<Bytes> children = mhods;
  children.insert(children.end(), items.begin(), items.end());
  return WithChildren(std::move(b), children);
}

Bytes Mhlp(const std::vector<Bytes>& playlists, const char* tag) {
  Bytes b = Header(tag, kListHeader);
  Put32(b, 8, static_cast<uint32_t>(playlists.size()));
  for (const Bytes& p : playlists) Append(b, p);
  return b;
}

Bytes Mhsd(uint32_t type, const Bytes& list) {
  Bytes b = Header("mhsd", kMhsdHeader);
  Put32(b, 12, type);
  return WithChildren(std::move(b), {list});
}

Bytes Mhbd(const std::vector<Bytes>& dataSets, const char* tag) {
  Bytes b = Header(tag, kMhbdHeader);
  Put32(b, 12, 1);
  Put32(b, 16, 0x75);  // database version
  Put32(b, 20, static_cast<uint32_t>(dataSets.size()));
  return WithChildren(std::move(b), dataSets);
}

Bytes Compress(const Bytes& database) {
  const uint32_t headerLen = database[4] | database[5] << 8 | database[6] << 16 | database[7] << 24;
  uLongf size = compressBound(static_cast<uLong>(database.size() - headerLen));
  Bytes out(database.begin(), database.begin() + headerLen);
  out.resize(headerLen + size);
  if (compress2(out.data() + headerLen, &size, database.data() + headerLen,
                static_cast<uLong>(database.size() - headerLen), Z_DEFAULT_COMPRESSION) != Z_OK) {
    throw std::runtime_error("compress2 failed");
  }
  out.resize(headerLen + size);
  return out;
}

Bytes Library::Build() const {
  std::vector<Bytes> tracks;
  for (const Track& t : Tracks) {
    std::vector<Bytes> mhods;
    const std::pair<uint32_t, const std::string*> texts[] = {
        {1, &t.Title}, {2, &t.Location}, {3, &t.Album}, {4, &t.Artist}, {5, &t.Genre}};
    for (const auto& [type, text] : texts) {
      if (!text->empty()) mhods.push_back(MhodString(type, *text));
    }
    mhods.insert(mhods.end(), t.ExtraMhods.begin(), t.ExtraMhods.end());
    tracks.push_back(Mhit(t.Fields, mhods));
  }
  std::vector<Bytes> playlists;
  for (const Playlist& p : Playlists) {
    std::vector<Bytes> mhods;
    if (!p.Name.empty()) mhods.push_back(MhodString(1, p.Name));
    if (p.Smart) mhods.push_back(MhodOpaque(50, 136));
    mhods.push_back(MhodOpaque(100, 648));  // column layout
    std::vector<Bytes> items;
    for (uint32_t id : p.TrackIds) items.push_back(Mhip(id));
    playlists.push_back(Mhyp(mhods, items));
  }
  return Mhbd({Mhsd(1, Mhlt(tracks)), Mhsd(3, Mhlp(playlists)), Mhsd(2, Mhlp(playlists))});
}

}  // namespace ortelan::fixtures
