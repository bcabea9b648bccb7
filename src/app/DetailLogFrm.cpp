#include "app/DetailLogFrm.h"

#include <QPlainTextEdit>
#include <QPushButton>

#include "app/Fonts.h"
#include "app/Links.h"

namespace ortelan::app {

TDetailLogFrm::TDetailLogFrm(QWidget* owner, QRect launcherPlace)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
  setWindowTitle("Detail log");
  setFont(UiFont(8));
  setFixedSize(428, 345);
  LogMem = new QPlainTextEdit(this);
  LogMem->setGeometry(0, 0, 428, 292);
  LogMem->setReadOnly(true);
  LogMem->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  LogMem->setPlainText("Please include this log when contacting us.\n");
  ActPnl = new QWidget(this);
  ActPnl->setGeometry(0, 292, 428, 53);
  HelpBtn = new QPushButton("How to fix this issue (click here)", ActPnl);
  HelpBtn->setGeometry(8, 16, 225, 25);
  connect(HelpBtn, &QPushButton::clicked, this, [] { OpenHelp(kFixHelpPage); });
  CloseBtn = new QPushButton("Close", ActPnl);
  CloseBtn->setGeometry(336, 16, 83, 25);
  connect(CloseBtn, &QPushButton::clicked, this, &QDialog::reject);
  if (launcherPlace.isValid()) {
    move(launcherPlace.x() + (launcherPlace.width() - width()) / 2,
         launcherPlace.y() + (launcherPlace.height() - height()) / 2);
  }
}

void TDetailLogFrm::AppendLog(const std::string& log) {
  QString text = QString::fromStdString(log);
  text.replace("\r\n", "\n").replace('\r', '\n');
  LogMem->setPlainText(LogMem->toPlainText() + text);
}

}  // namespace ortelan::app
