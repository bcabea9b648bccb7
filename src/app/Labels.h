#pragma once

// The painted windows' labels: transparent, placed by hand, in a given font
// and colour.

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPoint>

namespace ortelan::app {

// A transparent label at `at`, sized to its text.
QLabel* Label(QWidget* parent, const QString& text, QPoint at, const QFont& font, QColor colour);
void SetTextColour(QLabel* label, QColor colour);

}  // namespace ortelan::app
