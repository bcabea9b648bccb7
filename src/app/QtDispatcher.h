#pragma once

// The window thread of a Qt program as the core's dispatcher: work from other
// threads is queued to the GUI thread; on the GUI thread it runs inline.

#include <QObject>

#include "platform/Platform.h"

namespace ortelan::app {

class QtDispatcher : public QObject, public platform::Dispatcher {
  Q_OBJECT

 public:
  // Must be made on the GUI thread.
  QtDispatcher();

  void InvokeAndWait(const std::function<void()>& work) override;
  void Post(std::function<void()> work) override;
};

}  // namespace ortelan::app
