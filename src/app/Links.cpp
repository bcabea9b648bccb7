#include "app/Links.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>

namespace ortelan::app {

void OpenWebPage(const char* address) {
  QDesktopServices::openUrl(QUrl(QString::fromUtf8(address)));
}

QString HelpFile(const char* page) {
  QString name = QString::fromUtf8(page);
  if (name.startsWith("::/")) name = name.mid(3);
  return QCoreApplication::applicationDirPath() + "/help/" + name;
}

void OpenHelp(const char* page) { QDesktopServices::openUrl(QUrl::fromLocalFile(HelpFile(page))); }

void OpenFolder(const QString& folder) { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); }

}  // namespace ortelan::app
