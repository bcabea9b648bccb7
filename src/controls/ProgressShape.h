#pragma once

// TProgressShape: a small busy indicator, a grid of BlockCount x BlockCount
// blocks on whose outer ring one marked block walks clockwise, one step per
// Interval, exactly while the control is enabled. Its colours are held by
// TBlockAppearance; an invalid colour is "none" (nothing painted in it).

#include <QColor>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace ortelan::controls {

class TBlockAppearance {
 public:
  explicit TBlockAppearance(std::function<void()> changed) : changed_(std::move(changed)) {}

  QColor BackGroundColor() const { return backGround_; }
  void SetBackGroundColor(const QColor& value) { Set(backGround_, value); }
  QColor BorderColor() const { return border_; }
  void SetBorderColor(const QColor& value) { Set(border_, value); }
  QColor BlockColor() const { return block_; }
  void SetBlockColor(const QColor& value) { Set(block_, value); }
  QColor BlockColorActive() const { return blockActive_; }
  void SetBlockColorActive(const QColor& value) { Set(blockActive_, value); }

 private:
  void Set(QColor& field, const QColor& value) {
    if (field == value) return;
    field = value;
    changed_();
  }

  QColor backGround_, border_;  // none
  QColor block_{0x00, 0xCF, 0xEE};
  QColor blockActive_;  // none: the marked block shows as a gap
  std::function<void()> changed_;
};

class TProgressShape : public QWidget {
  Q_OBJECT

 public:
  explicit TProgressShape(QWidget* parent = nullptr);

  TBlockAppearance& Appearance() { return appearance_; }
  int Padding() const { return padding_; }
  void SetPadding(int value);
  int Interval() const { return timer_.interval(); }
  void SetInterval(int value);
  int BlockCount() const { return blockCount_; }
  void SetBlockCount(int value);

  // The properties are all set: geometry, the mark at the top left, and the
  // timer following Enabled.
  void Loaded();
  // One step of the mark around the ring (what each timer tick does).
  void TimerStep();

  int MarkedColumn() const { return column_; }
  int MarkedRow() const { return row_; }
  // Column 0 is the rightmost, row 0 the bottom one.
  QRect BlockRect(int column, int row) const;
  bool Running() const { return timer_.isActive(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void ComputeGeometry();
  void FollowEnabled();
  QRect Inner() const;

  TBlockAppearance appearance_;
  int padding_ = 4;
  int blockCount_ = 3;
  int column_ = 0, row_ = 0;
  int blockWidth_ = 0, blockHeight_ = 0;
  QTimer timer_;
};

}  // namespace ortelan::controls
