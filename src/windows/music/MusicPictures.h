#pragma once

// The music window's small pictures, painted in code: the copy marks of the
// grid (10 x 10) and the images of the playlist tree's nodes (18 x 18).

#include <QImage>

namespace ortelan::windows::pictures {

// The copy mark of a track's CopyState: 0 failed (red, a cross), 1 copied
// (green, a tick), 2 copied but not for iTunes (blue, a tick); a null image
// for -1.
QImage CopyMark(int copyState);

// The tree's node images, in the order of the fixed nodes and the playlists.
enum class TNodeImage : int {
  Music = 0,
  Movies = 1,
  Books = 2,
  Ringtone = 3,
  Playlist = 4,
  Smart = 5
};
QImage NodeImage(TNodeImage image);

}  // namespace ortelan::windows::pictures
