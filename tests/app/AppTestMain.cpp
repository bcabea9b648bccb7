// The main of the window tests: a private home and settings folder, SQLite,
// the image codec, then a QApplication (offscreen unless told otherwise).

#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "app/Fonts.h"
#include "device/SQLiteWrap.h"
#include "photo/ImageCodec.h"
#include "support/TempDir.h"

int main(int argc, char** argv) {
  const ortelan::test::TempDir home;
  setenv("HOME", home.Path().c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const ortelan::SQLiteLibrary sqlite;
  ortelan::ImageCodec::Start();
  QApplication application(argc, argv);
  ortelan::app::SetUpFonts();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
