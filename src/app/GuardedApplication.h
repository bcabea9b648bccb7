#pragma once

// The program's application object: an error that escapes an event handler
// (memory running out while a huge library is read) is shown to the user
// instead of ending the program.

#include <QApplication>

namespace ortelan::app {

class GuardedApplication : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace ortelan::app
