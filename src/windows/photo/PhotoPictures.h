#pragma once

// The photo window's small pictures, painted in code: the album tree's node
// images (18 x 18).

#include <QImage>

namespace ortelan::windows::pictures {

enum class TAlbumImage : int { Photo = 0, Album = 1, Camera = 2 };
QImage AlbumNodeImage(TAlbumImage image);

}  // namespace ortelan::windows::pictures
