#pragma once

// A closer look at one photo or camera-roll file: the largest picture the
// device holds of it, scaled to the screen. Left and Right step through the
// album or the camera roll, Space turns the item's check mark, Escape
// closes.

#include <QDialog>
#include <functional>
#include <vector>

#include "photo/iPodPhoto.h"

class QLabel;

namespace ortelan::windows {

class TPhotoPreviewFrm : public QDialog {
 public:
  // `items`: the indices (in Photos, or in CamPhotos for the camera roll) in
  // the order the album lists them; `position`: the one shown first.
  TPhotoPreviewFrm(QWidget* parent, TIpodPhotoDb& db, bool camera, std::vector<int32_t> items,
                   int position);

  // Turns the check mark of an item (the window keeps tiles and status in line).
  std::function<void(int32_t index)> OnToggle;
  int Position() const { return position_; }
  QLabel* Picture() const { return picture_; }
  QLabel* Caption() const { return caption_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void ShowItem();
  void Step(int by);
  QString ItemName(int32_t index) const;
  bool ItemChecked(int32_t index) const;

  TIpodPhotoDb& db_;
  bool camera_;
  std::vector<int32_t> items_;
  int position_;
  QSize room_;  // the most the picture may take on the screen
  QLabel* picture_;
  QLabel* caption_;
};

}  // namespace ortelan::windows
