#pragma once

// The painted windows' labels: transparent, placed by hand, in a given font
// and colour.

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPoint>
#include <QPushButton>
#include <QRect>

namespace ortelan::app {

// A transparent label at `at`, sized to its text.
QLabel* Label(QWidget* parent, const QString& text, QPoint at, const QFont& font, QColor colour);
void SetTextColour(QLabel* label, QColor colour);
// A flat button at `at` with a pointing-hand cursor, as GoPnl's links are.
QPushButton* FlatButton(QWidget* parent, const QString& text, QRect at);

}  // namespace ortelan::app
