#include <gtest/gtest.h>

#include <QEnterEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include "app/Pictures.h"
#include "controls/PicBtn.h"
#include "controls/ProgressShape.h"

namespace ortelan::controls {
namespace {

int Clicks(TPicButton& button, QPoint at) {
  QSignalSpy clicked(&button, &TPicButton::Clicked);
  QTest::mouseClick(&button, Qt::LeftButton, {}, at);
  return static_cast<int>(clicked.count());
}

TEST(PicButton, TheShapeOfThePictureIsWhatTheMouseHits) {
  TPicButton button;
  button.SetBitmap(app::pictures::CloseFace(false));  // a red disc on white
  EXPECT_EQ(button.size(), QSize(14, 15));
  EXPECT_EQ(Clicks(button, QPoint(1, 0)), 0);  // a white corner is cut out
  EXPECT_EQ(Clicks(button, QPoint(13, 14)), 0);
  EXPECT_EQ(Clicks(button, QPoint(7, 7)), 1);
  button.setEnabled(false);
  EXPECT_EQ(Clicks(button, QPoint(7, 7)), 0);
}

TEST(PicButton, TheGreyCopyIsLightAndMadeBeforeTheFirstPaint) {
  QImage picture(3, 1, QImage::Format_RGB32);
  picture.setPixel(0, 0, qRgb(0, 0, 0));
  picture.setPixel(1, 0, qRgb(255, 255, 255));
  picture.setPixel(2, 0, qRgb(255, 0, 0));
  const QImage grey = TPicButton::GreyCopy(picture);
  EXPECT_EQ(grey.pixel(0, 0), qRgb(32, 32, 32));
  EXPECT_EQ(grey.pixel(1, 0), qRgb(223, 223, 223));
  EXPECT_EQ(grey.pixel(2, 0), qRgb(95, 95, 95));

  TPicButton button;
  button.SetBitmap(app::pictures::CloseFace(false));
  button.setEnabled(false);  // never painted yet
  const QImage shown = button.grab().toImage();
  const QRgb centre = shown.pixel(7, 7);
  EXPECT_EQ(qRed(centre), qGreen(centre));
  EXPECT_EQ(qGreen(centre), qBlue(centre));
}

TEST(PicButton, CheckedLatchesAndGroupsRaiseEachOther) {
  QWidget parent;
  TPicButton first(&parent), second(&parent), other(&parent);
  for (TPicButton* b : {&first, &second, &other})
    b->SetBitmap(app::pictures::CheckButtonFace(false));
  first.SetGroupIndex(1);
  second.SetGroupIndex(1);
  other.SetGroupIndex(2);
  first.SetChecked(true);
  QTest::mouseClick(&first, Qt::LeftButton, {}, QPoint(14, 13));
  EXPECT_TRUE(first.Down());  // latched
  first.SetDown(false);
  EXPECT_TRUE(first.Down());  // only AllowAllUp lets it up
  other.SetChecked(true);
  QTest::mouseClick(&other, Qt::LeftButton, {}, QPoint(14, 13));
  EXPECT_TRUE(first.Down());  // another group leaves it alone
  second.SetChecked(true);
  QTest::mouseClick(&second, Qt::LeftButton, {}, QPoint(14, 13));
  EXPECT_TRUE(second.Down());
  EXPECT_FALSE(first.Down());  // raised by its group
  second.SetAllowAllUp(true);  // the group takes it over
  EXPECT_TRUE(first.AllowAllUp());
  second.SetDown(false);
  EXPECT_FALSE(second.Down());

  TPicButton single;  // outside any group a button never stays down
  single.SetBitmap(app::pictures::CheckButtonFace(false));
  single.SetDown(true);
  EXPECT_FALSE(single.Down());
  QTest::mousePress(&single, Qt::LeftButton, {}, QPoint(14, 13));
  EXPECT_TRUE(single.Down());
  QTest::mouseRelease(&single, Qt::LeftButton, {}, QPoint(14, 13));
  EXPECT_FALSE(single.Down());
}

TEST(PicButton, CaptionPlaceAndColours) {
  TPicButton button;
  button.SetBitmap(app::pictures::CancelFace());
  button.SetCaption("Cancel");
  button.SetCaptionPosition(cpLeft);
  button.SetSpace(32);
  button.SetHotFontColor(QColor(0, 0, 0x80));
  EXPECT_EQ(button.CaptionLeft(), 32);
  EXPECT_EQ(button.CaptionColor(), QColor(Qt::black));
  QEnterEvent enter(QPointF(40, 10), QPointF(40, 10), QPointF(40, 10));
  QApplication::sendEvent(&button, &enter);
  EXPECT_EQ(button.CaptionColor(), QColor(0, 0, 0x80));
  button.SetSpace(-1);  // ignored
  EXPECT_EQ(button.CaptionLeft(), 32);
  const int text = button.fontMetrics().horizontalAdvance("Cancel");
  button.SetCaptionPosition(cpRight);
  EXPECT_EQ(button.CaptionLeft(), 76 - text - 3);
  button.SetCaptionPosition(cpCenter);
  EXPECT_EQ(button.CaptionLeft(), (76 - text) / 2);
  button.setEnabled(false);
  EXPECT_EQ(button.CaptionColor(), QColor(0x60, 0x60, 0x60));
}

// The indicator as the transfer windows use it.
TEST(ProgressShape, BlocksOfTheWindowsAndOneClockwiseCycle) {
  TProgressShape shape;
  shape.resize(25, 25);
  shape.SetBlockCount(3);
  shape.SetPadding(4);
  shape.SetInterval(500);
  shape.Appearance().SetBlockColor(QColor(0xFC, 0xFC, 0xFC));
  shape.Loaded();
  EXPECT_EQ(shape.BlockRect(2, 2), QRect(3, 3, 4, 4));  // top left
  EXPECT_EQ(shape.BlockRect(1, 1), QRect(11, 11, 4, 4));
  EXPECT_EQ(shape.BlockRect(0, 0), QRect(19, 19, 4, 4));  // bottom right, inside (2,2)-(23,23)
  EXPECT_EQ(std::pair(shape.MarkedColumn(), shape.MarkedRow()), std::pair(2, 2));
  const std::vector<std::pair<int, int>> ring = {{1, 2}, {0, 2}, {0, 1}, {0, 0},
                                                 {1, 0}, {2, 0}, {2, 1}, {2, 2}};
  for (const auto& expected : ring) {
    shape.TimerStep();
    EXPECT_EQ(std::pair(shape.MarkedColumn(), shape.MarkedRow()), expected);
  }
  // The marked block is a gap: its colour is none.
  const QImage picture = shape.grab().toImage();
  EXPECT_EQ(picture.pixel(20, 20), QColor(0xFC, 0xFC, 0xFC).rgb());
  EXPECT_NE(picture.pixel(4, 4), QColor(0xFC, 0xFC, 0xFC).rgb());

  shape.SetBlockCount(1);
  shape.SetPadding(0);
  EXPECT_EQ(shape.BlockCount(), 3);
  EXPECT_EQ(shape.Padding(), 4);
  EXPECT_EQ(shape.Interval(), 500);
}

TEST(ProgressShape, RunsExactlyWhileEnabled) {
  TProgressShape shape;
  shape.resize(25, 25);
  shape.setEnabled(false);
  shape.Loaded();
  EXPECT_FALSE(shape.Running());  // no timer at all while idle
  shape.setEnabled(true);
  EXPECT_TRUE(shape.Running());
  shape.TimerStep();
  shape.setEnabled(false);
  EXPECT_FALSE(shape.Running());
  shape.setEnabled(true);  // continues from where the mark stood
  EXPECT_EQ(std::pair(shape.MarkedColumn(), shape.MarkedRow()), std::pair(1, 2));
}

}  // namespace
}  // namespace ortelan::controls
