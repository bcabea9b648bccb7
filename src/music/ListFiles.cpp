// What a transfer hands on besides the tracks: the device's playlists as
// M3U8 files and a track list with ratings and play counts (CSV), both
// beside the copied files in the destination.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unordered_map>

#include "device/iPodDev.h"
#include "music/iPodMusic.h"
#include "util/Text.h"

namespace ortelan {

namespace {

constexpr const char* kKindNames[] = {"audio", "video", "book", "ringtone", "voice memo"};
constexpr int kStarsPerRating = 20;  // the device keeps 0..100, 20 a star
// Playlist names share the track names' rules; this one stands in for a
// playlist without a name.
constexpr const char* kUnnamedPlaylist = " Playlist";

bool FileHolds(const std::string& path, const std::string& content) {
  std::error_code error;
  if (std::filesystem::file_size(path, error) != content.size() || error) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  const std::string held{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  return held == content;
}

// A CSV field (RFC 4180): quoted when it holds a comma, a quote or a line
// break, quotes doubled. A text a spreadsheet would take for a formula (it
// begins with "=", "+", "-", "@", a tab or a carriage return) is written
// behind a single quote, so that it is shown, never run.
std::string CsvField(const std::string& text) {
  const bool formula =
      !text.empty() && std::string_view("=+-@\t\r").find(text[0]) != std::string_view::npos;
  const std::string cell = formula ? "'" + text : text;
  if (cell.find_first_of(",\"\r\n") == std::string::npos) return cell;
  std::string field = "\"";
  for (const char c : cell) {
    if (c == '"') field += '"';
    field += c;
  }
  return field + "\"";
}

// Appends `text` as part of an M3U8 line, which holds no line break.
void AppendOneLine(std::string& out, std::string_view text) {
  const size_t start = out.size();
  out.append(text);
  for (size_t i = start; i < out.size(); ++i) {
    if (out[i] == '\r' || out[i] == '\n') out[i] = ' ';
  }
}

std::string WithSlash(const std::string& folder) {
  return folder.empty() || folder.back() == '/' ? folder : folder + '/';
}

// `path` as seen from `folder` (which ends in "/") when it lies below it.
std::string_view Below(std::string_view folder, std::string_view path) {
  return path.starts_with(folder) ? path.substr(folder.size()) : path;
}

}  // namespace

std::string TIpodMusicDb::RelativeToDestination(const std::string& path) const {
  return std::string(Below(WithSlash(DestFolder), path));
}

std::string TIpodMusicDb::SaveListFile(const std::string& base, const std::string& ext,
                                       const std::string& content) {
  for (int number = 0;; ++number) {
    const std::string path = NumberedFileName(base, number, ext);
    if (FileHolds(path, content)) return path;  // written by an earlier run
    const int code = Device->WriteNewPcFile(
        path, {reinterpret_cast<const uint8_t*>(content.data()), content.size()});
    if (code == 0) return path;
    if (code != EEXIST) {
      AddLog("[X] Cannot write " + path + ": Err " + std::to_string(code));
      return {};
    }
  }
}

std::unordered_map<int64_t, int> TIpodMusicDb::FirstTrackOfIds() const {
  std::unordered_map<int64_t, int> firstOfId;
  firstOfId.reserve(static_cast<size_t>(Tracks.Count()));
  for (int i = 0; i < Tracks.Count(); ++i) firstOfId.emplace(Tracks.GetItem(i).TrackId, i);
  return firstOfId;
}

std::vector<int> TIpodMusicDb::PlaylistMembers(
    const TPlayListItem& list, const std::unordered_map<int64_t, int>& firstOfId) const {
  std::vector<int> members;
  if (list.VoiceMemos) {
    for (int i = 0; i < Tracks.Count(); ++i) {
      if (Tracks.GetItem(i).MediaKind == mkVoiceMemo) members.push_back(i);
    }
    return members;
  }
  for (size_t j = 0; j < list.Entries(); ++j) {
    const auto found = firstOfId.find(list.TrackIds[j]);
    if (found != firstOfId.end()) members.push_back(found->second);
  }
  return members;
}

std::string TIpodMusicDb::PlaylistText(const TPlayListItem& list,
                                       const std::unordered_map<int64_t, int>& firstOfId) const {
  std::string text = "#EXTM3U\n";
  const size_t header = text.size();
  const std::string folder = WithSlash(DestFolder);
  for (const int index : PlaylistMembers(list, firstOfId)) {
    const TTrackItem& track = Tracks.GetItem(index);
    if (track.DestFile.empty()) continue;  // neither copied now nor found in place
    text.append("#EXTINF:").append(std::to_string((track.Duration + 500) / 1000)).append(",");
    if (!track.Artist.empty()) {
      AppendOneLine(text, track.Artist);
      text.append(" - ");
    }
    AppendOneLine(text, track.Title);
    text.append("\n");
    // A line that begins with "#" is a comment to every player.
    const std::string entry(Below(folder, track.DestFile));
    AppendOneLine(text, entry.starts_with('#') ? "./" + entry : entry);
    text.append("\n");
  }
  return text.size() == header ? std::string() : text;
}

int TIpodMusicDb::WritePlaylistFiles() {
  int written = 0;
  const std::unordered_map<int64_t, int> firstOfId = FirstTrackOfIds();
  // The first playlist is the device's whole library.
  for (int p = 1; p < PlayLists.Count(); ++p) {
    const TPlayListItem& list = PlayLists.GetItem(p);
    const std::string text = PlaylistText(list, firstOfId);
    if (text.empty()) continue;  // no member of it was copied
    std::string name;
    MakeNamePart(list.Name, kUnnamedPlaylist, name);
    if (!SaveListFile(DestFolder + name, ".m3u8", text).empty()) ++written;
  }
  AddLog("Playlist files: " + std::to_string(written));
  return written;
}

bool TIpodMusicDb::WriteTrackList() {
  std::string text = "path,title,artist,album,genre,kind,duration_s,size,rating,play_count\r\n";
  for (const TTrackItem& track : Tracks) {
    if (track.DestFile.empty()) continue;
    const char* kind = track.MediaKind < std::size(kKindNames) ? kKindNames[track.MediaKind] : "";
    text += CsvField(RelativeToDestination(track.DestFile)) + "," + CsvField(track.Title) + "," +
            CsvField(track.Artist) + "," + CsvField(track.Album) + "," + CsvField(track.Genre) +
            "," + kind + "," + std::to_string((track.Duration + 500) / 1000) + "," +
            std::to_string(track.Size) + "," + std::to_string(track.Rating / kStarsPerRating) +
            "," + std::to_string(track.PlayCount) + "\r\n";
  }
  const std::string path = SaveListFile(DestFolder + "tracks", ".csv", text);
  if (!path.empty()) AddLog("Track list: " + RelativeToDestination(path));
  return !path.empty();
}

}  // namespace ortelan
