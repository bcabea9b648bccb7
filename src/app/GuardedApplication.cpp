#include "app/GuardedApplication.h"

#include <QMessageBox>
#include <exception>
#include <new>

namespace ortelan::app {

namespace {

void ShowError(const QString& text) {
  QMessageBox::critical(nullptr, QApplication::applicationDisplayName(), text);
}

}  // namespace

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::bad_alloc&) {
    ShowError("There is not enough memory for this operation. It was stopped.");
  } catch (const std::exception& error) {
    ShowError(QString("The operation was stopped: ") + error.what());
  }
  return false;
}

}  // namespace ortelan::app
