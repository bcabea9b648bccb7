#include "app/Labels.h"

namespace ortelan::app {

QLabel* Label(QWidget* parent, const QString& text, QPoint at, const QFont& font, QColor colour) {
  auto* label = new QLabel(text, parent);
  label->setFont(font);
  SetTextColour(label, colour);
  label->setAttribute(Qt::WA_TranslucentBackground);
  label->move(at);
  label->adjustSize();
  return label;
}

void SetTextColour(QLabel* label, QColor colour) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
}

QPushButton* FlatButton(QWidget* parent, const QString& text, QRect at) {
  auto* button = new QPushButton(text, parent);
  button->setFlat(true);
  button->setGeometry(at);
  button->setCursor(Qt::PointingHandCursor);
  return button;
}

}  // namespace ortelan::app
