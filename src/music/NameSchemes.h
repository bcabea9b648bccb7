#pragma once

// The naming schemes of copied tracks, one row each in the order of their
// stored numbers: what the window shows, what the CLI's usage calls it, and
// the tags a file name is made of. The copy, the window, the CLI's parser and
// its usage text all read this table; a scheme is added here alone.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "music/iPodMusic.h"

namespace ortelan {

enum class TNamePart : uint8_t { Title, Artist, Album };

struct TNameSchemeInfo {
  TNameScheme Id;
  const char* Label;      // as the window's list shows it
  const char* ShortName;  // as the CLI's usage text lists it
  bool AlbumFolders;      // Artist/Album/ folders, the file named by the parts
  std::array<TNamePart, 3> Parts;
  size_t PartCount;
};

using enum TNamePart;
inline constexpr TNameSchemeInfo kNameSchemes[] = {
    {nsArtistAlbumFolders,
     "Place files into artist and album folders",
     "artist and album folders",
     true,
     {Title},
     1},
    {nsTitle, "Use song title as file name (default)", "title (default)", false, {Title}, 1},
    {nsArtistTitle, "Name as: [Artist] - [Title]", "artist - title", false, {Artist, Title}, 2},
    {nsTitleArtist, "Name as: [Title] - [Artist]", "title - artist", false, {Title, Artist}, 2},
    {nsArtistAlbumTitle,
     "Name as: [Artist] - [Album] - [Title]",
     "artist - album - title",
     false,
     {Artist, Album, Title},
     3},
    {nsTitleAlbumArtist,
     "Name as: [Title] - [Album] - [Artist]",
     "title - album - artist",
     false,
     {Title, Album, Artist},
     3},
    {nsTitleArtistAlbum,
     "Name as: [Title] - [Artist] - [Album]",
     "title - artist - album",
     false,
     {Title, Artist, Album},
     3},
};
inline constexpr int kNameSchemeCount = static_cast<int>(std::size(kNameSchemes));
inline constexpr int kDefaultNameScheme = nsTitle;

// The row of `scheme`; the default's for a number no scheme has.
inline const TNameSchemeInfo& NameSchemeInfo(int scheme) {
  return kNameSchemes[scheme >= 0 && scheme < kNameSchemeCount ? scheme : kDefaultNameScheme];
}

}  // namespace ortelan
