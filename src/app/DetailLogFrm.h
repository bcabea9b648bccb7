#pragma once

// TDetailLogFrm: the "Detail log" dialog that shows a window's log of its
// last transfer, centred on the launcher's place.

#include <QDialog>
#include <QRect>
#include <string>

class QPlainTextEdit;
class QPushButton;

namespace ortelan::app {

class TDetailLogFrm : public QDialog {
  Q_OBJECT

 public:
  TDetailLogFrm(QWidget* owner, QRect launcherPlace);

  // The memo's text becomes its current text + `log` (shown with line breaks).
  void AppendLog(const std::string& log);

  QPlainTextEdit* LogMem = nullptr;
  QWidget* ActPnl = nullptr;
  QPushButton *HelpBtn = nullptr, *CloseBtn = nullptr;
};

}  // namespace ortelan::app
