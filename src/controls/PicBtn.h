#pragma once

// TPicButton: a button that shows a picture instead of a system face and
// takes the shape of that picture (pixels of the transparent colour are cut
// out: neither painted nor hit), with a picture for the pressed state, a grey
// copy while disabled, an optional caption whose colour follows the mouse,
// and latching within a group like a speed button.

#include <QColor>
#include <QImage>
#include <QWidget>

namespace ortelan::controls {

enum TCaptionPos { cpLeft, cpCenter, cpRight };

class TPicButton : public QWidget {
  Q_OBJECT

 public:
  explicit TPicButton(QWidget* parent = nullptr);

  bool AllowAllUp() const { return allowAllUp_; }
  void SetAllowAllUp(bool value);
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int value);
  const QString& Caption() const { return caption_; }
  void SetCaption(const QString& value);
  bool Down() const { return down_; }
  void SetDown(bool value);
  bool Checked() const { return checked_; }
  void SetChecked(bool value) { checked_ = value; }
  // Enabled is the control's own (setEnabled); disabling also makes the grey
  // copy when none is current.

  const QImage& Bitmap() const { return bitmap_; }
  // A null picture is ignored. Sizes the button to the picture and rebuilds
  // its shape and grey copy.
  void SetBitmap(const QImage& value);
  const QImage& DownBitmap() const { return downBitmap_; }
  void SetDownBitmap(const QImage& value);
  // Replaces the pixels of Bitmap without touching the shape (as a face swap
  // of the same outline does); the grey copy is made again when needed.
  void LoadBitmapPixels(const QImage& value);
  QColor TransparentColor() const { return transparentColor_; }
  void SetTransparentColor(const QColor& value);
  TCaptionPos CaptionPosition() const { return captionPosition_; }
  void SetCaptionPosition(TCaptionPos value);
  int Space() const { return space_; }
  void SetSpace(int value);
  QColor HotFontColor() const { return hotFontColor_; }
  void SetHotFontColor(const QColor& value) { hotFontColor_ = value; }
  QColor DownFontColor() const { return downFontColor_; }
  void SetDownFontColor(const QColor& value) { downFontColor_ = value; }
  // The colour of the caption's font when nothing else applies.
  QColor FontColor() const { return fontColor_; }
  void SetFontColor(const QColor& value);

  // The grey copy: every pixel g = (R + G + B + 128) div 4 in all channels.
  static QImage GreyCopy(const QImage& picture);
  // Whether a point of the button belongs to its shape.
  bool HitsShape(const QPoint& point) const;
  bool Hot() const { return hot_; }
  // The colour the caption is drawn in now, and its left edge.
  QColor CaptionColor() const;
  int CaptionLeft() const;

 signals:
  void Clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void BuildShape();
  void TellGroup();
  void GroupButtonPressed(int groupIndex, TPicButton* sender);
  const QImage& GreyBitmap();

  bool allowAllUp_ = false;
  int groupIndex_ = 0;
  QString caption_;
  bool down_ = false;
  bool checked_ = false;
  QImage bitmap_, downBitmap_, grey_;
  bool greyCurrent_ = false;
  QColor transparentColor_ = Qt::white;
  TCaptionPos captionPosition_ = cpCenter;
  int space_ = 4;
  QColor hotFontColor_ = Qt::black, downFontColor_ = Qt::black, fontColor_ = Qt::black;
  bool hot_ = false;
  bool shapePending_ = true;
  QRegion shape_;  // empty: the whole rectangle
};

}  // namespace ortelan::controls
