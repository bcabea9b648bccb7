#include "app/QtDispatcher.h"

#include <QCoreApplication>
#include <QThread>

namespace ortelan::app {

QtDispatcher::QtDispatcher() { moveToThread(QCoreApplication::instance()->thread()); }

void QtDispatcher::InvokeAndWait(const std::function<void()>& work) {
  if (QThread::currentThread() == thread()) {
    work();
    return;
  }
  // Blocks until the GUI thread has run it; a GUI thread that waits for this
  // worker keeps serving its events (see TTransferFrm::WaitForWorker).
  QMetaObject::invokeMethod(
      this, [&work] { work(); }, Qt::BlockingQueuedConnection);
}

void QtDispatcher::Post(std::function<void()> work) {
  QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

}  // namespace ortelan::app
