#pragma once

// The photo window's tiles: TPhotoControl shows one thumbnail and, by its
// frame, whether its item is checked; TPhotoTileBox is the scrolling box the
// library places them on (its TPhotoBox).

#include <QImage>
#include <QScrollArea>
#include <functional>
#include <vector>

#include "photo/iPodPhoto.h"

namespace ortelan::windows {

class TPhotoControl : public QWidget {
 public:
  // `pictureLeft` is the box's, read at each paint.
  TPhotoControl(const TTilePlace& place, QImage picture, const int32_t& pictureLeft,
                QWidget* parent);

  int32_t Index = 0;
  QImage Picture;
  bool Checked = false;
  bool Camera = false;
  std::function<void()> OnClick;
  std::function<void()> OnOpen;  // a double click, or Enter on the tile

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool openOnRelease_ = false;
  const int32_t& pictureLeft_;
};

class TPhotoTileBox : public QScrollArea, public TPhotoBox {
 public:
  explicit TPhotoTileBox(QWidget* parent);

  // What a click on tile number `tile` does (the library's click handlers).
  std::function<void(int32_t tile, bool camera)> OnTileClick;
  // A double click or Enter on tile number `tile`.
  std::function<void(int32_t tile, bool camera)> OnTileOpen;
  // A click on the box's empty area.
  std::function<void()> OnEmptyClick;
  TPhotoControl* Tile(int32_t tile) const { return tiles_.at(static_cast<size_t>(tile)); }

  void ClearTiles() override;
  void AddTile(const TTilePlace& tile, TPicture24 picture) override;
  int32_t TileCount() const override { return static_cast<int32_t>(tiles_.size()); }
  int32_t TileIndex(int32_t tile) const override { return Tile(tile)->Index; }
  bool TileChecked(int32_t tile) const override { return Tile(tile)->Checked; }
  void SetTileChecked(int32_t tile, bool checked) override;
  void SetTilesEnabled(bool enabled) override;
  bool DecodePicture(std::span<const uint8_t> file, TPicture24& picture) override;
  void SetPictureLeft(int32_t left) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* page_;
  std::vector<TPhotoControl*> tiles_;
  int32_t pictureLeft_ = 0;
};

// A 24-bit picture of the core as a Qt image (copied).
QImage ToImage(const TPicture24& picture);

}  // namespace ortelan::windows
