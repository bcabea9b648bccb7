#pragma once

// The program's fonts: Tahoma where it is installed (Debian's fonts-wine
// ships one), else the system sans-serif at the same pixel size.

#include <QFont>

namespace ortelan::app {

// Loads Tahoma when present and makes Tahoma 8 pt the application's font.
void SetUpFonts();
// The window font at `points` (Tahoma 8 pt: 8), bold or not.
QFont UiFont(int points, bool bold = false);

}  // namespace ortelan::app
