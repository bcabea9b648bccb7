#include "app/Fonts.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>

namespace ortelan::app {

namespace {

bool tahoma = false;

}  // namespace

void SetUpFonts() {
  for (const char* file : {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf",
                           "/usr/share/fonts/truetype/msttcorefonts/tahoma.ttf"}) {
    if (QFile::exists(file) && QFontDatabase::addApplicationFont(file) >= 0) tahoma = true;
  }
  if (!tahoma) tahoma = QFontDatabase::families().contains("Tahoma");
  QApplication::setFont(UiFont(8));
}

QFont UiFont(int points, bool bold) {
  QFont font;
  if (tahoma) {
    font = QFont("Tahoma");
    font.setPointSize(points);
  } else {
    font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize((points * 96 + 36) / 72);  // the size Tahoma has at 96 dpi
  }
  font.setBold(bold);
  return font;
}

}  // namespace ortelan::app
