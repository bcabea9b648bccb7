#pragma once

class QWidget;

namespace ortelan::app {

// Gives a borderless window its rounded shape: the rectangle from (0, 0) to
// (width + 1, height + 1) with 9 x 9 corner ellipses.
void ApplyRoundRegion(QWidget& window);

}  // namespace ortelan::app
